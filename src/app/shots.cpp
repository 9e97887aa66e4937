#include "app/shots.h"

#include "app/frame_window.h"
#include "data/globals.h"
#include "framework/procedures_ui.h"
#include "framework/printer_ui.h"
#include "framework/warnings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

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
    Walk(MAIN *frame, const QString &dir) : m_frame(frame), m_dir(dir) {}

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

    void shot(const QString &name)
    {
        wait(200);
        m_frame->grab().save(m_dir.filePath(QStringLiteral("%1_%2.png").arg(++m_count, 3, 10, QLatin1Char('0')).arg(name)));
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
        grading->resize(grading->size() * 5 / 4); // enlarged by hand: the chart scales
        shot(QStringLiteral("PODBORSUM_enlarged"));
        if (QPushButton *back = button(grading, "CANCEL"))
            back->click();
        wait(100);
    }

    MAIN *m_frame;
    QDir m_dir;
    int m_count = 0;
};

} // namespace

void takeShots(MAIN *frame, const QString &outDir)
{
    QDir().mkpath(outDir);
    static AnsweringSink sink(QDir(outDir).filePath(QStringLiteral("messages.txt")));
    setMessageSink(&sink);
    QTimer::singleShot(500, frame, [frame, outDir] {
        Walk(frame, outDir).run();
        QApplication::quit();
    });
}
