// Every window of the program opened in the real frame (MAIN at 1280x800, all procedures
// registered, data files in a temporary working directory): where it opens, how large, what of
// it can be seen, and that closing it closes its subwindow; a list takes the keyboard as it
// opens, a form or preview closed gives the window back to its opener, the widest lists keep
// their buttons in view.
#include "app/frame_window.h"
#include "framework/procedures_ui.h"
#include "app/startup.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/list_window.h"
#include "framework/printer_ui.h"
#include "framework/report_preview_window.h"
#include "support/fake_sink.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QStyleOption>
#include <QTest>
#include <QTableView>
#include <QScrollBar>
#include <QRegularExpression>
#include <QHeaderView>
#include <QToolButton>

namespace {

// The window a subwindow shows: its widget, or the widget of the scroll area between them.
QWidget *windowIn(QMdiSubWindow *sub)
{
    if (auto *scroll = qobject_cast<QScrollArea *>(sub->widget()))
        return scroll->widget();
    return sub->widget();
}

QPushButton *usableButton(QWidget *window, const char *name)
{
    auto *b = window->findChild<QPushButton *>(QLatin1String(name));
    return b && b->isVisibleTo(window) && b->isEnabled() ? b : nullptr;
}

// Whole in view: not cut off by any of the widgets that hold it, up to the work area.
bool wholeInView(QWidget *w, QWidget *area)
{
    QRect r = w->rect();
    for (QWidget *p = w; p != area && p->parentWidget(); p = p->parentWidget()) {
        r.translate(p->pos());
        if (!p->parentWidget()->rect().contains(r))
            return false;
    }
    return true;
}

void addRequirement(const char *type)
{
    FileUse use(files::NORMA);
    files::NORMA.buffer().clear();
    NOR.TYPASPH = QString::fromUtf8(type);
    QCOMPARE(files::NORMA.add(), FileError::None);
}

} // namespace

class TestWindowsInFrame : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;
    FrameWindow *m_frame = nullptr;

    QMdiArea *area() const { return m_frame->mdiArea(); }
    QAction *item(const QString &name) const { return m_frame->findChild<QAction *>(name); }

    QMdiSubWindow *start(const char *procedure)
    {
        if (!startProcedure(QLatin1String(procedure)))
            return nullptr;
        QMdiSubWindow *sub = area()->activeSubWindow();
        return sub && windowIn(sub)->objectName() == QLatin1String(procedure) ? sub : nullptr;
    }

    // The procedures of the menus, in menu order, that are built.
    QStringList registeredItems() const
    {
        QStringList names;
        for (QAction *menu : m_frame->menuBar()->actions())
            for (QAction *a : menu->menu()->actions())
                if (isProcedureRegistered(a->objectName()))
                    names.append(a->objectName());
        return names;
    }

    // The subwindow lies inside the work area, on top and active; it shows the window at least
    // at its size hint (the subwindow then fits it whole) or, when the window is larger than
    // the area, fills at most the area and scrolls; every control the window shows lies inside it.
    void checkWhole(QMdiSubWindow *sub, const QString &what)
    {
        QVERIFY2(sub, qPrintable(what));
        const QRect areaRect = area()->viewport()->rect();
        QVERIFY2(areaRect.contains(sub->geometry()), qPrintable(what + QStringLiteral(": subwindow outside the area")));
        QCOMPARE(area()->activeSubWindow(), sub);
        QCOMPARE(area()->subWindowList(QMdiArea::StackingOrder).last(), sub);

        QStyleOptionTitleBar bar; // the title whole, unless the subwindow is as wide as the area
        bar.initFrom(sub);
        bar.text = sub->windowTitle();
        bar.subControls = QStyle::SC_All;
        bar.titleBarFlags = sub->windowFlags();
        bar.rect = QRect(0, 0, sub->width(), sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, sub));
        const QRect label = sub->style()->subControlRect(QStyle::CC_TitleBar, &bar, QStyle::SC_TitleBarLabel, sub);
        QVERIFY2(label.width() >= sub->fontMetrics().horizontalAdvance(bar.text) || sub->width() >= areaRect.width() - 1,
                 qPrintable(what + QStringLiteral(": title cut")));

        QWidget *window = windowIn(sub);
        QVERIFY2(window && window->isVisible(), qPrintable(what));
        const QSize hint = window->sizeHint();
        QVERIFY2(window->width() >= hint.width() && window->height() >= hint.height(),
                 qPrintable(what + QStringLiteral(": below its size hint")));
        if (qobject_cast<QScrollArea *>(sub->widget())) { // scrolls only because it does not fit
            const QSize needed = hint.grownBy(sub->contentsMargins());
            QVERIFY2(needed.width() > areaRect.width() || needed.height() > areaRect.height(), qPrintable(what));
        } else
            QVERIFY2(sub->contentsRect().contains(window->geometry()), qPrintable(what));
        const QRect shown = window->rect();
        for (QWidget *control : window->findChildren<QWidget *>()) {
            if (!control->isVisibleTo(window) || control->isWindow())
                continue;
            const QRect at(control->mapTo(window, QPoint(0, 0)), control->size());
            QVERIFY2(shown.contains(at), qPrintable(what + QStringLiteral(": outside: ") + control->objectName()));
        }
    }

    // Opens the list's update form with `buttonName` (or its second name, "INSERT_2") and checks it
    // like any window; returns its subwindow.
    QMdiSubWindow *openForm(QMdiSubWindow *list, const char *buttonName, const QString &what)
    {
        QPushButton *button = usableButton(windowIn(list), buttonName);
        if (!button)
            button = usableButton(windowIn(list), qPrintable(QLatin1String(buttonName) + QStringLiteral("_2")));
        if (!button)
            return nullptr;
        const auto before = area()->subWindowList().size();
        button->click();
        if (area()->subWindowList().size() != before + 1)
            return nullptr;
        QMdiSubWindow *form = area()->activeSubWindow();
        checkWhole(form, what);
        if (QTest::currentTestFailed())
            return nullptr;
        // The list waits for its form, greyed; the form itself is usable.
        if (!list->isEnabled() && form->isEnabled() && windowIn(form)->isEnabled())
            return form;
        QTest::qFail(qPrintable(what + QStringLiteral(": form or list in the wrong state")), __FILE__, __LINE__);
        return nullptr;
    }

    // Cancel closes the form's subwindow and gives the list back.
    void cancelForm(QMdiSubWindow *list, QMdiSubWindow *form, const QString &what)
    {
        QPointer<QMdiSubWindow> gone = form;
        QPushButton *cancel = usableButton(windowIn(form), "CANCEL");
        QVERIFY2(cancel, qPrintable(what));
        cancel->click();
        QTRY_VERIFY2(!gone, qPrintable(what + QStringLiteral(": the form's subwindow stays")));
        QVERIFY(list->isEnabled());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
        glob::resetGlobals();
        setMessageSink(&m_sink);
        QVERIFY(loadQtTranslations());
        registerProgramProcedures();
        m_frame = new FrameWindow(nullptr, 60000);
        m_frame->setGeometry(0, 0, 1280, 800);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame));
        m_frame->findChild<QAction *>(QStringLiteral("Cascade"))->trigger(); // the splash goes
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame));
    }

    void cleanupTestCase()
    {
        delete m_frame;
        setMessageSink(nullptr);
    }

    void cleanup()
    {
        area()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(area()->subWindowList().size(), 0);
    }

    // Each list, its insert form from the list as opened and from the list maximised, and the
    // list's own "Закрыть" (which takes its subwindow along).
    void everyWindowOpensWhole_data()
    {
        QTest::addColumn<QString>("procedure");
        const QStringList names = registeredItems();
        QVERIFY(names.size() >= 11);
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyWindowOpensWhole()
    {
        QFETCH(QString, procedure);
        const QSize frameSize = m_frame->size();
        QAction *menuItem = item(procedure);
        QVERIFY(menuItem->isEnabled());
        menuItem->trigger();
        QCOMPARE(area()->subWindowList().size(), 1);
        QMdiSubWindow *list = area()->activeSubWindow();
        checkWhole(list, procedure);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(list->windowTitle(), windowIn(list)->windowTitle());

        if (QMdiSubWindow *form = openForm(list, "INSERT", procedure + QStringLiteral(" insert"))) {
            cancelForm(list, form, procedure);
            if (QTest::currentTestFailed())
                return;
            list->showMaximized();
            form = openForm(list, "INSERT", procedure + QStringLiteral(" insert over the maximised list"));
            QVERIFY(form);
            cancelForm(list, form, procedure);
            if (QTest::currentTestFailed())
                return;
            QVERIFY(list->isMaximized()); // the list stays as the user left it
            list->showNormal();
        }
        QCOMPARE(m_frame->size(), frameSize);

        QPointer<QMdiSubWindow> gone = list;
        QVERIFY(usableButton(windowIn(list), "CLOSE"));
        usableButton(windowIn(list), "CLOSE")->click();
        QTRY_VERIFY2(!gone, "Закрыть leaves the subwindow");
        QCOMPARE(area()->subWindowList().size(), 0);
    }

    // The design steps called by name (no menu starts them) open whole over their caller's window.
    void calledDesignStepsOpenWhole()
    {
        glob::DESIGN = glob::DesignState();
        glob::NKOMP = 2;
        for (int i = 0; i < 11; ++i)
            glob::DIMKOMP[size_t(i)] = {100.0 - 9 * i, 100.0 - 4 * i, 0, 0, 0, 0};
        glob::ISTDIMYKOMP = {2.7, 2.65, 0, 0, 0, 0};
        QVERIFY(callProcedure(QStringLiteral("PODBORSUPERPAVE"), nullptr, [](LONG) {}));
        QMdiSubWindow *superpave = area()->activeSubWindow();
        checkWhole(superpave, QStringLiteral("PODBORSUPERPAVE"));
        usableButton(windowIn(superpave), "OK")->click(); // "Далее": the bitumen step over it
        QMdiSubWindow *bitumen = area()->activeSubWindow();
        checkWhole(bitumen, QStringLiteral("BITUMRASZ"));
        QVERIFY(bitumen != superpave && !superpave->isEnabled());
        usableButton(windowIn(bitumen), "COST")->click(); // "Оценить стоимость" over the bitumen step
        checkWhole(area()->activeSubWindow(), QStringLiteral("COST"));
        QVERIFY(area()->activeSubWindow() != bitumen && !bitumen->isEnabled());
        QPointer<QMdiSubWindow> cost = area()->activeSubWindow();
        usableButton(windowIn(cost), "CANCEL")->click();
        QTRY_VERIFY(!cost && bitumen->isEnabled());
        usableButton(windowIn(bitumen), "SAVE")->click(); // "Сохранить подбор"
        checkWhole(area()->activeSubWindow(), QStringLiteral("UPDATECILDPODBOR"));
        QVERIFY(area()->activeSubWindow() != bitumen && !bitumen->isEnabled());
    }

    // The mixer batch recipe, started by name as the recipe list starts it: whole, with the
    // mixer form (reached by name) over it and its print menu over it.
    void batchRecipeOpensWhole()
    {
        POD = PodborRecord();
        POD.PRZRN = {100, 95, 85, 70, 50, 35, 25, 18, 13, 9, 6};
        QVERIFY(startProcedure(QStringLiteral("GROHOTBROWSE1")));
        QMdiSubWindow *list = area()->activeSubWindow();
        checkWhole(list, QStringLiteral("GROHOTBROWSE1"));
        QMdiSubWindow *form = openForm(list, "INSERT", QStringLiteral("GROHOTBROWSE1 insert"));
        QVERIFY(form);
        cancelForm(list, form, QStringLiteral("GROHOTBROWSE1"));
        QVERIFY(usableButton(windowIn(list), "PRINT"));
        usableButton(windowIn(list), "PRINT")->click();
        QPointer<QMdiSubWindow> menu = area()->activeSubWindow();
        QVERIFY(menu != list);
        checkWhole(menu, QStringLiteral("MENU_ZAMES"));
        QVERIFY(!list->isEnabled());
        windowIn(menu)->findChild<QAction *>(QStringLiteral("EXIT"))->trigger();
        QTRY_VERIFY(!menu);
        QVERIFY(list->isEnabled());
        usableButton(windowIn(list), "CLOSE")->click();
    }

    // The conformity documents ask for the zone (and grade) in a window that opens whole; with
    // no record of the recipe nothing is printed and nothing is left open.
    void conformityFiltersOpenWhole()
    {
        for (const char *name : {"PROTVSE", "FORMAD_25"}) {
            QVERIFY(startProcedure(QLatin1String(name)));
            QMdiSubWindow *filter = area()->activeSubWindow();
            checkWhole(filter, QLatin1String(name));
            if (QTest::currentTestFailed())
                return;
            usableButton(windowIn(filter), "OK")->click();
            QTRY_COMPARE(area()->subWindowList().size(), 0);
        }
    }

    // The weighing list of a recipe and its form; the operating conditions with the region's
    // choice called over them at once, then on their own when the choice is closed.
    void testWindowsOpenWhole()
    {
        glob::NUMMER = 1;
        QVERIFY(startProcedure(QStringLiteral("BROWSEOBR2")));
        QMdiSubWindow *list = area()->activeSubWindow();
        checkWhole(list, QStringLiteral("BROWSEOBR2"));
        QMdiSubWindow *form = openForm(list, "INSERT", QStringLiteral("UPDATEOBR11"));
        QVERIFY(form);
        cancelForm(list, form, QStringLiteral("UPDATEOBR11"));

        QVERIFY(callProcedure(QStringLiteral("FILTER1"), nullptr, [](LONG) {}));
        QTRY_COMPARE(windowIn(area()->activeSubWindow())->objectName(), QStringLiteral("SELREG1"));
        QMdiSubWindow *regions = area()->activeSubWindow();
        checkWhole(regions, QStringLiteral("SELREG1"));
        QPointer<QMdiSubWindow> gone = regions;
        usableButton(windowIn(regions), "CLOSE")->click();
        QTRY_VERIFY(!gone);
        QMdiSubWindow *filter = area()->activeSubWindow();
        checkWhole(filter, QStringLiteral("FILTER1"));
        QCOMPARE(filter->windowTitle(), QStringLiteral("Условия эксплуатации"));
        gone = filter;
        usableButton(windowIn(filter), "OK")->click();
        QTRY_VERIFY(!gone);
    }

    // The recipe list from the toolbar's "Рецепты"; its form over the list as opened and maximised.
    void recipeListOpensWhole()
    {
        m_frame->findChild<QToolButton *>(QStringLiteral("BUTTON9"))->click();
        QMdiSubWindow *list = area()->activeSubWindow();
        checkWhole(list, QStringLiteral("BROUSEPODBOR"));
        for (bool maximised : {false, true}) {
            if (maximised)
                list->showMaximized();
            QMdiSubWindow *form = openForm(list, "INSERT", QStringLiteral("UPDATEPODBOR"));
            QVERIFY(form);
            cancelForm(list, form, QStringLiteral("UPDATEPODBOR"));
        }
    }

    // Each window the recipe list starts opens whole on the highlighted recipe (number 300, above
    // what a byte holds), loaded into the design state as it starts.
    void recipeListStartsItsWindowsOnTheRecipe()
    {
        {
            FileUse recipes(files::PODBOR);
            files::PODBOR.buffer().clear();
            POD.NUM = 300;
            POD.BIT = 6.5;
            POD.TYPASPH = QStringLiteral("тип Б");
            QCOMPARE(files::PODBOR.add(), FileError::None);
        }
        m_frame->findChild<QToolButton *>(QStringLiteral("BUTTON9"))->click();
        QMdiSubWindow *list = area()->activeSubWindow();
        const std::pair<const char *, const char *> started[] = {
            {"TEST", "MENUTEST"}, {"ZAMES", "GROHOTBROWSE1"}, {"FORMAD25", "FORMAD_25"}, {"FORM1", "DUBLOTZET1REZEPT"}};
        for (const auto &[button, window] : started) {
            glob::JBITGL = 0;
            POD = PodborRecord(); // another recipe in the buffer: the button reads the highlighted one again
            QVERIFY2(usableButton(windowIn(list), button), button);
            usableButton(windowIn(list), button)->click();
            QTRY_VERIFY2(area()->activeSubWindow() != list, window);
            QCOMPARE(glob::JBITGL, 6.5);
            if (QLatin1String(window) != QLatin1String("GROHOTBROWSE1")) // which sets NUMMER to its mixer
                QCOMPARE(glob::NUMMER, 300.0);
            if (QLatin1String(window) == QLatin1String("DUBLOTZET1REZEPT")) // a report: progress, then preview
                QTRY_VERIFY(qobject_cast<ReportPreviewWindow *>(windowIn(area()->activeSubWindow())));
            else
                checkWhole(area()->activeSubWindow(), QLatin1String(window));
            for (QMdiSubWindow *w : area()->subWindowList())
                if (w != list)
                    w->close();
            QTRY_COMPARE(area()->subWindowList().size(), 1);
            QVERIFY(list->isEnabled());
        }
        list->close();
    }

    // The design steps: "Новый состав" opens the component selection whole, its "Далее" (with a
    // component chosen) the grading window in its place; "Назад" closes that.
    void designWindowsOpenWhole()
    {
        {
            FileUse use(files::FILLER);
            FIL = FillerRecord();
            FIL.NAIMEN = QStringLiteral("МП-1");
            FIL.PLOTN = 2.7;
            QCOMPARE(files::FILLER.add(), FileError::None);
        }
        auto *button = m_frame->findChild<QToolButton *>(QStringLiteral("BUTTON8"));
        QVERIFY(button && button->isEnabled());
        button->click();
        QCOMPARE(area()->subWindowList().size(), 1);
        QPointer<QMdiSubWindow> selection = area()->activeSubWindow();
        checkWhole(selection, QStringLiteral("PODBOR"));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(selection->windowTitle(), QStringLiteral("Выбери и исходные компоненты и нужную смесь"));
        auto *powder = selection->findChild<QComboBox *>(QStringLiteral("FIL_NAIMEN"));
        QVERIFY(powder && powder->count() == 1);
        powder->setCurrentIndex(0);
        emit powder->activated(0); // as a click on the entry
        usableButton(windowIn(selection), "BUTTON3")->click();
        QTRY_VERIFY(!selection);
        QCOMPARE(area()->subWindowList().size(), 1);
        QMdiSubWindow *grading = area()->activeSubWindow();
        checkWhole(grading, QStringLiteral("PODBORSUM"));
        if (QTest::currentTestFailed())
            return;
        QPointer<QMdiSubWindow> gone = grading;
        usableButton(windowIn(grading), "CANCEL")->click();
        QTRY_VERIFY(!gone);
    }

    // "Испытания" opens the test menu; its second button the recipe's test list, whose form
    // shows both its pages whole. Called by name, the list holds its caller.
    void journalWindowsOpenWhole()
    {
        POD = PodborRecord();
        POD.NUM = 5;
        glob::NUMMER = 5;
        m_frame->findChild<QToolButton *>(QStringLiteral("BUTTON11"))->click();
        QMdiSubWindow *menu = area()->activeSubWindow();
        checkWhole(menu, QStringLiteral("MENUTEST"));
        QCOMPARE(menu->windowTitle(), QStringLiteral("Ввести результаты испытаний"));
        QVERIFY(usableButton(windowIn(menu), "BUTTON2"));
        usableButton(windowIn(menu), "BUTTON2")->click();
        QMdiSubWindow *list = area()->activeSubWindow();
        QVERIFY(list != menu);
        checkWhole(list, QStringLiteral("BROWSEREZGUR"));
        QMdiSubWindow *form = openForm(list, "INSERT", QStringLiteral("UPDATEREZGUR"));
        QVERIFY(form);
        windowIn(form)->findChild<QTabWidget *>(QStringLiteral("SHEET"))->setCurrentIndex(1);
        checkWhole(form, QStringLiteral("UPDATEREZGUR second page"));
        cancelForm(list, form, QStringLiteral("UPDATEREZGUR"));
        list->showMaximized();
        form = openForm(list, "INSERT", QStringLiteral("UPDATEREZGUR over the maximised list"));
        QVERIFY(form);
        cancelForm(list, form, QStringLiteral("UPDATEREZGUR"));
        area()->closeAllSubWindows();

        auto *caller = new QLabel(QStringLiteral("Рецепт"));
        showInFrame(caller);
        QMdiSubWindow *callerSub = area()->activeSubWindow();
        bool returned = false;
        QVERIFY(callProcedure(QStringLiteral("BROWSEREZGUR"), caller, [&returned](LONG) { returned = true; }));
        QMdiSubWindow *called = area()->activeSubWindow();
        checkWhole(called, QStringLiteral("BROWSEREZGUR called"));
        QVERIFY(!callerSub->isEnabled());
        usableButton(windowIn(called), "CLOSE")->click();
        QTRY_VERIFY(returned);
        QVERIFY(callerSub->isEnabled());
    }

    // The climate form enlarged by hand keeps every field and its buttons in view, and comes
    // back to its layout when restored.
    void enlargedFormKeepsItsControls()
    {
        item(QStringLiteral("REG"))->trigger();
        QMdiSubWindow *list = area()->activeSubWindow();
        QMdiSubWindow *form = openForm(list, "INSERT", QStringLiteral("climate insert"));
        QVERIFY(form);
        QWidget *window = windowIn(form);
        QHash<QString, QRect> opened;
        const QStringList names = {"USL_REGION", "USL_DKZ", "USL_TMAX", "USL_TMIN", "OK", "CANCEL"};
        for (const QString &name : names) {
            QWidget *control = window->findChild<QWidget *>(name);
            QVERIFY2(control && control->isVisible(), qPrintable(name));
            opened.insert(name, control->geometry());
        }
        const QSize openedSize = form->size();
        form->resize(openedSize * 3 / 2);
        QCOMPARE(form->size(), openedSize * 3 / 2);
        checkWhole(form, QStringLiteral("climate insert enlarged"));
        for (const QString &name : names) {
            QWidget *control = window->findChild<QWidget *>(name);
            QVERIFY2(control->width() >= opened[name].width(), qPrintable(name)); // grown or kept, not lost
            QVERIFY2(control->x() >= opened[name].x() && control->y() >= opened[name].y(), qPrintable(name));
        }
        form->resize(openedSize);
        for (const QString &name : names)
            QCOMPARE(window->findChild<QWidget *>(name)->geometry(), opened[name]);
        cancelForm(list, form, QStringLiteral("climate"));
    }

    // Ten windows tiled or cascaded: the frame keeps its size; every subwindow stays in reach.
    void tileAndCascadeKeepTheFrame()
    {
        const QSize frameSize = m_frame->size();
        const QSize areaSize = area()->size();
        for (const QString &name : registeredItems())
            item(name)->trigger();
        QVERIFY(area()->subWindowList().size() >= 10);
        QCOMPARE(m_frame->size(), frameSize);
        for (const char *arrange : {"Tile", "Cascade", "Tile"}) {
            item(QLatin1String(arrange))->trigger();
            QCoreApplication::processEvents();
            QCOMPARE(m_frame->size(), frameSize);
            QCOMPARE(area()->size(), areaSize);
        }
        // Tiled: side by side inside the area, each window's controls reachable in its tile.
        const QList<QMdiSubWindow *> subs = area()->subWindowList();
        for (QMdiSubWindow *sub : subs) {
            QVERIFY2(area()->viewport()->rect().contains(sub->geometry()), qPrintable(sub->windowTitle()));
            for (QMdiSubWindow *other : subs)
                QVERIFY2(other == sub || !other->geometry().intersects(sub->geometry()), qPrintable(sub->windowTitle()));
            QWidget *window = windowIn(sub);
            QVERIFY2(window->isVisible() && window->width() >= window->minimumWidth(), qPrintable(sub->windowTitle()));
            QCOMPARE(sub->windowTitle(), window->windowTitle());
        }
        // A list that scrolls in its tile still works as a list: its own "Закрыть" closes it.
        QMdiSubWindow *last = subs.last();
        QPointer<QMdiSubWindow> gone = last;
        QVERIFY(usableButton(windowIn(last), "CLOSE"));
        usableButton(windowIn(last), "CLOSE")->click();
        QTRY_VERIFY(!gone);
    }

    // A window that closes itself, a form's OK or Cancel, a report preview's Exit: the
    // subwindow goes with the window. Minimising is not closing.
    void closingAWindowClosesItsSubwindow()
    {
        registerProcedure(QStringLiteral("TESTWINDOW"), [] { return new QLabel(QStringLiteral("Окно")); });
        QVERIFY(startProcedure(QStringLiteral("TESTWINDOW")));
        QPointer<QMdiSubWindow> sub = area()->activeSubWindow();
        QVERIFY(sub);
        sub->showMinimized();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(sub);
        sub->showNormal();
        QVERIFY(sub->isVisible());
        windowIn(sub)->close();
        QTRY_VERIFY(!sub);

        auto document = std::make_shared<ReportDocument>();
        document->finish();
        auto *preview = new ReportPreviewWindow(document);
        bool finished = false;
        connect(preview, &ReportPreviewWindow::finished, this, [&finished] { finished = true; });
        showInFrame(preview);
        sub = area()->activeSubWindow();
        checkWhole(sub, QStringLiteral("preview"));
        preview->exitWithoutPrinting();
        QTRY_VERIFY(!sub);
        QVERIFY(finished);
        QCOMPARE(area()->subWindowList().size(), 0);
    }

    // Printer set-up chooses and prints nothing; its choice is what the print dialog starts
    // from. Qt's own buttons speak Russian.
    void printerSetupIsKeptForPrinting()
    {
        QPrinter &printer = sharedPrinter();
        printer.setPageOrientation(QPageLayout::Portrait);
        item(QStringLiteral("PrintSetup"))->trigger();
        auto *setup = m_frame->findChild<QPageSetupDialog *>(QStringLiteral("PrintSetupDialog"));
        QVERIFY(setup);
        QTRY_VERIFY(setup->isVisible());
        QCOMPARE(setup->printer(), &printer);
        auto *buttons = setup->findChild<QDialogButtonBox *>();
        QVERIFY(buttons && buttons->button(QDialogButtonBox::Cancel));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
        for (QAbstractButton *b : buttons->buttons())
            QVERIFY2(buttons->buttonRole(b) != QDialogButtonBox::ActionRole, qPrintable(b->text())); // no Print
        printer.setPageOrientation(QPageLayout::Landscape); // as the user would choose in it
        setup->accept();

        bool printed = false;
        QDialog *print = printWithDialog(m_frame, [&printed, &printer](QPrinter &p) { printed = &p == &printer; });
        auto *printDialog = qobject_cast<QPrintDialog *>(print);
        QVERIFY(printDialog);
        QCOMPARE(printDialog->printer(), &printer);
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
        printDialog->reject();
        QVERIFY(!printed);
    }
    // The first key typed into a list just opened locates, without a click into it first.
    void typingLocatesAtOnce()
    {
        for (const char *type : {"А", "Б", "В"})
            addRequirement(type);
        QMdiSubWindow *sub = start("BROUSENORMA1");
        QVERIFY(sub);
        auto *list = qobject_cast<BrowseWindow *>(windowIn(sub));
        QTRY_COMPARE(list->page()->rowCount(), 3);
        QCOMPARE(list->currentChoice(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), list->findChild<QTableView *>(QStringLiteral("BROWSE_1")));
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QStringLiteral("В"),
                            Qt::NoModifier);
        QCOMPARE(list->currentChoice(), 2);
    }

    // A form closed, and a report's preview closed, give the window back to the list that opened
    // them, not to another window open beside it.
    void closingGivesBackTheOpener()
    {
        m_frame->activateWindow(); // after the print dialogs of the tests before
        QVERIFY(QTest::qWaitForWindowActive(m_frame));
        glob::NUMMER = 3;
        {
            FileUse use(files::OBRGIDRO);
            files::OBRGIDRO.buffer().clear();
            OBR.NUMMER = 3;
            QCOMPARE(files::OBRGIDRO.add(), FileError::None);
        }
        QMdiSubWindow *requirements = start("BROUSENORMA1");
        QMdiSubWindow *weighings = start("BROWSEOBR2");
        QMdiSubWindow *other = start("BROWSEZR3N");
        QVERIFY(requirements && weighings && other);
        for (QMdiSubWindow *opener : {requirements, weighings}) {
            area()->setActiveSubWindow(opener);
            const auto inserts = windowIn(opener)->findChildren<QPushButton *>(QRegularExpression(QStringLiteral("^INSERT(_2)?$")));
            QCOMPARE(inserts.size(), 1);
            QPushButton *insert = inserts.first();
            insert->click();
            QPointer<QMdiSubWindow> form = area()->activeSubWindow();
            QVERIFY(form != opener && !opener->isEnabled());
            windowIn(form)->findChild<QPushButton *>(QStringLiteral("CANCEL"))->click();
            QTRY_VERIFY(!form);
            QTRY_COMPARE(area()->activeSubWindow(), opener);
        }

        for (bool lookedElsewhere : {false, true}) {
            windowIn(weighings)->findChild<QPushButton *>(QStringLiteral("PROTOCOL"))->click();
            QTRY_VERIFY(qobject_cast<ReportPreviewWindow *>(windowIn(area()->activeSubWindow())));
            QPointer<QMdiSubWindow> preview = area()->activeSubWindow();
            if (lookedElsewhere) {
                area()->setActiveSubWindow(other);
                area()->setActiveSubWindow(preview);
            }
            qobject_cast<ReportPreviewWindow *>(windowIn(preview))->exitWithoutPrinting();
            QTRY_VERIFY(!preview);
            QTRY_COMPARE(area()->activeSubWindow(), weighings);
        }
    }

    // The widest lists open within the work area with every button in view; their table scrolls
    // inside the window.
    void wideListsKeepTheirButtonsInView_data()
    {
        QTest::addColumn<QString>("procedure");
        for (const char *name : {"BROWSEZR3N", "BROWSETITUL", "GROHOTBROWSE11"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void wideListsKeepTheirButtonsInView()
    {
        QFETCH(QString, procedure);
        QMdiSubWindow *sub = start(qPrintable(procedure));
        QVERIFY(sub);
        QVERIFY(area()->viewport()->rect().contains(sub->geometry()));
        QWidget *list = windowIn(sub);
        const auto buttons = list->findChildren<QPushButton *>();
        QVERIFY(!buttons.isEmpty());
        for (QPushButton *b : buttons)
            if (b->isVisibleTo(list))
                QVERIFY2(wholeInView(b, area()->viewport()), qPrintable(b->objectName()));
        auto *table = list->findChild<QTableView *>(QStringLiteral("BROWSE_1"));
        QVERIFY(wholeInView(table, area()->viewport()));
        // The last column can be scrolled into view.
        table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
        const QHeaderView *header = table->horizontalHeader();
        const int last = header->count() - 1;
        QVERIFY(header->sectionViewportPosition(last) + header->sectionSize(last) <= table->viewport()->width());
    }
};

QTEST_MAIN(TestWindowsInFrame)
#include "tst_windows_in_frame.moc"
