// asphalt_shots OUTDIR WORKDIR: a look at every window as the user sees it inside the frame.
// Opens each window of the menu and toolbar in turn (a list, its insert and change forms, an
// insert form over the list maximised), then several lists tiled and cascaded, writes one PNG
// of the whole 1280x800 frame per step into OUTDIR and ends. Messages are answered with their
// default button and written to OUTDIR/messages.txt. Used by scripts/shots; it links the
// program's libraries and starts the frame as the program does.
#include "app/emblems.h"
#include "app/frame_window.h"
#include "app/startup.h"
#include "framework/messagebox_ui.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/procedures_ui.h"
#include "framework/printer_ui.h"
#include "framework/report_preview_window.h"
#include "framework/warnings.h"

#include <QAction>
#include <QApplication>
#include <cmath>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QScreen>
#include <QTableView>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {

class AnsweringSink final : public MessageSink {
public:
    explicit AnsweringSink(const QString &path) : m_file(path) { m_file.open(QIODevice::WriteOnly | QIODevice::Text); }
    LONG show(const MessageRequest &request) override
    {
        QTextStream(&m_file) << request.caption << ": " << request.text << '\n';
        return request.defaultButton;
    }

private:
    QFile m_file;
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class Walk {
public:
    Walk(FrameWindow *frame, const QString &dir) : m_frame(frame), m_dir(dir) {}

    void run()
    {
        QList<QAction *> items;
        for (QAction *menu : m_frame->menuBar()->actions())
            for (QAction *item : menu->menu()->actions())
                if (isProcedureRegistered(item->objectName()) && item->isEnabled())
                    items.append(item);
        for (QAction *item : items)
            walkWindow(item);
        walkDesign();
        walkBatch();
        walkJournal();
        walkAnalyses();
        listMenu();
        // Several windows at once, tiled and cascaded.
        for (QAction *item : items)
            item->trigger();
        wait(300);
        m_frame->findChild<QAction *>(QStringLiteral("Tile"))->trigger();
        shot(QStringLiteral("tile"));
        m_frame->findChild<QAction *>(QStringLiteral("Cascade"))->trigger();
        shot(QStringLiteral("cascade"));
        m_frame->mdiArea()->closeAllSubWindows();
        wait(100);
        shot(QStringLiteral("closed"));
        // The standard dialogs, each on its own: page set-up, then printing.
        m_frame->findChild<QAction *>(QStringLiteral("PrintSetup"))->trigger();
        dialog(m_frame->findChild<QDialog *>(QStringLiteral("PrintSetupDialog")), QStringLiteral("print_setup"));
        dialog(printWithDialog(m_frame, [](QPrinter &) {}), QStringLiteral("print"));
        superpaveAndBitumen();
        conformityDocuments();
        propertyTrends();
        weighingAndShear();
        recordsTools();
        workFolderAndGuide();
    }

    // The working folder's dialog from the Файл menu, and the guide opened by F1 over a list.
    void workFolderAndGuide()
    {
        m_frame->findChild<QAction *>(QStringLiteral("WorkFolder"))->trigger();
        auto *folders = m_frame->findChild<QDialog *>(QStringLiteral("WORKFOLDER"));
        if (auto *path = folders ? folders->findChild<QLineEdit *>(QStringLiteral("PATH")) : nullptr)
            path->setText(QStringLiteral("/home/lab/Документы/Асфальт")); // the picture of a first start
        dialog(folders, QStringLiteral("WORKFOLDER"));
        // A folder nobody may write to, refused with its reason.
        m_frame->findChild<QAction *>(QStringLiteral("WorkFolder"))->trigger();
        folders = m_frame->findChild<QDialog *>(QStringLiteral("WORKFOLDER"));
        if (auto *path = folders ? folders->findChild<QLineEdit *>(QStringLiteral("PATH")) : nullptr) {
            path->setText(QStringLiteral("/proc"));
            folders->findChild<QPushButton *>(QStringLiteral("OK"))->click();
            dialog(folders, QStringLiteral("WORKFOLDER_refused"));
        }
        startProcedure(QStringLiteral("REG"));
        wait(200);
        m_frame->findChild<QAction *>(QStringLiteral("Guide"))->trigger();
        if (auto *guide = m_frame->findChild<QWidget *>(QStringLiteral("GUIDE"))) {
            wait(300);
            guide->grab().save(m_dir.filePath(QStringLiteral("%1_GUIDE.png").arg(++m_count, 3, 10, QLatin1Char('0'))));
            guide->close();
        }
        m_frame->findChild<QAction *>(QStringLiteral("About"))->trigger();
        area()->closeAllSubWindows();
    }

    // The records tools of the Файл menu: the backup's folder dialog, then the data check on a
    // test record whose recipe is gone, its findings and their printout.
    void recordsTools()
    {
        QTimer::singleShot(600, [this] { // accepted on the folder it opens on
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QFileDialog *>(w); d && d->isVisible()) {
                    d->grab().save(m_dir.filePath(QStringLiteral("%1_backup_folder.png").arg(++m_count, 3, 10, QLatin1Char('0'))));
                    static_cast<QDialog *>(d)->accept();
                }
        });
        m_frame->findChild<QAction *>(QStringLiteral("Backup"))->trigger();
        if (useFile(files::GUR)) {
            GUR = GurRecord();
            GUR.NUMBER = 901;
            GUR.REZNUM = 901;
            GUR.R20 = 2.4;
            files::GUR.add();
            // A test result changed: the prompt for the reason, answered.
            QTimer::singleShot(300, [this] {
                if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                    if (auto *reason = d->findChild<QLineEdit *>(QStringLiteral("Reason")))
                        reason->setText(QStringLiteral("ошибка в записи массы образца"));
                    d->grab().save(m_dir.filePath(QStringLiteral("%1_history_reason.png").arg(++m_count, 3, 10, QLatin1Char('0'))));
                    d->accept();
                }
            });
            GUR.R20 = 2.6;
            files::GUR.put();
            releaseFile(files::GUR);
        }
        m_frame->findChild<QAction *>(QStringLiteral("ChangeJournal"))->trigger();
        shot(QStringLiteral("change_journal"));
        if (QMdiSubWindow *sub = area()->activeSubWindow()) {
            sub->showMaximized();
            shot(QStringLiteral("change_journal_maximised"));
            if (auto *print = sub->findChild<QPushButton *>(QStringLiteral("PrintEntries"))) {
                print->click();
                shot(QStringLiteral("change_journal_preview"));
                savePdf(QStringLiteral("change_journal"));
            }
        }
        area()->closeAllSubWindows();
        wait(100);
        m_frame->findChild<QAction *>(QStringLiteral("CheckData"))->trigger();
        shot(QStringLiteral("data_check"));
        if (QMdiSubWindow *sub = area()->activeSubWindow())
            if (auto *print = sub->findChild<QPushButton *>(QStringLiteral("PrintFindings"))) {
                print->click();
                shot(QStringLiteral("data_check_preview"));
            }
        area()->closeAllSubWindows();
        wait(100);
    }

private:
    QMdiArea *area() const { return m_frame->mdiArea(); }

    // The end of a design: three components graded by Superpave, "Далее" to the bitumen step.
    void superpaveAndBitumen()
    {
        glob::DESIGN = glob::DesignState();
        const REAL gradings[3][11] = {{100, 95, 70, 40, 5, 2, 1.5, 1, 1, 0.8, 0.5},
                                      {100, 100, 100, 100, 95, 80, 60, 40, 20, 8, 3},
                                      {100, 100, 100, 100, 100, 100, 100, 100, 95, 90, 75}};
        const char *names[3] = {"Щебень гранит 5-20", "Песок природный", "Порошок МП-1"};
        const REAL densities[3] = {2.70, 2.65, 2.75};
        glob::NKOMP = 3;
        glob::NUMMP = 3;
        for (int k = 0; k < 3; ++k) {
            glob::DIMNAME[size_t(k)] = QString::fromUtf8(names[k]).left(20);
            glob::ISTDIMYKOMP[size_t(k)] = densities[k];
            for (int i = 0; i < 11; ++i)
                glob::DIMKOMP[size_t(i)][size_t(k)] = gradings[k][i];
        }
        callProcedure(QStringLiteral("PODBORSUPERPAVE"), nullptr, [](LONG) {});
        shot(QStringLiteral("PODBORSUPERPAVE"));
        if (QPushButton *next = button(area()->activeSubWindow(), "OK"))
            next->click();
        shot(QStringLiteral("BITUMRASZ"));
        QMdiSubWindow *bitumen = area()->activeSubWindow();
        if (QPushButton *cost = button(bitumen, "COST")) { // "Оценить стоимость"
            cost->click();
            QMdiSubWindow *prices = area()->activeSubWindow();
            if (auto *price = prices ? prices->findChild<QLineEdit *>(QStringLiteral("COSTBITUM")) : nullptr) {
                price->setFocus(Qt::TabFocusReason);
                price->setText(QStringLiteral("28000"));
                if (auto *next = prices->findChild<QLineEdit *>(QStringLiteral("COSTDOB_KA")))
                    next->setFocus(Qt::TabFocusReason);
            }
            shot(QStringLiteral("COST"));
            if (QPushButton *close = button(prices, "CANCEL"))
                close->click();
            wait(100);
        }
        if (QPushButton *print = button(bitumen, "PRINT")) { // "Распечатать": the form Ф.1
            print->click();
            wait(1500);
            shot(QStringLiteral("OTZET1REZEPT_preview"));
            if (QMdiSubWindow *preview = area()->activeSubWindow(); preview && preview != bitumen) {
                preview->showMaximized();
                shot(QStringLiteral("OTZET1REZEPT_preview_maximised"));
                preview->close();
            }
            wait(100);
        }
        if (QPushButton *save = button(area()->activeSubWindow(), "SAVE")) { // "Сохранить подбор"
            save->click();
            m_frame->activateWindow(); // without a window manager nothing activates it: focus moves nowhere
            wait(100);
            QMdiSubWindow *dialog = area()->activeSubWindow();
            if (auto *number = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("POD_NUM")) : nullptr) {
                number->setFocus();
                number->setText(QStringLiteral("12"));
                number->setModified(true); // as typed
            }
            shot(QStringLiteral("UPDATECILDPODBOR"));
            if (QPushButton *write = button(dialog, "ZAPIS")) {
                write->setFocus(Qt::TabFocusReason); // written as it takes the focus
                write->click();
            }
        }
        m_frame->mdiArea()->closeAllSubWindows();
        wait(100);
        recipes();
    }

    // The recipe list with the recipe just saved: its form, the list maximised.
    void recipes()
    {
        auto *start = m_frame->findChild<QToolButton *>(QStringLiteral("BUTTON9"));
        if (!start || !start->isEnabled())
            return;
        start->click();
        QMdiSubWindow *list = area()->activeSubWindow();
        if (!list)
            return;
        shot(QStringLiteral("BROUSEPODBOR"));
        form(list, "CHANGE", QStringLiteral("UPDATEPODBOR"));
        list->showMaximized();
        shot(QStringLiteral("BROUSEPODBOR_maximised"));
        form(list, "CHANGE", QStringLiteral("UPDATEPODBOR_over_maximised"));
        m_frame->mdiArea()->closeAllSubWindows();
        wait(100);
    }

    // A stored recipe with its weighing and a test record: the approval form "Ф.Д-25" and the test
    // protocol, each with its filter window and its preview.
    void conformityDocuments()
    {
        POD = PodborRecord();
        POD.NUM = 9;
        POD.DATE = dates::today();
        POD.OBEKT = QStringLiteral("РЕЦЕПТ");
        POD.TYPASPH = QStringLiteral("тип Б");
        POD.WIDASPH = QStringLiteral("горячая");
        POD.MARKAASPH = QStringLiteral("II");
        POD.MARKABIT = QStringLiteral("БНД 60/90");
        POD.BIT = 5.8;
        POD.NKOMP = 3;
        const char *names[3] = {"Щебень гранит 5-20", "Песок природный", "Порошок МП-1"};
        const REAL shares[3] = {48, 44, 8}, densities[3] = {2.70, 2.65, 2.75};
        const REAL gradings[3][11] = {{100, 95, 70, 40, 5, 2, 1.5, 1, 1, 0.8, 0.5},
                                      {100, 100, 100, 100, 95, 80, 60, 40, 20, 8, 3},
                                      {100, 100, 100, 100, 100, 100, 100, 100, 95, 90, 75}};
        for (std::size_t k = 0; k < 3; ++k) {
            POD.DIMNAME[k] = QString::fromUtf8(names[k]);
            POD.DIMJKOMP[k] = shares[k];
            POD.ISTYKOMP[k] = densities[k];
            for (std::size_t i = 0; i < 11; ++i) {
                POD.DIMKOMP[i][k] = gradings[k][i];
                POD.PRZRN[i] += gradings[k][i] * shares[k] / 100;
            }
        }
        POD.TREBZRN = {{{90, 100}, {90, 100}, {75, 100}, {62, 100}, {50, 60}, {38, 48}, {28, 37}, {20, 28}, {14, 22}, {10, 16}, {6, 12}}};
        POD.YMINER = 2.69;
        const PodborRecord recipe = POD;
        {
            FileUse podbor(files::PODBOR), obr(files::OBRGIDRO), gur(files::GUR);
            POD = recipe;
            files::PODBOR.add();
            OBR = ObrgidroRecord();
            OBR.NUMMER = 9;
            OBR.PLOT = 2.38;
            OBR.WOD = 2.4;
            files::OBRGIDRO.add();
            GUR = GurRecord();
            GUR.DATE = dates::today();
            GUR.REZNUM = 9;
            GUR.R20 = 3.1, GUR.R50 = 0.85, GUR.R0 = 9.6, GUR.R_RASCOL = 4.1; // R50 under its norm: marked
            GUR.TGFI = 0.86, GUR.C50 = 0.41, GUR.KWOD = 0.92, GUR.KDLIT = 0.84;
            files::GUR.add();
            // A season of tests of recipe 9 and of recipe 10 of the same type, for the control chart.
            for (int k = 0; k < 2; ++k) {
                const int number = 9 + k;
                if (k == 1) {
                    POD = recipe;
                    POD.NUM = number;
                    files::PODBOR.add();
                }
                for (int i = 0; i < 24; ++i) {
                    GUR = GurRecord();
                    GUR.DATE = dates::today() - 7 * (24 - i);
                    GUR.REZNUM = number;
                    GUR.R20 = 3.0 + 0.25 * std::sin(i * 1.3 + k) + 0.02 * i + 0.3 * k;
                    GUR.R50 = 1.15 + 0.12 * std::cos(i * 0.9 + k) - (i == 17 && k == 0 ? 0.35 : 0);
                    GUR.R0 = 9.4, GUR.KWOD = 0.9, GUR.KDLIT = 0.82;
                    files::GUR.add();
                }
            }
        }
        POD = recipe;
        for (const char *name : {"FORMAD_25", "PROTVSE"}) {
            startProcedure(QLatin1String(name));
            shot(QLatin1String(name) + QStringLiteral("_filter"));
            if (QPushButton *ok = button(area()->activeSubWindow(), "OK"))
                ok->click();
            wait(1500);
            shot(QLatin1String(name) + QStringLiteral("_preview"));
            savePdf(QLatin1String(name));
            if (QMdiSubWindow *preview = area()->activeSubWindow())
                preview->showMaximized();
            shot(QLatin1String(name) + QStringLiteral("_preview_maximised"));
            m_frame->mdiArea()->closeAllSubWindows();
            wait(100);
        }
    }

    // "Динамика показателей" of recipe 9 (from the recipe list's button), the whole type side by
    // side, its printout; the test journal with its verdict column.
    void propertyTrends()
    {
        POD = PodborRecord();
        POD.NUM = 9;
        if (!startProcedure(QStringLiteral("BROUSEPODBOR")))
            return;
        QMdiSubWindow *list = area()->activeSubWindow();
        if (QPushButton *trends = button(list, "TRENDS"))
            trends->click();
        QMdiSubWindow *window = area()->activeSubWindow();
        if (!window || window == list)
            return;
        shot(QStringLiteral("PROPERTYTRENDS"));
        if (auto *property = window->findChild<QComboBox *>(QStringLiteral("PROPERTY")))
            property->setCurrentIndex(1); // R50: a point under the norm
        window->showMaximized();
        shot(QStringLiteral("PROPERTYTRENDS_R50_maximised"));
        if (auto *whole = window->findChild<QCheckBox *>(QStringLiteral("WHOLETYPE")))
            whole->setChecked(true);
        shot(QStringLiteral("PROPERTYTRENDS_whole_type"));
        if (auto *whole = window->findChild<QCheckBox *>(QStringLiteral("WHOLETYPE")))
            whole->setChecked(false);
        if (QPushButton *print = button(window, "PRINT"))
            print->click();
        wait(500);
        shot(QStringLiteral("PROPERTYTRENDS_preview"));
        savePdf(QStringLiteral("PROPERTYTRENDS"));
        area()->closeAllSubWindows();
        wait(100);
        glob::NUMMER = 9;
        if (startProcedure(QStringLiteral("BROWSEREZGUR")))
            shot(QStringLiteral("BROWSEREZGUR_verdict"));
        area()->closeAllSubWindows();
        wait(100);
    }

    // The report in the active preview as a PDF beside the shots (its pages are looked at too).
    void savePdf(const QString &name)
    {
        QMdiSubWindow *sub = area()->activeSubWindow();
        if (auto *preview = sub ? sub->findChild<ReportPreviewWindow *>() : nullptr)
            preview->saveAsPdf(m_dir.filePath(name + QStringLiteral(".pdf")));
    }

    // The weighing of recipe 1: the list, the form with the worked weighing evaluated, the
    // protocol; then the shear protocol of a test record of recipe 1 with its conditions.
    void weighingAndShear()
    {
        glob::NUMMER = 1;
        glob::JBITGL = 6;
        glob::YMINER = 2.7;
        if (!startProcedure(QStringLiteral("BROWSEOBR2")))
            return;
        QMdiSubWindow *list = area()->activeSubWindow();
        shot(QStringLiteral("BROWSEOBR2"));
        if (QPushButton *insert = button(list, "INSERT"))
            insert->click();
        QMdiSubWindow *form = area()->activeSubWindow();
        if (form && form != list) {
            m_frame->activateWindow();
            wait(200);
            const char *typed[][2] = {{"OBR_G0", "1200"}, {"OBR_G1", "1205"}, {"OBR_G2", "700"}, {"OBR_G3", "1210"},
                                      {"OBR_G4", "705"}, {"OBR_G01", "1000"}, {"OBR_G11", "1002"}, {"OBR_G21", "1002"}};
            for (const auto &t : typed)
                if (auto *edit = form->findChild<QLineEdit *>(QLatin1String(t[0]))) {
                    edit->setFocus(Qt::TabFocusReason);
                    edit->setText(QLatin1String(t[1]));
                    edit->setModified(true);
                    wait(20);
                }
            if (auto *density = form->findChild<QLineEdit *>(QStringLiteral("OBR_PLOT")))
                density->setFocus(Qt::TabFocusReason);
            shot(QStringLiteral("UPDATEOBR11"));
            if (QPushButton *ok = button(form, "OK"))
                ok->click();
            wait(100);
        }
        shot(QStringLiteral("BROWSEOBR2_stored"));
        if (QPushButton *protocol = button(list, "PROTOCOL")) {
            protocol->click();
            wait(1500);
            shot(QStringLiteral("PROTGIDR_PODBOR"));
            if (QMdiSubWindow *preview = area()->activeSubWindow(); preview && preview != list)
                preview->close();
        }
        area()->closeAllSubWindows();
        wait(100);

        {
            FileUse use(files::GUR);
            GUR = GurRecord();
            GUR.REZNUM = 1;
            GUR.NUMBER = 1;
            GUR.TIP_SM = QStringLiteral("Б");
            GUR.R20 = 5.25;
            GUR.TGFI = 0.85;
            GUR.C50 = 0.3;
            GUR.MPL = 0.2;
            GUR.UPL = 60;
            if (!use.ok() || files::GUR.add() != FileError::None)
                return;
        }
        callProcedure(QStringLiteral("RPTSD"), nullptr, [](LONG) {});
        wait(300);
        shot(QStringLiteral("FILTER1_SELREG1"));
        if (QPushButton *select = button(area()->activeSubWindow(), "SELECT"))
            select->click();
        shot(QStringLiteral("FILTER1"));
        if (QPushButton *ok = button(area()->activeSubWindow(), "OK"))
            ok->click();
        wait(1500);
        shot(QStringLiteral("RPTSD"));
        area()->closeAllSubWindows();
        wait(100);
    }

    void shot(const QString &name)
    {
        wait(200);
        const QString file = QStringLiteral("%1_%2.png").arg(++m_count, 3, 10, QLatin1Char('0')).arg(name);
        m_frame->grab().save(m_dir.filePath(file));
        // Which window each picture shows and where it is in the frame, for the guide's pictures
        // (scripts/guide-images crops them to the window).
        QFile titles(m_dir.filePath(QStringLiteral("titles.txt")));
        if (titles.open(QIODevice::Append | QIODevice::Text)) {
            QMdiSubWindow *active = area()->activeSubWindow();
            const QRect place = active ? QRect(active->mapTo(m_frame, QPoint()), active->size()) : QRect();
            QTextStream(&titles) << file << '\t' << (active ? active->windowTitle() : QString()) << '\t'
                                 << (active && active->widget() ? active->widget()->objectName() : QString()) << '\t'
                                 << place.x() << '\t' << place.y() << '\t' << place.width() << '\t' << place.height()
                                 << '\n';
        }
    }

    void dialog(QDialog *d, const QString &name)
    {
        if (!d)
            return;
        wait(300);
        d->grab().save(m_dir.filePath(QStringLiteral("%1_%2.png").arg(++m_count, 3, 10, QLatin1Char('0')).arg(name)));
        d->reject();
    }

    QPushButton *button(QMdiSubWindow *sub, const char *name)
    {
        auto *b = sub ? sub->findChild<QPushButton *>(QLatin1String(name)) : nullptr;
        return b && b->isVisible() && b->isEnabled() ? b : nullptr;
    }

    // Presses the list's button and shoots the form it opens, then cancels the form.
    void form(QMdiSubWindow *list, const char *buttonName, const QString &name)
    {
        QPushButton *b = button(list, buttonName);
        if (!b) // the second name some lists give their buttons
            b = button(list, qPrintable(QLatin1String(buttonName) + QStringLiteral("_2")));
        if (!b)
            return;
        b->click();
        QMdiSubWindow *form = area()->activeSubWindow();
        if (!form || form == list)
            return;
        shot(name);
        form->resize(form->size() * 3 / 2); // enlarged by hand
        shot(name + QStringLiteral("_enlarged"));
        if (QPushButton *cancel = button(form, "CANCEL"))
            cancel->click();
        else
            form->close();
        wait(100);
    }

    void walkWindow(QAction *item)
    {
        const QString name = item->objectName();
        item->trigger();
        QMdiSubWindow *list = area()->activeSubWindow();
        if (!list)
            return;
        shot(name);
        form(list, "INSERT", name + QStringLiteral("_insert"));
        form(list, "CHANGE", name + QStringLiteral("_change"));
        if (QPushButton *report = button(list, "LIST")) { // a report's preview
            report->click();
            wait(1500);
            if (QMdiSubWindow *preview = area()->activeSubWindow(); preview && preview != list) {
                shot(name + QStringLiteral("_report"));
                preview->close();
            }
        }
        list->showMaximized();
        shot(name + QStringLiteral("_maximised"));
        form(list, "INSERT", name + QStringLiteral("_insert_over_maximised"));
        list->showNormal();
        if (QPushButton *close = button(list, "CLOSE"))
            close->click();
        else
            list->close();
        shot(name + QStringLiteral("_closed"));
    }

    // A material's sieve analyses from the crushed-stone list: the list, a new analysis, and
    // "Принять как основной" over a list maximised.
    void walkAnalyses()
    {
        if (!startProcedure(QStringLiteral("BROUSESPLIT")))
            return;
        QMdiSubWindow *stones = area()->activeSubWindow();
        QPushButton *analyses = button(stones, "ANALYSES");
        if (!analyses)
            return;
        analyses->click();
        QMdiSubWindow *list = area()->activeSubWindow();
        if (!list || list == stones)
            return;
        shot(QStringLiteral("BROUSEANALIZ"));
        form(list, "INSERT", QStringLiteral("BROUSEANALIZ_insert"));
        list->showMaximized();
        form(list, "ACCEPT", QStringLiteral("BROUSEANALIZ_accept_over_maximised"));
        area()->closeAllSubWindows();
        wait(100);
    }

    // The popup menu of a list (right button on its second row), with "Экспорт в CSV...": the
    // menu is a window of its own, so the screen is grabbed.
    void listMenu()
    {
        if (!startProcedure(QStringLiteral("BROUSESPLIT")))
            return;
        QMdiSubWindow *list = area()->activeSubWindow();
        auto *table = list ? list->findChild<QTableView *>(QStringLiteral("BROWSE_1")) : nullptr;
        if (!table)
            return;
        wait(200);
        const QPoint at = table->visualRect(table->model()->index(1, 1)).center();
        emit table->customContextMenuRequested(at);
        wait(300);
        if (QScreen *screen = QGuiApplication::primaryScreen())
            screen->grabWindow(0).save(
                m_dir.filePath(QStringLiteral("%1_BROUSESPLIT_menu.png").arg(++m_count, 3, 10, QLatin1Char('0'))));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QAction *csv = menu ? menu->findChild<QAction *>(QStringLiteral("EXPORTCSV")) : nullptr;
        QAction *history = menu ? menu->findChild<QAction *>(QStringLiteral("HISTORY")) : nullptr;
        if (menu)
            menu->close();
        if (history) { // the highlighted stone's history, beside its list
            history->trigger();
            shot(QStringLiteral("BROUSESPLIT_history"));
            if (QMdiSubWindow *shown = area()->activeSubWindow(); shown && shown != list)
                shown->close();
            wait(100);
        }
        if (csv) { // the save dialog with the suggested name, then Cancel
            QTimer::singleShot(800, [this] {
                if (QScreen *screen = QGuiApplication::primaryScreen())
                    screen->grabWindow(0).save(m_dir.filePath(
                        QStringLiteral("%1_BROUSESPLIT_csv_dialog.png").arg(++m_count, 3, 10, QLatin1Char('0'))));
                if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                    d->reject();
            });
            csv->trigger();
        }
        area()->closeAllSubWindows();
        wait(100);
    }

    // Picks an entry of a drop list as a user would.
    static void pick(QMdiSubWindow *sub, const char *list, const QString &entry)
    {
        auto *combo = sub->findChild<QComboBox *>(QLatin1String(list));
        const int index = combo ? combo->findText(entry) : -1;
        if (index < 0)
            return;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    // A new design: the selection with a band and four components, then the grading window.
    void walkDesign()
    {
        auto *start = m_frame->findChild<QToolButton *>(QStringLiteral("BUTTON8"));
        if (!start || !start->isEnabled())
            return;
        start->click();
        QMdiSubWindow *selection = area()->activeSubWindow();
        if (!selection)
            return;
        if (auto *grade = selection->findChild<QRadioButton *>(QStringLiteral("MARKA_2")))
            grade->click();
        pick(selection, "NOR_TYPASPH", QStringLiteral("тип Б"));
        if (auto *stone = selection->findChild<QLineEdit *>(QStringLiteral("SPL1"))) {
            glob::SPL1 = QStringLiteral("Щебень гранит 5-10");
            stone->setFocus(Qt::TabFocusReason); // entering the field appends the stone
        }
        pick(selection, "OTS_NAIMEN", QStringLiteral("Отсев гранитный 0-5"));
        pick(selection, "SAN_NAIMEN", QStringLiteral("Песок речной"));
        pick(selection, "FIL_NAIMEN", QStringLiteral("МП-1 известняковый"));
        shot(QStringLiteral("PODBOR"));
        QPushButton *next = button(selection, "BUTTON3");
        if (!next)
            return;
        next->click();
        wait(300);
        QMdiSubWindow *grading = area()->activeSubWindow();
        if (!grading || grading == selection)
            return;
        shot(QStringLiteral("PODBORSUM"));
        if (QPushButton *variants = button(grading, "VARIANTS")) {
            variants->click();
            dialog(grading->findChild<QDialog *>(QStringLiteral("ALTERNATIVES")), QStringLiteral("PODBORSUM_variants"));
        }
        if (QPushButton *robust = button(grading, "ROBUST")) {
            robust->click();
            for (QDialog *d : grading->findChildren<QDialog *>(QStringLiteral("ALTERNATIVES")))
                if (d->isVisible()) // the list of variants closed before may not be deleted yet
                    dialog(d, QStringLiteral("PODBORSUM_robust"));
        }
        grading->resize(grading->size() * 5 / 4); // enlarged by hand: the chart scales
        shot(QStringLiteral("PODBORSUM_enlarged"));
        // The envelope ticked, on to the bitumen step and its form Ф.1, kept as a PDF too.
        if (auto *envelope = grading->findChild<QAbstractButton *>(QStringLiteral("ENVELOPE")))
            envelope->click();
        QPushButton *onward = button(grading, "OK");
        if (!onward)
            return;
        onward->click();
        wait(300);
        QMdiSubWindow *bitumen = area()->activeSubWindow();
        if (QPushButton *print = button(bitumen, "PRINT")) {
            print->click();
            wait(1500);
            if (QMdiSubWindow *preview = area()->activeSubWindow(); preview && preview != bitumen) {
                preview->showMaximized();
                shot(QStringLiteral("OTZET1REZEPT_envelope_preview"));
                if (auto *window = preview->findChild<ReportPreviewWindow *>())
                    window->saveAsPdf(m_dir.filePath(QStringLiteral("OTZET1REZEPT_envelope.pdf")));
            }
        }
        area()->closeAllSubWindows();
        wait(100);
    }

    // A recipe's batch for the mixers, as the recipe list starts it; its print menu and both
    // printed recipes.
    void walkBatch()
    {
        POD = PodborRecord();
        POD.NUM = 1;
        POD.TYPASPH = QStringLiteral("Б");
        POD.PRZRN = {100, 95, 85, 70, 50, 35, 25, 18, 13, 9, 6};
        POD.JMP = 6;
        POD.BIT = 6;
        POD.DIMNAME[0] = QStringLiteral("Щебень гранит 5-20");
        POD.DIMNAME[1] = QStringLiteral("Песок речной");
        POD.DIMNAME[2] = QStringLiteral("МП-1 известняковый");
        POD.FILLER1 = POD.DIMNAME[2];
        POD.DIMJKOMP = {60, 34, 6, 0, 0, 0};
        POD.DIMKOMP[10] = {1, 10, 80, 0, 0, 0};
        if (!startProcedure(QStringLiteral("GROHOTBROWSE1")))
            return;
        QMdiSubWindow *list = area()->activeSubWindow();
        shot(QStringLiteral("GROHOTBROWSE1"));
        QPushButton *print = button(list, "PRINT");
        if (!print)
            return;
        print->click();
        QMdiSubWindow *menu = area()->activeSubWindow();
        shot(QStringLiteral("MENU_ZAMES"));
        for (const char *report : {"RPT_GROHOT", "REZCBITSWERH100"}) {
            QPushButton *yes = button(menu, report);
            if (!yes)
                continue;
            yes->click();
            wait(1500);
            if (QMdiSubWindow *preview = area()->activeSubWindow(); preview && preview != menu) {
                shot(QLatin1String(report));
                preview->close();
                wait(100);
            }
        }
        if (QAction *exit = menu->findChild<QAction *>(QStringLiteral("EXIT")))
            exit->trigger(); // the menu first: the list waits for it
        wait(100);
        if (QPushButton *back = button(list, "CLOSE"))
            back->click();
        wait(100);
    }

    // Types readings into a form as the user does: each field entered with Tab and left for the
    // next; a field without a text is only passed through.
    static void typeReadings(QMdiSubWindow *form, const std::vector<std::pair<const char *, const char *>> &readings)
    {
        for (const auto &[name, text] : readings)
            if (auto *e = form->findChild<QLineEdit *>(QLatin1String(name))) {
                e->setFocus(Qt::TabFocusReason);
                if (*text) {
                    e->selectAll();
                    e->insert(QString::fromUtf8(text));
                }
            }
    }

    // The test journal of recipe 5: "Испытания", the menu's second button, a record typed in.
    void walkJournal()
    {
        auto *start = m_frame->findChild<QToolButton *>(QStringLiteral("BUTTON11"));
        if (!start || !start->isEnabled())
            return;
        POD = PodborRecord();
        POD.NUM = 5;
        POD.OBEKT = QStringLiteral("Обход г. Тверь");
        POD.TYPASPH = QStringLiteral("тип Б");
        glob::NUMMER = 5;
        start->click();
        QMdiSubWindow *menu = area()->activeSubWindow();
        shot(QStringLiteral("MENUTEST"));
        QPushButton *open = button(menu, "BUTTON2");
        if (!open)
            return;
        open->click();
        QMdiSubWindow *list = area()->activeSubWindow();
        if (!list || list == menu || !button(list, "INSERT"))
            return;
        button(list, "INSERT")->click();
        QMdiSubWindow *journal = area()->activeSubWindow();
        if (!journal || journal == list)
            return;
        shot(QStringLiteral("UPDATEREZGUR_insert"));
        typeReadings(journal, {{"GUR_US1_50", "4"},    {"GUR_TS1_50", "2"},     {"GUR_US2_50", "4.2"}, {"GUR_TS2_50", "2.1"},
                            {"GUR_US3_50", "3.9"},  {"GUR_TS3_50", "1.9"},   {"GUR_UM1", "8"},      {"GUR_TM1", "2.5"},
                            {"GUR_UM2", "8.3"},     {"GUR_TM2", "2.4"},      {"GUR_UM3", "7.9"},    {"GUR_TM3", "2.6"},
                            {"GUR_TM4", ""},        {"GUR_US1_3_50", "3.6"}, {"GUR_TS1_3_50", "40"},
                            {"GUR_US2_3_50", "3.8"}, {"GUR_TS2_3_50", "42"},  {"GUR_US3_3_50", ""},
                            {"GUR_R50", ""},        {"GUR_US1_3_20", "12"},  {"GUR_US2_3_20", "13"},
                            {"GUR_US3_3_20", ""},   {"GUR_R20", ""},         {"GUR_US1_3_0", "36"},
                            {"GUR_US2_3_0", "38"},  {"GUR_US3_3_0", ""},     {"GUR_RASCOL1", "12"},
                            {"GUR_RASCOL2", "13"},  {"GUR_RASCOL3", ""}});
        shot(QStringLiteral("UPDATEREZGUR_typed"));
        if (auto *sheet = journal->findChild<QTabWidget *>(QStringLiteral("SHEET"))) {
            sheet->setCurrentIndex(1);
            typeReadings(journal, {{"GUR_USWOD1", "11"}, {"GUR_USWOD2", "11.5"}, {"GUR_USWOD3", ""}, {"GUR_RWOD", ""},
                                {"GUR_KWOD", ""}});
            shot(QStringLiteral("UPDATEREZGUR_typed_page2"));
        }
        if (QPushButton *ok = button(journal, "OK"))
            ok->click();
        wait(200);
        shot(QStringLiteral("BROWSEREZGUR"));
        list->showMaximized();
        form(list, "CHANGE", QStringLiteral("UPDATEREZGUR_change_over_maximised"));
        m_frame->mdiArea()->closeAllSubWindows();
        wait(100);
    }

    FrameWindow *m_frame;
    QDir m_dir;
    int m_count = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("asphalt"));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: asphalt_shots OUTDIR WORKDIR\n");
        return 2;
    }
    const QString outDir = QFileInfo(args.at(1)).absoluteFilePath();
    if (!QDir::setCurrent(args.at(2))) {
        std::fprintf(stderr, "working directory not found: %s\n", qUtf8Printable(args.at(2)));
        return 1;
    }
    glob::resetGlobals();
    loadQtTranslations();
    installMessageBoxSink(FrameWindow::kTitle);
    registerProgramProcedures();
    QApplication::setWindowIcon(applicationIcon());
    FrameWindow frame;
    frame.setGeometry(0, 0, 1280, 800);

    QDir().mkpath(outDir);
    AnsweringSink sink(QDir(outDir).filePath(QStringLiteral("messages.txt")));
    setMessageSink(&sink);
    QTimer::singleShot(500, &frame, [&frame, outDir] {
        Walk(&frame, outDir).run();
        QApplication::quit();
    });
    frame.show();
    return QApplication::exec();
}
