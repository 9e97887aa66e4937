#include "framework/report_preview_window.h"

#include "framework/printer_ui.h"
#include "framework/procedures_ui.h"
#include "data/globals.h"
#include "framework/reportpaint_ui.h"
#include "framework/warnings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

// A thumbnail: a border box with the page image scaled into it; a left click zooms the page.
class PageThumbnail : public QWidget {
    Q_OBJECT
public:
    PageThumbnail(const ReportDocument &doc, QWidget *parent) : QWidget(parent), m_doc(doc)
    {
        setCursor(Qt::PointingHandCursor);
        setAutoFillBackground(false);
    }
    void setPage(int index)
    {
        if (index != m_page) {
            m_page = index;
            m_image = {};
            update();
        }
    }
    int page() const { return m_page; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (m_page >= 0 && m_page < m_doc.pageCount()) {
            const QSize inner = size() - QSize(2, 2);
            if (m_image.size() != inner) {
                const double dpi = inner.width() / (m_doc.pageSizeMm().width() / 25.4);
                m_image = renderReportPage(m_doc.page(m_page), m_doc.pageSizeMm(), dpi)
                              .scaled(inner, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            p.drawImage(1, 1, m_image);
        }
        p.setPen(QColor(0, 0, 128));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton)
            emit clicked();
    }

private:
    const ReportDocument &m_doc;
    int m_page = -1;
    QImage m_image;
};

// The zoomed page: a left click returns to the thumbnails.
class ZoomImage : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton)
            emit clicked();
    }
};

namespace {
const char *const kZoomMenuTexts[] = {"No &Zoom", "Page &Width", "&50 Percent", "&75 Percent",
                                      "&100 Percent", "&200 Percent", "&300 Percent"};
const char *const kZoomPopupTexts[] = {"No Zoom", "Page Width", "50%", "75%", "100%", "200%", "300%"};
const char *const kZoomNames[] = {"ZOOMNOZOOM", "ZOOMPAGEWIDTH", "ZOOM50", "ZOOM75", "ZOOM100", "ZOOM200", "ZOOM300"};
const char *const kZoomStatus[] = {"No Zoom", "Zoom (Page Width)", "Zoom (50%)", "Zoom (75%)",
                                   "Zoom (100%)", "Zoom (200%)", "Zoom (300%)"};
const double kZoomScale[] = {0, 0, 0.5, 0.75, 1.0, 2.0, 3.0};
} // namespace

ReportPreviewWindow::ReportPreviewWindow(std::shared_ptr<const ReportDocument> document, QWidget *parent)
    : QMainWindow(parent), m_doc(std::move(document))
{
    setObjectName(QStringLiteral("REPORTPREVIEW"));
    setWindowTitle(QStringLiteral("Report Preview"));
    buildMenus();
    buildToolBar();
    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("PREVIEWAREA"));
    m_area->setAutoFillBackground(true);
    QPalette pal = m_area->palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    m_area->setPalette(pal);
    m_area->installEventFilter(this);
    setCentralWidget(m_area);
    m_zone1 = new QLabel(this);
    m_zone2 = new QLabel(this);
    m_zone3 = new QLabel(this);
    m_zone1->setObjectName(QStringLiteral("STATUSZONE1"));
    m_zone2->setObjectName(QStringLiteral("STATUSZONE2"));
    m_zone3->setObjectName(QStringLiteral("STATUSZONE3"));
    // Zone 1 also carries the menu tips; zones 2 and 3 stay while a tip shows.
    statusBar()->addWidget(m_zone1, 1);
    m_zone2->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Pages 9999-9999 of 9999")) + 8);
    m_zone3->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Zoom (Page Width)")) + 8);
    statusBar()->addPermanentWidget(m_zone2);
    statusBar()->addPermanentWidget(m_zone3);
    setMinimumWidth(int(315 * dluX() + 0.5));
    resize(std::max(minimumWidth(), 640), 600);

    // Measure the first page: its natural size on the screen.
    IMAGECOUNT = m_doc->pageCount();
    const double dpi = logicalDpiX();
    IMAGEWIDTH = LONG(m_doc->pageSizeMm().width() / 25.4 * dpi + 0.5);
    IMAGEHEIGHT = LONG(m_doc->pageSizeMm().height() / 25.4 * logicalDpiY() + 0.5);
    IMAGEASPECTRATIO = IMAGEWIDTH > 0 ? double(IMAGEHEIGHT) / IMAGEWIDTH : 1.0; // no width: square
    CURRENTPAGE = 1;
    PAGESACROSS = PAGESDOWN = 1;
    if (IMAGECOUNT <= 1) {
        m_pageSpin->setEnabled(false);
        m_acrossSpin->setEnabled(false);
        m_downSpin->setEnabled(false);
        m_viewMenu->setEnabled(false);
        for (QAction *a : m_viewMenu->actions())
            a->setEnabled(false);
    } else {
        m_pageSpin->setMaximum(IMAGECOUNT);
        m_pageSpin->setToolTip(QStringLiteral("Enter a page number from 1 to ") + QString::number(IMAGECOUNT));
    }
    m_zoom = ZoomNoZoom;
    CHANGEDISPLAY();
}

ReportPreviewWindow::~ReportPreviewWindow()
{
    // Deleted without a close event (its frame sub-window went): the caller still hears of it.
    if (!m_finishedSent) {
        m_finishedSent = true;
        glob::GLOBALRESPONSE = glob::RequestCancelled;
        emit finished(false);
    }
}

double ReportPreviewWindow::dluX() const { return std::max(1.0, fontMetrics().averageCharWidth() / 4.0); }
double ReportPreviewWindow::dluY() const { return std::max(1.0, fontMetrics().height() / 8.0); }

void ReportPreviewWindow::buildMenus()
{
    auto add = [this](QMenu *menu, const QString &text, const char *name, const QString &tip, auto slot) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setStatusTip(tip);
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, QStringLiteral("&Print"), "PRINT", QStringLiteral("Print the report"), &ReportPreviewWindow::printAndClose);
    add(file, QStringLiteral("Сохранить в PDF..."), "SAVEPDF", QStringLiteral("Сохранить страницы отчёта в файл PDF"),
        &ReportPreviewWindow::chooseAndSavePdf);
    add(file, QStringLiteral("E&xit"), "EXIT", QStringLiteral("Exit without printing the report"),
        &ReportPreviewWindow::exitWithoutPrinting);

    m_viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    m_viewMenu->setObjectName(QStringLiteral("VIEWMENU"));
    m_next = add(m_viewMenu, QStringLiteral("&Next Page(s)"), "NEXTPAGE",
                 QStringLiteral("View the next page or pages of the report"), &ReportPreviewWindow::getNextPage);
    m_prev = add(m_viewMenu, QStringLiteral("&Previous Page(s)"), "PREVPAGE",
                 QStringLiteral("View the next page or pages of the report"), &ReportPreviewWindow::getPrevPage);
    m_next->setShortcut(QKeySequence(Qt::Key_PageDown));
    m_prev->setShortcut(QKeySequence(Qt::Key_PageUp));
    m_next->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_prev->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(m_next);
    addAction(m_prev);
    add(m_viewMenu, QStringLiteral("&Jump to a page"), "JUMPTOPAGE", QStringLiteral("Jump to a specific page of the report"),
        &ReportPreviewWindow::jumpToPage);
    add(m_viewMenu, QStringLiteral("&Change Display"), "CHANGEDISPLAY",
        QStringLiteral("Change the number of pages displayed"), &ReportPreviewWindow::selectDisplay);

    QMenu *zoomMenu = menuBar()->addMenu(QStringLiteral("&Zoom"));
    for (int z = ZoomNoZoom; z <= Zoom300; ++z) {
        QAction *a = zoomMenu->addAction(QString::fromUtf8(kZoomMenuTexts[z]));
        a->setObjectName(QLatin1String(kZoomNames[z]));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, z] { setZoom(Zoom(z)); });
        m_zoomActions.push_back(a);
    }
}

void ReportPreviewWindow::buildToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("Preview"));
    bar->setObjectName(QStringLiteral("PREVIEWTOOLBAR"));
    bar->setMovable(false);
    auto button = [&](const QString &text, const char *name, const QString &tip) {
        auto *b = new QToolButton(bar);
        b->setText(text);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        bar->addWidget(b);
        return b;
    };
    connect(button(QStringLiteral("Print"), "PRINTBUTTON", QStringLiteral("Print this report")), &QToolButton::clicked,
            this, &ReportPreviewWindow::printAndClose);
    connect(button(QStringLiteral("Exit"), "EXITBUTTON", QStringLiteral("Exit without printing the report")),
            &QToolButton::clicked, this, &ReportPreviewWindow::exitWithoutPrinting);
    QToolButton *zoomButton = button(QStringLiteral("Zoom"), "ZOOMBUTTON", QStringLiteral("Zoom in on a page of the report"));
    auto *popup = new QMenu(zoomButton);
    popup->setObjectName(QStringLiteral("ZOOMPOPUP"));
    for (int z = ZoomNoZoom; z <= Zoom300; ++z) {
        QAction *a = popup->addAction(QString::fromUtf8(kZoomPopupTexts[z]));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, z] { setZoom(Zoom(z)); });
        m_zoomPopup.push_back(a);
        if (z == ZoomNoZoom)
            popup->addSeparator();
    }
    zoomButton->setMenu(popup);
    zoomButton->setPopupMode(QToolButton::InstantPopup);
    connect(button(QStringLiteral("PDF"), "SAVEPDFBUTTON", QStringLiteral("Сохранить в PDF...")), &QToolButton::clicked,
            this, [this] { findChild<QAction *>(QStringLiteral("SAVEPDF"))->trigger(); });

    auto spin = [&](const QString &label, const char *name, int digits, const QString &tip) {
        auto *l = new QLabel(label, bar);
        auto *s = new QSpinBox(bar);
        s->setObjectName(QLatin1String(name));
        s->setRange(1, 10);
        s->setSingleStep(1);
        s->setToolTip(tip);
        s->setMinimumWidth(s->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('9'))) + 30);
        l->setBuddy(s);
        bar->addSeparator();
        bar->addWidget(l);
        bar->addWidget(s);
        return s;
    };
    m_pageSpin = spin(QStringLiteral("&Page:"), "CURRENTPAGE", 4, QString());
    m_acrossSpin = spin(QStringLiteral("&Across:"), "PAGESACROSS", 2, QStringLiteral("Select the number of thumbnails in a row"));
    m_downSpin = spin(QStringLiteral("&Down:"), "PAGESDOWN", 2, QStringLiteral("Select the number of thumbnails in a column"));
    connect(m_pageSpin, &QSpinBox::valueChanged, this, [this](int v) {
        if (m_updating)
            return;
        CURRENTPAGE = v;
        CHANGEDISPLAY();
    });
    connect(m_acrossSpin, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_updating)
            setGrid(v, PAGESDOWN);
    });
    connect(m_downSpin, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_updating)
            setGrid(PAGESACROSS, v);
    });
}

// ---- display --------------------------------------------------------------------------------

void ReportPreviewWindow::CHANGEDISPLAY()
{
    if (m_zoom == ZoomNoZoom) {
        DESTROYZOOMCONTROL();
        if (PAGESACROSS != DISPLAYEDPAGESACROSS || PAGESDOWN != DISPLAYEDPAGESDOWN) {
            DESTROYTHUMBNAILS();
            CREATETHUMBNAILS();
        }
        POSITIONTHUMBNAILS();
        FILLTHUMBNAILS();
        m_zone3->setText(zoomText());
    } else {
        DESTROYTHUMBNAILS();
        CREATEZOOMCONTROL();
        CONFIGUREZOOMRATIO();
        FILLZOOMCONTROL();
        DISPLAYEDPAGESACROSS = DISPLAYEDPAGESDOWN = 0;
    }
    refreshControls();
}

void ReportPreviewWindow::refreshControls()
{
    m_updating = true;
    for (int z = ZoomNoZoom; z <= Zoom300; ++z) {
        m_zoomActions[std::size_t(z)]->setChecked(z == m_zoom);
        m_zoomPopup[std::size_t(z)]->setChecked(z == m_zoom);
    }
    m_pageSpin->setValue(CURRENTPAGE);
    m_acrossSpin->setValue(PAGESACROSS);
    m_downSpin->setValue(PAGESDOWN);
    if (IMAGECOUNT > 1) {
        const LONG shown = m_zoom == ZoomNoZoom ? LONG(thumbnailCount()) : 1;
        m_prev->setEnabled(CURRENTPAGE > 1);
        m_next->setEnabled(CURRENTPAGE + shown <= IMAGECOUNT);
    }
    m_updating = false;
}

void ReportPreviewWindow::CREATETHUMBNAILS()
{
    for (int k = 1; k <= PAGESACROSS * PAGESDOWN; ++k) {
        auto *t = new PageThumbnail(*m_doc, m_area);
        t->setObjectName(QStringLiteral("THUMBNAIL") + QString::number(k));
        // Queued: zooming deletes the thumbnail that was clicked.
        connect(t, &PageThumbnail::clicked, this, [this, k] { zoomThumbnail(k); }, Qt::QueuedConnection);
        m_thumbs.push_back(t);
    }
    DISPLAYEDPAGESACROSS = PAGESACROSS;
    DISPLAYEDPAGESDOWN = PAGESDOWN;
}

void ReportPreviewWindow::DESTROYTHUMBNAILS()
{
    for (PageThumbnail *t : m_thumbs)
        delete t;
    m_thumbs.clear();
    DISPLAYEDPAGESACROSS = DISPLAYEDPAGESDOWN = 0;
}

void ReportPreviewWindow::POSITIONTHUMBNAILS()
{
    const double ux = dluX(), uy = dluY();
    const auto rects = thumbnailRects(int(m_area->width() / ux), int(m_area->height() / uy), PAGESACROSS, PAGESDOWN,
                                      IMAGEASPECTRATIO);
    for (std::size_t i = 0; i < m_thumbs.size() && i < rects.size(); ++i) {
        const QRect &r = rects[i];
        m_thumbs[i]->setGeometry(int(r.x() * ux), int(r.y() * uy), int(r.width() * ux), int(r.height() * uy));
    }
}

void ReportPreviewWindow::FILLTHUMBNAILS()
{
    for (std::size_t k = 0; k < m_thumbs.size(); ++k) {
        const LONG page = CURRENTPAGE + LONG(k);
        m_thumbs[k]->setPage(int(page - 1));
        m_thumbs[k]->setVisible(page <= IMAGECOUNT);
    }
    m_zone2->setText(pageInfoText());
}

void ReportPreviewWindow::CREATEZOOMCONTROL()
{
    if (m_zoomArea)
        return;
    m_zoomArea = new QScrollArea(m_area);
    m_zoomArea->setObjectName(QStringLiteral("ZOOMAREA"));
    m_zoomArea->setGeometry(m_area->rect());
    m_zoomArea->setBackgroundRole(QPalette::Dark);
    auto *image = new ZoomImage;
    image->setObjectName(QStringLiteral("ZOOMIMAGE"));
    image->setCursor(Qt::PointingHandCursor);
    // Queued: leaving the zoom deletes the image that was clicked.
    connect(image, &ZoomImage::clicked, this, [this] { setZoom(ZoomNoZoom); }, Qt::QueuedConnection);
    m_zoomImage = image;
    m_zoomArea->setWidget(image);
    m_zoomArea->show();
}

void ReportPreviewWindow::DESTROYZOOMCONTROL()
{
    delete m_zoomArea;
    m_zoomArea = nullptr;
    m_zoomImage = nullptr;
}

void ReportPreviewWindow::CONFIGUREZOOMRATIO()
{
    if (m_zoom == ZoomPageWidth) {
        const int width = m_area->width() - m_zoomArea->verticalScrollBar()->sizeHint().width() - 2;
        ZOOMMODIFIER = IMAGEWIDTH > 0 ? double(std::max(width, 1)) / IMAGEWIDTH : 1.0;
        m_zoomArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        ZOOMMODIFIER = kZoomScale[m_zoom];
        m_zoomArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    m_zoomArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_zone3->setText(zoomText());
}

void ReportPreviewWindow::FILLZOOMCONTROL()
{
    if (CURRENTPAGE < 1 || CURRENTPAGE > IMAGECOUNT)
        return;
    const double dpi = logicalDpiX() * ZOOMMODIFIER;
    const QImage image = renderReportPage(m_doc->page(int(CURRENTPAGE - 1)), m_doc->pageSizeMm(), dpi);
    m_zoomImage->setPixmap(QPixmap::fromImage(image));
    m_zoomImage->resize(image.size());
    m_zone2->setText(pageInfoText());
}

QString ReportPreviewWindow::pageInfoText() const
{
    return previewPageInfo(CURRENTPAGE, m_zoom == ZoomNoZoom ? LONG(thumbnailCount()) : 1, IMAGECOUNT);
}

QString ReportPreviewWindow::zoomText() const { return QString::fromUtf8(kZoomStatus[m_zoom]); }

bool ReportPreviewWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && event->type() == QEvent::Resize) {
        if (m_zoomArea) {
            m_zoomArea->setGeometry(m_area->rect());
            if (m_zoom == ZoomPageWidth) {
                CONFIGUREZOOMRATIO();
                FILLZOOMCONTROL();
            }
        } else {
            POSITIONTHUMBNAILS();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- paging and zoom -------------------------------------------------------------------------

void ReportPreviewWindow::getNextPage()
{
    const LONG step = m_zoom == ZoomNoZoom ? LONG(thumbnailCount()) : 1;
    const LONG next = previewNextPage(CURRENTPAGE, std::max<LONG>(step, 1), IMAGECOUNT);
    if (next == CURRENTPAGE)
        return;
    CURRENTPAGE = next;
    CHANGEDISPLAY();
}

void ReportPreviewWindow::getPrevPage()
{
    const LONG step = m_zoom == ZoomNoZoom ? LONG(thumbnailCount()) : 1;
    const LONG prev = previewPrevPage(CURRENTPAGE, std::max<LONG>(step, 1));
    if (prev == CURRENTPAGE)
        return;
    CURRENTPAGE = prev;
    CHANGEDISPLAY();
}

void ReportPreviewWindow::setZoom(Zoom z)
{
    m_zoom = z;
    CHANGEDISPLAY();
}

void ReportPreviewWindow::zoomThumbnail(int k)
{
    const LONG page = CURRENTPAGE + k - 1;
    if (page > IMAGECOUNT)
        return;
    CURRENTPAGE = page;
    setZoom(ZoomPageWidth);
}

void ReportPreviewWindow::setGrid(LONG across, LONG down)
{
    PAGESACROSS = std::clamp<LONG>(across, 1, 10);
    PAGESDOWN = std::clamp<LONG>(down, 1, 10);
    m_zoom = ZoomNoZoom;
    CHANGEDISPLAY();
}

void ReportPreviewWindow::jumpToPage()
{
    if (IMAGECOUNT <= 1)
        return;
    setEnabled(false);
    QPointer<ReportPreviewWindow> self(this);
    QDialog *d = PREVIEW_JUMPTOPAGE(CURRENTPAGE, IMAGECOUNT, [self](LONG page) {
        if (!self)
            return;
        self->setEnabled(true);
        self->CURRENTPAGE = page;
        self->CHANGEDISPLAY();
    });
    connect(this, &QObject::destroyed, d, &QObject::deleteLater);
}

void ReportPreviewWindow::selectDisplay()
{
    if (IMAGECOUNT <= 1)
        return;
    setEnabled(false);
    QPointer<ReportPreviewWindow> self(this);
    QDialog *d = PREVIEW_SELECTDISPLAY(PAGESACROSS, PAGESDOWN, [self](LONG across, LONG down) {
        if (!self)
            return;
        self->setEnabled(true);
        self->setGrid(across, down);
    });
    connect(this, &QObject::destroyed, d, &QObject::deleteLater);
}

void ReportPreviewWindow::printAndClose()
{
    if (!printerAvailable()) {
        const LONG answer = showMessage(QStringLiteral("Принтер не установлен: отчёт не может быть напечатан.\n"
                                                       "Сохранить его в файл PDF?"),
                                        QStringLiteral("Печать"), MessageIcon::Exclamation, MsgYes + MsgNo, MsgYes);
        if (answer == MsgYes)
            chooseAndSavePdf();
        return;
    }
    RETURNVALUE = 1;
    closeHostedWindow(this);
}

void ReportPreviewWindow::exitWithoutPrinting()
{
    RETURNVALUE = 0;
    closeHostedWindow(this);
}

bool ReportPreviewWindow::chooseAndSavePdf()
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить в PDF"), QString(), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    return saveAsPdf(path);
}

bool ReportPreviewWindow::saveAsPdf(const QString &path)
{
    if (writeReportPdf(*m_doc, path, windowTitle()))
        return true;
    showMessage(QStringLiteral("Не удалось записать файл ") + path, QStringLiteral("Сохранить в PDF"),
                MessageIcon::Exclamation);
    return false;
}

void ReportPreviewWindow::closeEvent(QCloseEvent *event)
{
    if (!m_finishedSent) {
        m_finishedSent = true;
        glob::GLOBALRESPONSE = RETURNVALUE == 1 ? glob::RequestCompleted : glob::RequestCancelled;
        emit finished(RETURNVALUE == 1);
    }
    QMainWindow::closeEvent(event);
}

// ---- the two dialogs -------------------------------------------------------------------------

QDialog *PREVIEW_JUMPTOPAGE(LONG currentPage, LONG pageCount, std::function<void(LONG)> done)
{
    auto *d = new QDialog;
    d->setObjectName(QStringLiteral("PREVIEW_JUMPTOPAGE"));
    d->setWindowTitle(QStringLiteral("Jump to a Report Page"));
    d->setAttribute(Qt::WA_DeleteOnClose);
    auto *form = new QFormLayout(d);
    auto *spin = new QSpinBox(d);
    spin->setObjectName(QStringLiteral("PAGE"));
    spin->setRange(1, std::max<LONG>(1, pageCount));
    spin->setValue(currentPage);
    spin->setToolTip(QStringLiteral("Select a page of the report"));
    spin->setMinimumWidth(spin->fontMetrics().horizontalAdvance(QStringLiteral("99999")) + 30);
    form->addRow(QStringLiteral("&Page:"), spin);
    auto *buttons = new QDialogButtonBox(d);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setToolTip(QStringLiteral("Jump to the selected page"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CANCEL"));
    cancel->setToolTip(QStringLiteral("Cancel this selection"));
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    QObject::connect(d, &QDialog::finished, d, [spin, currentPage, done](int result) {
        done(result == QDialog::Accepted ? LONG(spin->value()) : currentPage);
    });
    d->show();
    return d;
}

QDialog *PREVIEW_SELECTDISPLAY(LONG across, LONG down, std::function<void(LONG, LONG)> done)
{
    auto *d = new QDialog;
    d->setObjectName(QStringLiteral("PREVIEW_SELECTDISPLAY"));
    d->setWindowTitle(QStringLiteral("Change the Report Display"));
    d->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(d);
    auto *group = new QGroupBox(QStringLiteral("Pages Displayed"), d);
    auto *form = new QFormLayout(group);
    auto spin = [&](const char *name, LONG value) {
        auto *s = new QSpinBox(group);
        s->setObjectName(QLatin1String(name));
        s->setRange(1, 10);
        s->setValue(std::clamp<LONG>(value, 1, 10));
        return s;
    };
    QSpinBox *a = spin("ACROSS", across);
    QSpinBox *dn = spin("DOWN", down);
    form->addRow(QStringLiteral("Across"), a);
    form->addRow(QStringLiteral("Down"), dn);
    layout->addWidget(group);
    auto *ok = new QPushButton(QStringLiteral("OK"), d);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    layout->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    // The values are bound to the caller's: they hold however the dialog is left.
    QObject::connect(d, &QDialog::finished, d, [a, dn, done](int) { done(LONG(a->value()), LONG(dn->value())); });
    d->show();
    return d;
}

#include "report_preview_window.moc"
