// The guide inside the program: every window has its section (its heading the window's title for
// the windows of the menu and toolbar), every picture the guide shows is there, and F1 opens the
// section of the window in hand.
#include "app/frame_window.h"
#include "app/guide_index.h"
#include "app/guide_window.h"
#include "app/install_paths.h"
#include "app/startup.h"
#include "data/datafile.h"
#include "data/seed.h"
#include "framework/procedures_ui.h"
#include "support/fake_sink.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>

namespace {

QWidget *windowOf(QMdiSubWindow *sub)
{
    QWidget *w = sub ? sub->widget() : nullptr;
    if (auto *scroll = qobject_cast<QScrollArea *>(w); scroll && scroll->widget())
        w = scroll->widget();
    return w;
}

} // namespace

class TestGuide : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    QTemporaryDir m_work;
    const QString m_guideDir = QStringLiteral(ASPHALT_SOURCE_DIR "/docs/guide");

private slots:
    void initTestCase()
    {
        setMessageSink(&m_sink);
        registerProgramProcedures();
        QString error;
        QVERIFY2(seedDirectory(QStringLiteral(ASPHALT_SOURCE_DIR "/data/seed"), m_work.filePath(QStringLiteral("lab")), &error),
                 qPrintable(error));
        setDataDirectory(m_work.filePath(QStringLiteral("lab")));
    }

    // Run from the build tree, the program finds the guide and the sample data of the source tree.
    void foundFromBuildTree()
    {
        QCOMPARE(QFileInfo(guideFolder()).canonicalFilePath(), QFileInfo(m_guideDir).canonicalFilePath());
        QVERIFY(QFileInfo::exists(seedFolder() + QStringLiteral("/NORMA.csv")));
    }

    void everyWindowHasSection()
    {
        const GuideIndex guide(m_guideDir);
        QVERIFY(!guide.isEmpty());
        QStringList missing;
        for (const QString &name : registeredProcedures())
            if (guide.sectionFor(name).file.isEmpty())
                missing << name;

        // The windows of the menus and the toolbar, and the forms their lists open: the section
        // of a window started from the frame is headed by the window's title.
        FrameWindow frame(nullptr, 0);
        frame.resize(1280, 800);
        frame.show();
        QList<std::function<void()>> starts;
        for (QAction *menu : frame.menuBar()->actions())
            for (QAction *item : menu->menu()->actions())
                if (isProcedureRegistered(item->objectName()))
                    starts << [item] { item->trigger(); };
        for (const char *button : {"BUTTON8", "BUTTON9", "BUTTON11"})
            if (auto *b = frame.findChild<QToolButton *>(QLatin1String(button)))
                starts << [b] { b->click(); };
        QVERIFY(starts.size() >= 14);
        for (const auto &startWindow : starts) {
            startWindow();
            QMdiSubWindow *sub = frame.mdiArea()->activeSubWindow();
            QWidget *window = windowOf(sub);
            QVERIFY(window);
            const GuideSection section = guide.sectionFor(window->objectName());
            if (section.heading != sub->windowTitle())
                missing << QStringLiteral("%1 \"%2\" (section \"%3\")").arg(window->objectName(), sub->windowTitle(), section.heading);
            if (auto *insert = window->findChild<QPushButton *>(QStringLiteral("INSERT")); insert && insert->isEnabled()) {
                insert->click();
                QWidget *form = windowOf(frame.mdiArea()->activeSubWindow());
                if (form && form != window && guide.sectionFor(form->objectName()).file.isEmpty())
                    missing << form->objectName();
            }
            // The form first: its list waits for it.
            QTRY_VERIFY2([&] {
                if (QMdiSubWindow *last = frame.mdiArea()->activeSubWindow())
                    last->close();
                return frame.mdiArea()->subWindowList().isEmpty();
            }(), qPrintable(sub->windowTitle()));
        }
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("no guide section: ") + missing.join(QStringLiteral(", "))));
    }

    void everyPictureExists()
    {
        const GuideIndex guide(m_guideDir);
        QVERIFY(guide.pictures().size() >= 15);
        for (const QString &picture : guide.pictures())
            QVERIFY2(QFileInfo(QDir(m_guideDir).filePath(picture)).isFile(), qPrintable(picture));
        // Every guide file is reached from the contents.
        const QString contents = GuideIndex::readable([&] {
            QFile f(QDir(m_guideDir).filePath(QStringLiteral("index.md")));
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        }());
        for (const QString &file : QDir(m_guideDir).entryList({QStringLiteral("*.md")}))
            if (file != QLatin1String("index.md"))
                QVERIFY2(contents.contains(QStringLiteral("](%1)").arg(file)), qPrintable(file));
    }

    // F1 over the climate list opens the guide with that section at the top of the view, its
    // pictures shown and the window comments hidden; without a window, at the contents.
    void helpKeyOpensWindowSection()
    {
        FrameWindow frame(nullptr, 0);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.findChild<QAction *>(QStringLiteral("REG"))->trigger();
        QVERIFY(frame.mdiArea()->activeSubWindow());
        QTest::keyClick(frame.mdiArea()->activeSubWindow()->widget(), Qt::Key_F1);
        auto *guide = frame.findChild<GuideWindow *>(QStringLiteral("GUIDE"));
        QVERIFY(guide);
        QTRY_VERIFY(guide->isVisible());
        QTextBrowser *text = guide->browser();
        QVERIFY(text->source().toLocalFile().endsWith(QStringLiteral("05-tests.md")));
        QCOMPARE(text->cursorForPosition(QPoint(4, 4)).block().text(), QStringLiteral("Список климатических регионов"));
        QVERIFY(!text->toPlainText().contains(QStringLiteral("окна:")));
        QVERIFY(text->document()->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/REG.png"))).isValid());

        frame.mdiArea()->closeAllSubWindows();
        frame.findChild<QAction *>(QStringLiteral("Guide"))->trigger();
        QVERIFY(text->source().toLocalFile().endsWith(QStringLiteral("index.md")));
        QCOMPARE(text->cursorForPosition(QPoint(4, 4)).block().text(), QStringLiteral("Руководство пользователя"));
    }
};

QTEST_MAIN(TestGuide)
#include "tst_guide.moc"
