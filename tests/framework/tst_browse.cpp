// The list window engine, driven as a user drives BROUSENORMA1: keys, tabs, thumb, refresh.
#include "app/frame_window.h"
#include "catalogues/catalogues_ui.h"
#include "catalogues/grading_requirements_window.h"
#include "data/cp1251.h"
#include "data/files.h"
#include "framework/fileservices.h"
#include "framework/writewatch.h"
#include "support/fake_sink.h"
#include "support/window_helpers.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

// Letters the generated types begin with (none begins with Ы).
const QString kLetters = QStringLiteral("АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЭЮЯ");

QString typeName(int i) { return kLetters[i % kLetters.size()] + QStringLiteral("-%1").arg(i, 4, 10, QLatin1Char('0')); }

bool addNorma(const QString &type, REAL num, REAL min40 = 0)
{
    NOR = NormaRecord{};
    NOR.NUM = num;
    NOR.TYPASPH = type;
    NOR.DNORM2[0][0] = min40;
    NOR.DNORM2[0][1] = 100;
    return files::NORMA.add() == FileError::None;
}

QByteArray sortKeyOf(const QString &s) { return cp1251::sortKey(*cp1251::encode(s)); }

} // namespace

class TestBrowse : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeSink m_sink;
    QStringList m_sorted; // the generated types in key order
    BrowseWindow *m_window = nullptr;

    // A data directory whose NORMA holds `count` generated records (NUM = a permutation of 1..count).
    void makeFile(int count)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        setDataDirectory(m_dir->path());
        FileUse use(files::NORMA);
        QVERIFY(use.ok());
        QCOMPARE(files::NORMA.begin(), FileError::None);
        m_sorted.clear();
        for (int i = 0; i < count; ++i) {
            QVERIFY(addNorma(typeName(i), REAL((i * 7919) % count + 1), (i % 1000) / 10.0));
            m_sorted << typeName(i);
        }
        QCOMPARE(files::NORMA.commit(), FileError::None);
        std::sort(m_sorted.begin(), m_sorted.end(),
                  [](const QString &a, const QString &b) { return sortKeyOf(a) < sortKeyOf(b); });
    }

    // Shows `w` in place of the list shown before, with the keyboard in its table.
    BrowseWindow *open(BrowseWindow *w)
    {
        delete m_window;
        if (!shownList(m_window = w))
            return nullptr;
        list()->setFocus();
        return w;
    }

    QTableView *list() const { return m_window->findChild<QTableView *>(QStringLiteral("BROWSE_1")); }
    QScrollBar *bar() const { return m_window->findChild<QScrollBar *>(QStringLiteral("BROWSE_1_THUMB")); }

    QStringList shown() const { return listColumn(m_window, 0); }
    QString current() const { return shown().value(m_window->currentChoice()); }
    QStringList expected(int from, int count) const { return m_sorted.mid(from, count); }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(list(), Qt::Key(k), m); }
    void type(const QString &text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Press, list(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void drag(int position)
    {
        bar()->setSliderDown(true);
        bar()->setSliderPosition(position);
        bar()->setSliderDown(false); // the release locates
    }

private slots:
    void init()
    {
        glob::resetGlobals();
        QApplication::setKeyboardInputInterval(0); // each typed character on its own, as after a pause
        m_sink.shown.clear();
        setMessageSink(&m_sink);
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        QCOMPARE(files::NORMA.USED, LONG(0)); // the window released the file
        QVERIFY(!files::NORMA.isOpen());
        setMessageSink(nullptr);
        QVERIFY2(m_sink.shown.isEmpty(), qPrintable(m_sink.shown.value(0).text));
    }

    // The first page shows the file from the top; rows, pages and the ends scroll as a list
    // does; a refresh shows a record written meanwhile with the same record highlighted; a tab
    // change keeps the highlighted record; an order without a step table moves the page only at
    // the thumb's two ends; a filter shows only the records it accepts; an empty file shows none.
    void scrollingRefreshAndTabs()
    {
        makeFile(3000);
        BrowseDeclaration d = BROUSENORMA1Declaration();
        d.orders.push_back({QStringLiteral("Номер"), {}, files::key::NOR_KEYNUM, BrowseKeyField::real(NOR.NUM), true});
        QVERIFY(open(new BrowseWindow(d)));
        const int rows = m_window->visibleRows();
        QVERIFY(rows >= 10);
        QCOMPARE(shown(), expected(0, rows));
        QCOMPARE(NOR.TYPASPH.text(), m_sorted[0]); // the highlighted record is in the buffer
        QVERIFY(m_window->thumb() <= 2);
        for (int i = 0; i < rows; ++i)
            key(Qt::Key_Down); // on the bottom row the page slides by one record
        QCOMPARE(shown(), expected(1, rows));
        QCOMPARE(m_window->currentChoice(), rows - 1);
        for (int i = 0; i < rows; ++i)
            key(Qt::Key_Up); // on the top row it slides back
        QCOMPARE(shown(), expected(0, rows));
        key(Qt::Key_PageDown);
        QCOMPARE(shown(), expected(rows, rows));
        key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(shown(), expected(3000 - rows, rows));
        QCOMPARE(m_window->thumb(), 100);
        key(Qt::Key_Up);
        key(Qt::Key_Up);
        key(Qt::Key_PageDown); // the file ends at once: the highlight goes to the last row
        QCOMPARE(current(), m_sorted.last());
        key(Qt::Key_Home, Qt::ControlModifier);

        key(Qt::Key_Down);
        key(Qt::Key_Down);
        const QString highlighted = current();
        {
            FileUse use(files::NORMA);
            QVERIFY(addNorma(QStringLiteral("А-00005"), 9999)); // sorts right after А-0000
        }
        m_window->refresh();
        QCOMPARE(shown().value(1), QStringLiteral("А-00005"));
        QCOMPARE(current(), highlighted);
        QCOMPARE(m_window->currentChoice(), 3);

        const REAL num = NOR.NUM;
        auto *tabs = m_window->findChild<QTabBar *>(QStringLiteral("CURRENTTAB"));
        tabs->setCurrentIndex(1);
        QCOMPARE(current(), highlighted);
        QCOMPARE(m_window->currentChoice(), 0);
        key(Qt::Key_Down); // now in number order
        QCOMPARE(NOR.NUM, num + 1);
        type(QStringLiteral("2")); // a numeric key locates on the digit's value, shown as the top row
        QCOMPARE(NOR.NUM, REAL(2));
        tabs->setCurrentIndex(0);
        QCOMPARE(NOR.NUM, REAL(2));

        BrowseDeclaration plain = BROUSENORMA1Declaration();
        plain.orders[0].steps = false;
        QVERIFY(open(new BrowseWindow(plain)));
        drag(50);
        QCOMPARE(shown().value(0), m_sorted.first());
        drag(100);
        QCOMPARE(shown(), expected(3000 - rows, rows));

        d.filter = [] { return NOR.TYPASPH.text().startsWith(QStringLiteral("Б")); };
        QVERIFY(open(new BrowseWindow(d)));
        const QStringList onlyB = m_sorted.filter(QRegularExpression(QStringLiteral("^Б")));
        QCOMPARE(shown(), onlyB.mid(0, rows));
        key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(shown(), onlyB.mid(onlyB.size() - rows, rows));
        type(QStringLiteral("А")); // before every accepted record: the first of them
        QCOMPARE(current(), onlyB.first());

        delete m_window; // before its file goes
        m_window = nullptr;
        makeFile(0); // an empty file: no rows, scrolling ignored, nothing to select
        glob::GLOBALREQUEST = glob::SelectRecord;
        QVERIFY(open(BROUSENORMA1()));
        QCOMPARE(glob::GLOBALREQUEST, LONG(glob::NoRequest)); // taken by the window
        for (int k : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Return})
            key(k);
        type(QStringLiteral("Ж"));
        drag(100);
        QCOMPARE(m_window->page()->rowCount(), 0);
        QVERIFY(!bar()->isVisible());
        QVERIFY(!control(m_window, "SELECT_2")->isEnabled());
        control(m_window, "CLOSE")->click();
        QCOMPARE(glob::GLOBALRESPONSE, LONG(glob::RequestCancelled));
    }

    // Characters typed in quick succession locate by prefix (letters in either case, blanks
    // inside); after a pause a single letter walks through its records, and so does one letter
    // typed again and again; another key ends a sequence.
    void typingQuicklyLocatesByPrefix()
    {
        makeFile(0);
        {
            FileUse use(files::NORMA);
            int num = 0;
            for (const char *t : {"Щебень гранит 5-10", "Песок", "Щебень габбро", "Щебень гранит 10-20", "Щит",
                                  "Щебень диабаз", "Шлак"})
                QVERIFY(addNorma(QString::fromUtf8(t), ++num));
        }
        QVERIFY(open(BROUSENORMA1()));
        QCOMPARE(NOR.TYPASPH.text(), QStringLiteral("Песок")); // the list shows its first 10 letters only
        const struct {
            bool pause; // before the step; otherwise the characters come in quick succession
            int key;    // pressed first (Home with Ctrl)
            const char *typed, *highlighted;
        } steps[] = {
            {false, 0, "ЩЕБЕНЬ Г", "Щебень габбро"},
            {false, 0, "р", "Щебень гранит 10-20"},
            {false, 0, "анит 5", "Щебень гранит 5-10"},
            {false, 0, "Ж", "Щебень диабаз"}, // no key begins so: the first record after the prefix
            {true, 0, "Ш", "Шлак"},
            {true, 0, "щ", "Щебень габбро"},
            {true, 0, "Щ", "Щебень гранит 10-20"},
            {false, Qt::Key_Up, "", "Щебень габбро"},
            {false, 0, "ЩЩщ", "Щебень диабаз"},
            {false, Qt::Key_Home, "щи", "Щит"},
        };
        for (const auto &step : steps) {
            QApplication::setKeyboardInputInterval(step.pause ? 40 : 5000);
            if (step.pause)
                QTest::qWait(80);
            if (step.key)
                key(step.key, step.key == Qt::Key_Home ? Qt::ControlModifier : Qt::NoModifier);
            type(QString::fromUtf8(step.typed));
            QVERIFY2(NOR.TYPASPH.text() == QString::fromUtf8(step.highlighted), step.typed);
        }
    }

    // The update form's hook: insert on a blank record, the new record highlighted after; delete
    // on the highlighted record read again, its follower highlighted after.
    void updateFormHookInsertsAndDeletes()
    {
        makeFile(3000);
        BrowseDeclaration d = BROUSENORMA1Declaration();
        LONG seenRequest = 0;
        QWidget *disabledWhileOpen = nullptr;
        std::function<void(LONG)> pending;
        // A stand-in form: the test decides when it closes and what it did.
        d.updateForm = [&](LONG request, QWidget *list, std::function<void(LONG)> done, WindowHost) -> QWidget * {
            seenRequest = request;
            disabledWhileOpen = list->isEnabled() ? nullptr : list;
            pending = std::move(done);
            return nullptr;
        };
        QVERIFY(open(new BrowseWindow(d)));
        control(m_window, "INSERT_2")->click();
        QCOMPARE(seenRequest, LONG(glob::InsertRecord));
        QCOMPARE(disabledWhileOpen, static_cast<QWidget *>(m_window));
        QVERIFY(NOR.TYPASPH.isBlank()); // a blank record to fill
        QVERIFY(addNorma(QStringLiteral("П-new"), 5000)); // the form writes it
        pending(glob::RequestCompleted);
        QVERIFY(m_window->isEnabled());
        QCOMPARE(current(), QStringLiteral("П-new"));

        key(Qt::Key_Down);
        const QString follower = current();
        key(Qt::Key_Up);
        key(Qt::Key_Delete);
        QCOMPARE(seenRequest, LONG(glob::DeleteRecord));
        QCOMPARE(NOR.TYPASPH.text(), QStringLiteral("П-new")); // re-read for the form
        QCOMPARE(files::NORMA.remove(), FileError::None);
        pending(glob::RequestCompleted);
        QCOMPARE(current(), follower);
        QVERIFY(!shown().contains(QStringLiteral("П-new")));

        const QStringList before = shown();

        // The highlighted record deleted meanwhile by another window: no form opens on the
        // record the file read last; the page shows the file as it is.
        {
            FileUse use(files::NORMA);
            const auto &entry = m_window->page()->entries().at(std::size_t(m_window->currentChoice()));
            QCOMPARE(files::NORMA.fetch(entry.position), FileError::None);
            QCOMPARE(files::NORMA.remove(), FileError::None);
        }
        seenRequest = 0;
        key(Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(seenRequest, LONG(0));
        QVERIFY(m_window->isEnabled());
        QVERIFY(!shown().contains(follower));
        QCOMPARE(shown().size(), before.size());
    }

    // A group's caption widens its columns to carry it; a declared panel stands below the list.
    // (The panel, the selection hook and a check box following the highlight: tst_batch_window.)
    void groupCaptionsAndAPanelBelow()
    {
        makeFile(40);
        BrowseDeclaration d = BROUSENORMA1Declaration();
        for (std::size_t c = 1; c < d.columns.size(); ++c)
            d.columns[c].group = c < 3 ? QStringLiteral("Очень длинная подпись группы сит 40 мм") : QStringLiteral("Прочие");
        struct Panel : BrowsePanel {
            void showRecord(bool) override {}
        };
        d.belowPanel = [] {
            auto *panel = new Panel;
            panel->setObjectName(QStringLiteral("PANEL"));
            panel->setMinimumSize(120, 40);
            return panel;
        };
        QVERIFY(open(new BrowseWindow(d)));
        QHeaderView *header = list()->horizontalHeader();
        QVERIFY(header->sectionSize(1) + header->sectionSize(2) > header->fontMetrics().horizontalAdvance(d.columns[1].group));
        auto *panel = control<QWidget>(m_window, "PANEL");
        QVERIFY(panel->isVisible() && panel->y() > list()->geometry().bottom());
    }

    // A list called for a choice: the caller's subwindow waits disabled; the callback comes once,
    // with the record chosen in the buffer, or with nothing; never to a caller that has gone.
    void selectRecordReturnsTheChoiceToItsCaller()
    {
        makeFile(40);
        QMdiArea area;
        auto *caller = new QLineEdit;
        QMdiSubWindow *callerSub = area.addSubWindow(caller);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QList<bool> results;
        const WindowHost host = [&area](QWidget *w) {
            w->setAttribute(Qt::WA_DeleteOnClose);
            area.addSubWindow(w)->show();
        };
        const auto call = [&](QWidget *from) {
            NOR = NormaRecord{};
            NOR.TYPASPH = m_sorted[5];
            return selectRecord(BROUSENORMA1Declaration(), from, [&results](bool chosen) { results << chosen; }, host);
        };

        m_window = call(caller);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        QVERIFY(!callerSub->isEnabled());
        QCOMPARE(current(), m_sorted[5]); // opens at the caller's record
        key(Qt::Key_Down);
        QPointer<BrowseWindow> alive = m_window;
        key(Qt::Key_Return);
        QTRY_VERIFY(!alive);
        m_window = nullptr;
        QCOMPARE(results, QList<bool>{true});
        QCOMPARE(NOR.TYPASPH.text(), m_sorted[6]);
        QVERIFY(callerSub->isEnabled());

        m_window = call(caller);
        delete callerSub; // the caller goes first: no call back to it
        alive = m_window;
        control(m_window, "SELECT_2")->click();
        QTRY_VERIFY(!alive);
        m_window = nullptr;
        QCOMPARE(results.size(), 1);
    }

    // The file gone under the list: a page that cannot be set is warned and kept; a read error
    // is warned and closes the list.
    void fileErrorsWarnAndAReadErrorClosesTheList()
    {
        makeFile(300);
        QVERIFY(open(BROUSENORMA1()));
        LONG response = 0;
        connect(m_window, &BrowseWindow::finished, this, [&response](LONG r) { response = r; });
        const QStringList before = shown();
        QCOMPARE(files::NORMA.close(), FileError::None); // the file goes away under the list

        key(Qt::Key_PageDown); // the view cannot be set at the page: warned, the page stays
        QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("View Open Error")});
        QCOMPARE(shown(), before);

        key(Qt::Key_End, Qt::ControlModifier); // reading fails: warned, the window closes
        QCOMPARE(m_sink.captions(), (QStringList{QStringLiteral("View Open Error"), QStringLiteral("Record Retrieval Error")}));
        QVERIFY2(m_sink.shown[1].text.contains(QStringLiteral("from the NORMA file")), qPrintable(m_sink.shown[1].text));
        QTRY_COMPARE(response, LONG(glob::RequestCancelled));
        QVERIFY(!m_window->isVisible());
        m_sink.shown.clear();
    }

    // Two lists of one file in the frame: what one list's form writes, the other shows once active.
    void startedFromTheFrameMenuTwoListsSeeEachOthersWrites()
    {
        makeFile(3000);
        registerCatalogueProcedures();
        FrameWindow frame(nullptr, 0);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QAction *item = frame.findChild<QAction *>(QStringLiteral("BROUSENORMA1"));
        item->trigger();
        item->trigger();
        const QList<QMdiSubWindow *> subs = frame.mdiArea()->subWindowList();
        QCOMPARE(subs.size(), 2);
        auto *first = qobject_cast<BrowseWindow *>(subs[0]->widget());
        auto *second = qobject_cast<BrowseWindow *>(subs[1]->widget());

        frame.mdiArea()->setActiveSubWindow(subs[1]);
        {
            FileUse use(files::NORMA); // as the update form of the second list would
            QVERIFY(addNorma(QStringLiteral("А-00001"), 10000));
            writewatch::noteFileWritten(files::NORMA);
        }
        second->refresh();
        QCOMPARE(listColumn(second, 0).value(1), QStringLiteral("А-00001"));
        QCOMPARE(listColumn(first, 0).value(1), m_sorted[1]);
        frame.mdiArea()->setActiveSubWindow(subs[0]); // back to the first list
        QTRY_COMPARE(listColumn(first, 0).value(1), QStringLiteral("А-00001"));

        frame.mdiArea()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(files::NORMA.USED, LONG(0)); // each list released its use
    }
};

QTEST_MAIN(TestBrowse)
#include "tst_browse.moc"
