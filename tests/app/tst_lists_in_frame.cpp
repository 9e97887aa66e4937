// Lists and the windows they open, worked in the real frame (MAIN at 1280x800): the keyboard is
// in a list as it opens, a form or preview closed gives the window back to the one that opened
// it, and the widest lists keep their buttons in view.
#include "app/frame_window.h"
#include "app/startup.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/list_window.h"
#include "framework/fileservices.h"
#include "framework/report_preview_window.h"
#include "support/fake_sink.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

QWidget *windowIn(QMdiSubWindow *sub)
{
    if (auto *scroll = qobject_cast<QScrollArea *>(sub->widget()))
        return scroll->widget();
    return sub->widget();
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

class TestListsInFrame : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;
    FrameWindow *m_frame = nullptr;

    QMdiArea *area() const { return m_frame->mdiArea(); }

    QMdiSubWindow *start(const char *procedure)
    {
        if (!startProcedure(QLatin1String(procedure)))
            return nullptr;
        QMdiSubWindow *sub = area()->activeSubWindow();
        return sub && windowIn(sub)->objectName() == QLatin1String(procedure) ? sub : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
        glob::resetGlobals();
        setMessageSink(&m_sink);
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

QTEST_MAIN(TestListsInFrame)
#include "tst_lists_in_frame.moc"
