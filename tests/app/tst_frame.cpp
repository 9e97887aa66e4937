// The frame on its own, with stand-in windows: which items work, what they open, the splash,
// the warning SOOB2, where the frame opens; and the program's command line without a display.
#include "app/frame_window.h"
#include "framework/procedures_ui.h"
#include "app/load_duration_warning_window.h"
#include "app/splash_window.h"
#include "data/globals.h"
#include "support/fake_sink.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
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
                if (!a->isSeparator() && !QStringList{"WorkFolder", "Backup", "Restore", "CheckData", "ChangeJournal", "PrintSetup", "Exit", "Tile", "Cascade", "ArrangeIcons", "Guide", "About"}.contains(a->objectName()))
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

    // The frame opens where it was last closed, at that size; the first time over most of the
    // screen. The place is kept in the user's settings (here a temporary directory's).
    void framePlacementIsRemembered()
    {
        QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        const QString organisation = QCoreApplication::organizationName();
        QCoreApplication::setOrganizationName(QStringLiteral("asphalt-tests"));
        const auto restore = qScopeGuard([&] {
            QSettings().clear();
            QCoreApplication::setOrganizationName(organisation);
        });
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect placed(40, 30, 640, 420);
        {
            FrameWindow first(nullptr, 60000);
            first.restorePlacement();
            first.show();
            QVERIFY(QTest::qWaitForWindowExposed(&first));
            QVERIFY2(first.width() >= available.width() * 3 / 4 && first.height() >= available.height() * 3 / 4,
                     qPrintable(QStringLiteral("%1x%2").arg(first.width()).arg(first.height())));
            QVERIFY(available.contains(first.frameGeometry()));
            first.setGeometry(placed);
            first.close();
        }
        FrameWindow again(nullptr, 60000);
        again.restorePlacement();
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.geometry(), placed);
    }

    // Help, the version and a mistyped option need no display: run without one, the program
    // prints and ends (a window system it cannot reach would abort it).
    void commandLineWithoutADisplay()
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/asphalt");
        if (!QFileInfo::exists(program))
            QSKIP("the program is not built");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        const struct {
            QStringList arguments;
            int exitCode;
            const char *out; // a pattern of what is printed, on stdout when the exit code is 0
        } rows[] = {
            {{"--help"}, 0, "^Usage: .*--version.*--seed <DIR>.*--copy-to <CONNECTION>"},
            {{"-h"}, 0, "^Usage: "},
            {{"--version"}, 0, "^asphalt \\d+\\.\\d+\\.\\d+\n$"},
            {{"--colour", "blue"}, 2, "^asphalt: Unknown option 'colour'\\.\n\nUsage: .*--seed <DIR>"},
            {{"one", "two"}, 2, "^asphalt: Too many arguments: two\n\nUsage: "},
        };
        for (const auto &row : rows) {
            QProcess p;
            p.setProcessEnvironment(environment);
            p.start(program, row.arguments);
            QVERIFY(p.waitForFinished(30000));
            const QString out = QString::fromUtf8(p.readAllStandardOutput());
            const QString err = QString::fromUtf8(p.readAllStandardError());
            const QString context = row.arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") + out + err;
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QVERIFY2(p.exitCode() == row.exitCode, qPrintable(context));
            const QRegularExpression pattern(QString::fromLatin1(row.out), QRegularExpression::DotMatchesEverythingOption);
            QVERIFY2(pattern.match(row.exitCode == 0 ? out : err).hasMatch(), qPrintable(context));
            QVERIFY2((row.exitCode == 0 ? err : out).isEmpty(), qPrintable(context));
        }
    }
};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
