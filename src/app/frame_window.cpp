#include "app/frame_window.h"
#include "app/records_window.h"

#include "app/commands.h"
#include "app/emblems.h"
#include "app/guide_window.h"
#include "app/install_paths.h"
#include "app/work_folder_dialog.h"
#include "framework/procedures_ui.h"
#include "app/splash_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/history_window_ui.h"
#include "framework/printer_ui.h"
#include "framework/warnings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

const QString FrameWindow::kTitle = QStringLiteral("Проектирование составов асфальтобетонных смесей");

namespace {

const QString kPlacementKey = QStringLiteral("frame/geometry");
constexpr double kFirstShare = 0.9; // of the available screen, each way, at the first start

// Help texts: with two, the first is the tooltip and the second the status bar line.
void setHelp(QAction *action, const QStringList &help)
{
    if (help.isEmpty())
        return;
    action->setStatusTip(help.last());
    if (help.size() > 1)
        action->setToolTip(help.first());
}

} // namespace

FrameWindow::FrameWindow(QWidget *parent, int splashMilliseconds) : QMainWindow(parent), m_splashMilliseconds(splashMilliseconds)
{
    setObjectName(QStringLiteral("MAIN"));
    setWindowTitle(kTitle);
    setWindowIcon(applicationIcon());
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIAREA"));
    m_mdi->installEventFilter(this);
    // A window that does not fit scrolls the area rather than growing the frame (Tile and
    // Cascade of many windows included), and opening a window never maximises it.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    setCentralWidget(m_mdi);
    statusBar()->setObjectName(QStringLiteral("STATUSBAR"));
    m_folderLabel = new QLabel(this);
    m_folderLabel->setObjectName(QStringLiteral("WORKDIR"));
    statusBar()->addPermanentWidget(m_folderLabel);
    showWorkFolder();
    buildMenus();
    buildToolBar();
    updateProcedureActions();
    setWindowHost([this](QWidget *window) { showChild(window); });
    installHistoryPrompts();
    resize(1000, 700);
}

FrameWindow::~FrameWindow() { setWindowHost({}); }

SplashWindow *FrameWindow::splash() const { return m_splash; }

void FrameWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("MenuFile"));
    addItem(file, QStringLiteral("WorkFolder"), QStringLiteral("Рабочая папка..."),
            {QStringLiteral("Открыть другую рабочую папку с данными")}, [this] { chooseWorkFolder(); });
    file->addSeparator();
    addItem(file, QStringLiteral("Backup"), QStringLiteral("Резервная копия..."),
            {QStringLiteral("Копия всех файлов данных в папку с датой")}, [this] { backupFromMenu(this); });
    addItem(file, QStringLiteral("Restore"), QStringLiteral("Восстановить из копии..."),
            {QStringLiteral("Заменить данные данными резервной копии")}, [this] { restoreFromMenu(this, m_mdi); });
    addItem(file, QStringLiteral("CheckData"), QStringLiteral("Проверить данные"),
            {QStringLiteral("Найти повреждения и несвязанные записи, ничего не меняя")}, [this] { checkFromMenu(this); });
    addItem(file, QStringLiteral("ChangeJournal"), QStringLiteral("Журнал изменений"),
            {QStringLiteral("Кто, когда и почему изменял записи")}, [] { showInFrame(changeJournalWindow()); });
    file->addSeparator();
    addItem(file, QStringLiteral("PrintSetup"), QStringLiteral("P&rint Setup..."), {QStringLiteral("Setup Printer")},
            [this] { printSetup(); });
    addItem(file, QStringLiteral("Exit"), QStringLiteral("E&xit"), {QStringLiteral("Exit this application")},
            [this] { close(); });

    QMenu *journals = menuBar()->addMenu(QStringLiteral("&Журналы"));
    journals->setObjectName(QStringLiteral("MenuJournals"));
    setHelp(journals->menuAction(), {QStringLiteral("Журналы испытаний исходных материалов")});
    addProcedureItem(journals, QStringLiteral("BROUSESPLIT"), QStringLiteral("Щебень"),
                     {QStringLiteral("База данных по щебню")});
    addProcedureItem(journals, QStringLiteral("BROUSESANT"), QStringLiteral("&Песок"),
                     {QStringLiteral("База данных по песку")});
    addProcedureItem(journals, QStringLiteral("BROUSEOTSEW"), QStringLiteral("&Отсев"),
                     {QStringLiteral("База данных по осевам")});
    addProcedureItem(journals, QStringLiteral("BROUSEFILLERPOROSHOK"), QStringLiteral("&МинПорошок"),
                     {QStringLiteral("База данных по порошкам")});
    addProcedureItem(journals, QStringLiteral("BROWSEBIT"), QStringLiteral("&Битум"),
                     {QStringLiteral("База данных по битумным вяжущим")});
    addProcedureItem(journals, QStringLiteral("BROWSEDOBAVKA"), QStringLiteral("&Добавки"),
                     {QStringLiteral("База данных по добавкам")});

    QMenu *requirements = menuBar()->addMenu(QStringLiteral("&Требования"));
    requirements->setObjectName(QStringLiteral("MenuRequirements"));
    setHelp(requirements->menuAction(),
            {QStringLiteral("Гранулометрия"), QStringLiteral("Предельные кривые гранулометрии")});
    addProcedureItem(requirements, QStringLiteral("BROUSENORMA1"), QStringLiteral("Гранулометрия ГОСТ"),
                     {QStringLiteral("Российские нормы")});
    addProcedureItem(requirements, QStringLiteral("BROWSEZR3N"), QStringLiteral("Зарубежные нормы"),
                     {QStringLiteral("Зерновые составы")});

    QMenu *settings = menuBar()->addMenu(QStringLiteral("Н&астройки"));
    settings->setObjectName(QStringLiteral("MenuSettings"));
    setHelp(settings->menuAction(), {QStringLiteral("Данные сопровождения")});
    addProcedureItem(settings, QStringLiteral("GROHOTBROWSE11"), QStringLiteral("Смесители"),
                     {QStringLiteral("Решетки грохота"),
                      QStringLiteral("Параметры смесителя и грохота (№1-по умолчанию)")});
    addProcedureItem(settings, QStringLiteral("BROWSETITUL"), QStringLiteral("Для отчета"),
                     {QStringLiteral("Окружение для отчета")});
    addProcedureItem(settings, QStringLiteral("REG"), QStringLiteral("Климат"),
                     {QStringLiteral("Ввод климатических факторов"),
                      QStringLiteral("База региональных климатических факторов")});

    QMenu *windows = menuBar()->addMenu(QStringLiteral("&Окна"));
    windows->setObjectName(QStringLiteral("MenuWindow"));
    setHelp(windows->menuAction(), {QStringLiteral("Вид окон")});
    addItem(windows, QStringLiteral("Tile"), QStringLiteral("T&ile"), {QStringLiteral("Make all open windows visible")},
            [this] { tileWindows(); });
    addItem(windows, QStringLiteral("Cascade"), QStringLiteral("&Cascade"), {QStringLiteral("Stack all open windows")},
            [this] { m_mdi->cascadeSubWindows(); });
    addItem(windows, QStringLiteral("ArrangeIcons"), QStringLiteral("&Arrange Icons"),
            {QStringLiteral("Align all window icons")}, [this] { arrangeIcons(); });

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    QAction *guide = addItem(help, QStringLiteral("Guide"), QStringLiteral("Руководство"),
                             {QStringLiteral("Руководство пользователя; F1 - о текущем окне")},
                             [this] { showGuide(true); });
    guide->setShortcut(QKeySequence::HelpContents);
    guide->setShortcutContext(Qt::ApplicationShortcut);
    addItem(help, QStringLiteral("About"), QStringLiteral("О программе"), {QStringLiteral("Версия программы")},
            [this] { showAbout(); });
}

GuideWindow *FrameWindow::showGuide(bool forActiveWindow)
{
    const QString dir = guideFolder();
    if (dir.isEmpty()) {
        showMessage(QStringLiteral("Руководство не найдено: программа установлена не полностью."), kTitle,
                    MessageIcon::Exclamation);
        return nullptr;
    }
    if (!m_guide)
        m_guide = new GuideWindow(dir, this);
    // The window the user works in: a subwindow's own window, also inside its scroll area.
    QString windowName;
    if (QMdiSubWindow *sub = m_mdi->activeSubWindow(); sub && forActiveWindow && sub->widget()) {
        QWidget *window = sub->widget();
        if (auto *scroll = qobject_cast<QScrollArea *>(window); scroll && scroll->widget())
            window = scroll->widget();
        windowName = window->objectName();
    }
    m_guide->show(); // first: the section is placed in the window's final size
    m_guide->raise();
    m_guide->activateWindow();
    if (windowName.isEmpty())
        m_guide->showContents();
    else
        m_guide->showWindowSection(windowName);
    return m_guide;
}

void FrameWindow::showAbout()
{
    showMessage(QStringLiteral("%1\n\nВерсия %2\n\nРабочая папка: %3")
                    .arg(kTitle, QStringLiteral(ASPHALT_VERSION), QDir::toNativeSeparators(dataDirectory())),
                QStringLiteral("О программе"));
}

void FrameWindow::showWorkFolder()
{
    m_folderLabel->setText(QStringLiteral("Рабочая папка: %1").arg(QDir::toNativeSeparators(dataDirectory())));
}

void FrameWindow::chooseWorkFolder()
{
    auto *dialog = new WorkFolderDialog(this, dataDirectory());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The data files of the open windows are let go before the new folder is filled: the
    // sample data are loaded through the same files.
    dialog->setReleaseCurrent([this] { return closeWindowsAndFiles(); });
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const QString current = dataDirectory();
        if (!switchWorkFolder(dialog->folder()))
            rememberWorkFolder(current);
    });
    dialog->open();
}

bool FrameWindow::closeWindowsAndFiles()
{
    closeSplash();
    m_mdi->closeAllSubWindows();
    if (!m_mdi->subWindowList().isEmpty()) {
        showMessage(QStringLiteral("Закройте открытые окна, чтобы перейти в другую рабочую папку."), kTitle,
                    MessageIcon::Exclamation);
        return false;
    }
    for (DataFile *f : files::all())
        if (f->isOpen())
            f->close();
    return true;
}

bool FrameWindow::switchWorkFolder(const QString &dir)
{
    if (!closeWindowsAndFiles())
        return false;
    if (!QDir::setCurrent(dir)) {
        showMessage(QStringLiteral("Рабочая папка не найдена: %1").arg(QDir::toNativeSeparators(dir)), kTitle,
                    MessageIcon::Exclamation);
        return false;
    }
    setDataDirectory(dir);
    glob::resetGlobals(); // the recipe in hand belonged to the other folder
    showWorkFolder();
    QString error;
    if (!startupBackup(dir, &error))
        showMessage(QStringLiteral("Автоматическая резервная копия не записана: %1").arg(error), kTitle,
                    MessageIcon::Exclamation);
    return true;
}

QAction *FrameWindow::addItem(QMenu *menu, const QString &objectName, const QString &text, const QStringList &help,
                       std::function<void()> action)
{
    menu->setToolTipsVisible(true);
    QAction *item = menu->addAction(text);
    item->setObjectName(objectName);
    setHelp(item, help);
    connect(item, &QAction::triggered, this, [this, action = std::move(action)] { carryOut(action); });
    return item;
}

QAction *FrameWindow::addProcedureItem(QMenu *menu, const QString &procedure, const QString &text, const QStringList &help)
{
    QAction *item = addItem(menu, procedure, text, help, [procedure] { startProcedure(procedure); });
    m_procedureControls.append({item, procedure});
    return item;
}

void FrameWindow::buildToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("Панель"));
    bar->setObjectName(QStringLiteral("TOOLBAR"));
    bar->setMovable(false);

    QToolButton *exit = addToolButton(bar, QStringLiteral("BUTTON10"), QStringLiteral("Выход"), {}, [this] { close(); });
    exit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    exit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addSeparator();

    auto *panel = new QFrame(bar);
    panel->setObjectName(QStringLiteral("PANEL1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(6, 2, 6, 2);
    auto *prompt = new QLabel(QStringLiteral("Результаты:"), panel);
    prompt->setObjectName(QStringLiteral("PROMPT1"));
    panelLayout->addWidget(prompt);
    bar->addWidget(panel);

    QToolButton *tests = addToolButton(bar, QStringLiteral("BUTTON11"), QStringLiteral("Испытания"),
                                       QStringLiteral("Результаты испытаний асфальтобетонов"), [this] { startTests(); });
    m_procedureControls.append({tests, QStringLiteral("MENUTEST")});
    QToolButton *recipes = addToolButton(bar, QStringLiteral("BUTTON9"), QStringLiteral("Рецепты"),
                                         QStringLiteral("База готовых и промежуточных рецептов"),
                                         [] { startProcedure(QStringLiteral("BROUSEPODBOR")); });
    m_procedureControls.append({recipes, QStringLiteral("BROUSEPODBOR")});
    bar->addSeparator();
    QToolButton *design = addToolButton(bar, QStringLiteral("BUTTON8"), QStringLiteral("Новый состав"),
                                        QStringLiteral("Последовательная процедура подбора состава смеси"),
                                        [] { startProcedure(QStringLiteral("PODBOR")); });
    m_procedureControls.append({design, QStringLiteral("PODBOR")});
}

QToolButton *FrameWindow::addToolButton(QToolBar *bar, const QString &objectName, const QString &text, const QString &tip,
                                 std::function<void()> action)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(objectName);
    button->setText(text);
    button->setToolTip(tip);
    button->setStatusTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(button, &QToolButton::clicked, this, [this, action = std::move(action)] { carryOut(action); });
    bar->addWidget(button);
    button->setAutoRaise(false); // after adding: the toolbar makes its buttons flat
    return button;
}

void FrameWindow::updateProcedureActions()
{
    for (const auto &[control, procedure] : std::as_const(m_procedureControls)) {
        const bool available = isProcedureRegistered(procedure);
        if (auto *action = qobject_cast<QAction *>(control))
            action->setEnabled(available);
        else if (auto *button = qobject_cast<QWidget *>(control))
            button->setEnabled(available);
    }
}

void FrameWindow::carryOut(const std::function<void()> &action)
{
    closeSplash();
    action();
}

void FrameWindow::startTests()
{
    if (glob::NUMMER == 0)
        showMessage(QStringLiteral("Выбери рецепт для испытания"));
    startProcedure(QStringLiteral("MENUTEST"));
}

void FrameWindow::printSetup() { openPrinterSetup(this); }

// Lays the minimised children in rows along the bottom of the work area, left to right.
void FrameWindow::arrangeIcons()
{
    const QRect area = m_mdi->viewport()->rect();
    int x = 0, y = area.bottom() + 1, rowHeight = 0;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized())
            continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= rowHeight;
            rowHeight = 0;
        }
        if (rowHeight == 0)
            rowHeight = size.height();
        sub->move(x, y - rowHeight);
        x += size.width();
    }
}

// The size a window opens at: what it was resized to, and never less than its size hint or
// its minimum size (a window placed by hand has no layout to ask for its size).
static QSize openingSize(const QWidget *window)
{
    QSize size = window->sizeHint().expandedTo(window->minimumSize()).expandedTo(window->minimumSizeHint());
    if (window->testAttribute(Qt::WA_Resized))
        size = size.expandedTo(window->size());
    return size.expandedTo(QSize(1, 1));
}

// The width a subwindow needs to show its title whole: the text, its icon and its three buttons.
static int titleWidth(const QMdiSubWindow *sub, const QString &title)
{
    QFont bold = sub->font(); // an active subwindow's title may be drawn bold
    bold.setBold(true);
    const int bar = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    return QFontMetrics(bold).horizontalAdvance(title) + 5 * bar;
}

// Every window opens at its opening size, wholly inside the work area and on top, whatever
// state the other subwindows are in. A window larger than the work area gets a subwindow that
// fits the area, and scrolls inside it.
void FrameWindow::showChild(QWidget *window)
{
    const Qt::WindowFlags hints = window->windowFlags() & ~Qt::WindowType_Mask;
    const QSize wanted = openingSize(window);
    auto *sub = new QMdiSubWindow(nullptr, hints);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    m_mdi->addSubWindow(sub, hints); // now the subwindow knows its frame's margins
    const QMargins margins = sub->contentsMargins();
    // Before the frame is shown its work area has no size yet: nothing to fit then.
    const QSize area = m_mdi->isVisible() ? m_mdi->viewport()->size() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QSize outer = wanted.grownBy(margins);
    outer.setWidth(std::max(outer.width(), titleWidth(sub, window->windowTitle())));
    sub->setWidget(window);
    if (outer.width() > area.width() || outer.height() > area.height()) {
        letScroll(sub);
        outer = outer.boundedTo(area);
    }
    window->installEventFilter(this);
    sub->resize(outer);
    sub->show();
    window->show();
    moveHostedWindow(window, sub->pos()); // where the area placed it, moved inside when needed
    m_mdi->setActiveSubWindow(sub);
    sub->raise();
}

void FrameWindow::restorePlacement()
{
    m_keepsPlacement = true;
    // restoreGeometry() brings a place on a screen that has gone back onto one that is there.
    if (restoreGeometry(QSettings().value(kPlacementKey).toByteArray()))
        return;
    const QRect available = screen()->availableGeometry();
    QRect placed(QPoint(), (QSizeF(available.size()) * kFirstShare).toSize());
    placed.moveCenter(available.center());
    setGeometry(placed);
}

void FrameWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_splashStarted) {
        m_splashStarted = true;
        updateProcedureActions();
        startSplash();
    }
}

// Closing the frame ends the program: every child window gets its close event first (so it
// releases its files as on any other way out), and the frame closes whatever they answer.
void FrameWindow::closeEvent(QCloseEvent *event)
{
    if (m_keepsPlacement)
        QSettings().setValue(kPlacementKey, saveGeometry());
    closeSplash();
    m_mdi->closeAllSubWindows();
    QMainWindow::closeEvent(event);
}

void FrameWindow::startSplash()
{
    m_splash = new SplashWindow(m_mdi, m_splashMilliseconds);
    centreSplash();
    m_splash->show();
    m_splash->raise();
}

void FrameWindow::closeSplash()
{
    if (m_splash)
        m_splash->close();
    m_splash = nullptr;
}

void FrameWindow::centreSplash()
{
    if (!m_splash)
        return;
    QRect r = m_splash->rect();
    r.moveCenter(m_mdi->rect().center());
    m_splash->move(r.topLeft());
}

// Puts a scroll area between the subwindow and its window, so that the subwindow can be
// smaller than the window: the window keeps at least its own minimum size and scrolls.
void FrameWindow::letScroll(QMdiSubWindow *sub)
{
    QWidget *window = sub->widget();
    if (!window || window->objectName() == QLatin1String("SCROLLER"))
        return;
    const QScopedValueRollback<bool> moving(m_rehosting, true); // reparenting hides the window
    const QString title = window->windowTitle();
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("SCROLLER"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(window);
    sub->setWidget(scroll);
    sub->setWindowTitle(title);
    sub->setWindowIcon(window->windowIcon());
    scroll->show(); // now, not when the layout would get round to it
    window->show();
}

// Every shown window gets an equal share of the work area; a window that needs more than its
// share scrolls inside it (the work area neither scrolls nor grows the frame).
void FrameWindow::tileWindows()
{
    QList<QMdiSubWindow *> shown;
    for (QMdiSubWindow *sub : m_mdi->subWindowList())
        if (sub->isVisible() && !sub->isMinimized())
            shown.append(sub);
    if (!shown.isEmpty()) {
        const int n = int(shown.size());
        const int columns = int(std::ceil(std::sqrt(double(n))));
        const int rows = (n + columns - 1) / columns;
        const QSize area = m_mdi->contentsRect().size();
        const QSize tile(area.width() / columns, area.height() / rows);
        for (QMdiSubWindow *sub : shown) {
            const QSize least = sub->minimumSizeHint().expandedTo(sub->minimumSize());
            if (least.width() > tile.width() || least.height() > tile.height())
                letScroll(sub);
        }
    }
    m_mdi->tileSubWindows();
}

bool FrameWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mdi && event->type() == QEvent::Resize)
        centreSplash();
    if (event->type() == QEvent::Hide || event->type() == QEvent::WindowTitleChange)
        if (auto *window = qobject_cast<QWidget *>(watched); window && window != m_mdi)
            childWindowEvent(window, event->type());
    return QMainWindow::eventFilter(watched, event);
}

// A window shown in the frame that closes itself takes its subwindow with it (the window has
// had its close event already, so the subwindow goes without asking it again); a window that
// scrolls inside its subwindow passes its new title on.
void FrameWindow::childWindowEvent(QWidget *window, QEvent::Type type)
{
    auto *sub = qobject_cast<QMdiSubWindow *>(hostFrame(window));
    if (!sub)
        return;
    if (m_rehosting)
        return;
    if (type == QEvent::WindowTitleChange) {
        sub->setWindowTitle(window->windowTitle());
        return;
    }
    if (window->isHidden() && sub->isVisible() && !sub->isMinimized() && !sub->isShaded()) {
        sub->hide();
        sub->deleteLater();
    }
}
