// The frame on its own, with stand-in windows: which items work, what they open, the splash,
// and the warning SOOB2.
#include "app/frame_window.h"
#include "framework/procedures_ui.h"
#include "app/load_duration_warning_window.h"
#include "app/splash_window.h"
#include "data/globals.h"
#include "support/fake_sink.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

namespace {
QWidget *makeTestWindow(const QString &title)
{
    auto *w = new QLabel(title);
    w->setWindowTitle(title);
    return w;
}
} // namespace

class TestFrame : public QObject {
    Q_OBJECT
    FakeSink sink;

    QToolButton *button(FrameWindow &frame, const char *name) { return frame.findChild<QToolButton *>(name); }
    QAction *item(FrameWindow &frame, const char *name) { return frame.findChild<QAction *>(name); }

private slots:
    void init()
    {
        glob::resetGlobals();
        sink.clear();
        sink.seen = {};
        setMessageSink(&sink);
    }
    void cleanup() { setMessageSink(nullptr); }

    // Runs first, while no procedure is registered: an item whose window is not built is
    // disabled, and becomes usable once it is.
    void itemsOfUnbuiltProceduresAreDisabled()
    {
        FrameWindow frame;
        for (QAction *menu : frame.menuBar()->actions())
            for (QAction *a : menu->menu()->actions())
                if (!a->isSeparator() && !QStringList{"PrintSetup", "Exit", "Tile", "Cascade", "ArrangeIcons"}.contains(a->objectName()))
                    QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        for (const char *b : {"BUTTON11", "BUTTON9", "BUTTON8"})
            QVERIFY2(!button(frame, b)->isEnabled(), b);
        QVERIFY(button(frame, "BUTTON10")->isEnabled());

        registerProcedure(QStringLiteral("BROUSESANT"), [] { return makeTestWindow(QStringLiteral("Песок")); });
        frame.updateProcedureActions();
        QVERIFY(item(frame, "BROUSESANT")->isEnabled());
        QVERIFY(!item(frame, "BROUSESPLIT")->isEnabled());
        QVERIFY(!startProcedure(QStringLiteral("BROUSESPLIT")));
    }

    // Without a recipe in hand the tests button first asks for one, then opens the test menu anyway.
    void testsButtonAsksForARecipeFirst()
    {
        registerProcedure(QStringLiteral("MENUTEST"), [] { return makeTestWindow(QStringLiteral("Испытания")); });
        FrameWindow frame(nullptr, 60000);
        frame.show();
        QList<int> openAtMessage;
        sink.seen = [&](const MessageRequest &) { openAtMessage << int(frame.mdiArea()->subWindowList().size()); };
        QTest::mouseClick(button(frame, "BUTTON11"), Qt::LeftButton);
        QCOMPARE(sink.texts(), QStringList{QStringLiteral("Выбери рецепт для испытания")});
        QCOMPARE(openAtMessage, QList<int>{0});
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);
        glob::NUMMER = 7;
        QTest::mouseClick(button(frame, "BUTTON11"), Qt::LeftButton);
        QCOMPARE(sink.shown.size(), 1);
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 2);
    }

    // The splash opens with the frame, closes by itself (after five seconds in the program), on
    // the first use of the frame, and on a left or right click but not a middle one.
    void splashCloses()
    {
        const std::tuple<int, int, bool> rows[] = {
            {int(QEvent::MouseButtonPress), int(Qt::LeftButton), true},
            {int(QEvent::MouseButtonPress), int(Qt::MiddleButton), false},
        };
        for (const auto &[type, button, closes] : rows) {
            FrameWindow frame(nullptr, 60000);
            QVERIFY(!frame.splash());
            frame.show();
            QPointer<SplashWindow> splash = frame.splash();
            QVERIFY(splash && splash->isVisible());
            QWidget *target = splash->findChild<QLabel *>("STRING1"); // a click on the text reaches the splash
            const QPointF at(5, 5);
            QMouseEvent event(QEvent::Type(type), at, target->mapToGlobal(at), Qt::MouseButton(button),
                              Qt::MouseButton(button), Qt::NoModifier);
            QApplication::sendEvent(target, &event);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(splash.isNull() || !splash->isVisible(), closes);
            item(frame, "Cascade")->trigger();
            QVERIFY(!frame.splash());
            QVERIFY(splash.isNull() || !splash->isVisible());
        }
        FrameWindow timed(nullptr, 150);
        timed.show();
        QPointer<SplashWindow> timedSplash = timed.splash();
        QVERIFY(timedSplash);
        QTRY_VERIFY_WITH_TIMEOUT(!timedSplash, 3000);
    }

    // Arrange Icons lines the minimised windows up along the bottom of the work area, left to right.
    void arrangeIcons()
    {
        registerProcedure(QStringLiteral("BROWSEBIT"), [] { return makeTestWindow(QStringLiteral("Битум")); });
        FrameWindow frame(nullptr, 60000);
        frame.resize(900, 600);
        frame.show();
        for (int i = 0; i < 3; ++i)
            item(frame, "BROWSEBIT")->trigger();
        QList<QMdiSubWindow *> subs = frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
        subs[0]->showMinimized();
        subs[2]->showMinimized();
        subs[0]->move(300, 40);
        item(frame, "ArrangeIcons")->trigger();
        const int bottom = frame.mdiArea()->viewport()->height();
        QCOMPARE(subs[0]->geometry().bottom() + 1, bottom);
        QCOMPARE(subs[0]->x(), 0);
        QCOMPARE(subs[2]->geometry().bottom() + 1, bottom);
        QCOMPARE(subs[2]->x(), subs[0]->width());
    }

    // SOOB2 holds its caller disabled until its close box closes it, then hands on.
    void soob2IsClosedByItsCloseBox()
    {
        FrameWindow frame(nullptr, 60000);
        frame.show();
        auto *caller = makeTestWindow(QStringLiteral("Отчет"));
        showInFrame(caller);
        int finished = 0;
        LoadDurationWarning *warning = LoadDurationWarning::call(caller, [&finished] { ++finished; });
        QVERIFY(!caller->isEnabled());
        auto *sub = qobject_cast<QMdiSubWindow *>(warning->parentWidget());
        QVERIFY(sub);
        QCOMPARE(finished, 0);
        sub->close();
        QCOMPARE(finished, 1);
        QVERIFY(caller->isEnabled());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);
    }

};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
