// The binders and additives as a user keeps them: BROWSEBIT with BITUMUPDATE and its protocol
// button, BROWSEDOBAVKA with UPDATEDOBAWKA and its destination radio group.
#include "window_helpers.h"
#include "framework/procedures_ui.h"
#include "catalogues/binders_ui.h"
#include "catalogues/bitumen_window.h"
#include "catalogues/dobavka_window.h"
#include "catalogues/protbit_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/browse_window.h"
#include "framework/form_window.h"
#include "framework/warnings.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct CountingSink : MessageSink {
    QStringList texts;
    LONG show(const MessageRequest &r) override
    {
        texts << r.text;
        return r.defaultButton;
    }
};

const QString kShots = QStringLiteral("/tmp/binders_shots");

} // namespace

class TestBinders : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    CountingSink m_sink;

    static QStringList column(BrowseWindow *list, int c)
    {
        QStringList out;
        for (const auto &e : list->page()->entries())
            out << e.texts.value(c).trimmed();
        return out;
    }
    static void shoot(QWidget *w, const char *name)
    {
        QDir().mkpath(kShots);
        QVERIFY(w->grab().save(kShots + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png")));
    }
    static void click(QWidget *w, const char *name)
    {
        auto *b = w->findChild<QPushButton *>(QLatin1String(name));
        QVERIFY2(b, name);
        b->click();
    }
    // The last binder in the file's physical order.
    static void readLastBinder()
    {
        QVERIFY(files::BITUMEN.open() == FileError::None);
        files::BITUMEN.setOrder(DataFile::PhysicalOrder);
        files::BITUMEN.setToEnd();
        QCOMPARE(files::BITUMEN.previous(), FileError::None);
        files::BITUMEN.close();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        setDataDirectory(m_dir.path());
        glob::resetGlobals();
        setMessageSink(&m_sink);
    }
    void cleanupTestCase() { setMessageSink(nullptr); }

    // Two binders typed through the list: a negative Fraass point with a decimal comma is stored
    // exactly and listed with its sign; the list keeps the order of entry, not of the grade.
    void bindersEnteredAndListedInFileOrder()
    {
        BrowseWindow *list = BROWSEBIT();
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list));
        QCOMPARE(list->windowTitle(), QStringLiteral("Битумные вяжущие"));
        const struct {
            const char *number, *grade, *fraass;
        } binders[] = {{"2", "БНД 90/130", "-18,5"}, {"1", "БНД 60/90", "-15"}};
        bool shot = false;
        for (const auto &b : binders) {
            click(list, "INSERT");
            FormWindow *form = openedForm();
            QVERIFY(form);
            QCOMPARE(form->windowTitle(), QStringLiteral("Свойства битумов"));
            QCOMPARE(form->findChild<QLabel *>(QStringLiteral("ACTIONMESSAGE"))->text(), QStringLiteral("Введение"));
            typeInto(form, QStringLiteral("BIT_NUMBIT"), QString::fromUtf8(b.number));
            typeInto(form, QStringLiteral("BIT_MARBIT"), QString::fromUtf8(b.grade));
            typeInto(form, QStringLiteral("BIT_P25"), QStringLiteral("75"));
            typeInto(form, QStringLiteral("BIT_TR"), QStringLiteral("47,5"));
            typeInto(form, QStringLiteral("BIT_TXR"), QString::fromUtf8(b.fraass));
            typeInto(form, QStringLiteral("BIT_PRTR"), QStringLiteral("-5"));
            if (!shot) {
                shoot(form, "BITUMUPDATE");
                shot = true;
            }
            click(form, "OK");
            QTRY_VERIFY(list->isEnabled());
        }
        QCOMPARE(column(list, 1), (QStringList{QStringLiteral("БНД 90/130"), QStringLiteral("БНД 60/90")}));
        QCOMPARE(column(list, 5), (QStringList{QStringLiteral("-18.5"), QStringLiteral("-15.0")}));
        QCOMPARE(column(list, 8), (QStringList{QStringLiteral("-5"), QStringLiteral("-5")}));
        shoot(list, "BROWSEBIT");


        // A change shows its own action message and keeps the record's values.
        click(list, "CHANGE");
        FormWindow *form = openedForm();
        QVERIFY(form);
        QCOMPARE(form->findChild<QLabel *>(QStringLiteral("ACTIONMESSAGE"))->text(), QStringLiteral("Изменение"));
        // the record just entered stays highlighted
        QCOMPARE(form->findChild<QLineEdit *>(QStringLiteral("BIT_TXR"))->text().trimmed(), QStringLiteral("-15.0"));
        click(form, "CANCEL");
        QTRY_VERIFY(list->isEnabled());
        delete list;

        files::BITUMEN.open();
        files::BITUMEN.setOrder(DataFile::PhysicalOrder);
        QCOMPARE(files::BITUMEN.next(), FileError::None);
        QCOMPARE(BIT.TXR.units, qint64(-185));
        QCOMPARE(BIT.TR.units, qint64(475));
        QCOMPARE(BIT.P25.units, qint64(75));
        QCOMPARE(BIT.NUMBIT, 2.0);
        files::BITUMEN.close();
    }

    // A value beyond a DECIMAL field's range is refused where it is typed and never stored.
    void decimalRange_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("storedUnits");
        QTest::newRow("3 digits: 1000 refused") << "BIT_P25" << "1000" << qint64(0);
        QTest::newRow("3 digits: -999 kept") << "BIT_D0" << "-999" << qint64(-999);
        QTest::newRow("3.1: 100 refused") << "BIT_TXR" << "100" << qint64(0);
        QTest::newRow("3.1: -99,9 kept") << "BIT_TXR" << "-99,9" << qint64(-999);
        QTest::newRow("3.1: 100,0 refused") << "BIT_TR" << "100,0" << qint64(0);
    }
    void decimalRange()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(qint64, storedUnits);
        BIT = BitumenRecord{};
        QPointer<FormWindow> form = BITUMUPDATE(glob::InsertRecord, nullptr, [](LONG) {});
        QVERIFY(form);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        typeInto(form, QStringLiteral("BIT_MARBIT"), QString::fromLatin1(QTest::currentDataTag()).left(15));
        typeInto(form, field, typed);
        typeInto(form, QStringLiteral("BIT_NUMBIT"), QStringLiteral("7")); // leaves the field
        QApplication::processEvents();
        if (storedUnits == 0)
            QCOMPARE(form->findChild<QLineEdit *>(field)->text().trimmed(), field == "BIT_P25" ? "0" : "0.0");
        click(form, "OK");
        QTRY_VERIFY(!form);
        readLastBinder();
        const std::map<QString, qint64> units{{"BIT_P25", BIT.P25.units}, {"BIT_D0", BIT.D0.units},
                                              {"BIT_TXR", BIT.TXR.units}, {"BIT_TR", BIT.TR.units}};
        QCOMPARE(units.at(field), storedUnits);
        QCOMPARE(BIT.NUMBIT, 7.0);
    }

    // The destination radio group stores the chosen option's text; the list shows it and the
    // form shows the stored choice again.
    void additiveDestinationIsStoredAsText()
    {
        BrowseWindow *list = BROWSEDOBAVKA();
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list));
        QCOMPARE(list->windowTitle(), QStringLiteral("Просмотр базы добавок"));
        click(list, "INSERT");
        FormWindow *form = openedForm();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("Добавить"));
        auto *intoMix = form->findChild<QRadioButton *>(QStringLiteral("DOB_KUDA_1"));
        auto *intoBitumen = form->findChild<QRadioButton *>(QStringLiteral("DOB_KUDA_2"));
        QVERIFY(intoMix && intoBitumen);
        QVERIFY(!intoMix->isChecked() && !intoBitumen->isChecked()); // an empty record chooses none
        typeInto(form, QStringLiteral("DOB_KLASS"), QStringLiteral("ПАВ"));
        typeInto(form, QStringLiteral("DOB_NAME"), QStringLiteral("Амдор-9"));
        intoBitumen->click();
        typeInto(form, QStringLiteral("DOB_ISTPLOTN"), QStringLiteral("0,985"));
        typeInto(form, QStringLiteral("DOB_SODERZAN"), QStringLiteral("0,6"));
        shoot(form, "UPDATEDOBAWKA");
        click(form, "OK");
        QTRY_VERIFY(list->isEnabled());
        QCOMPARE(column(list, 2), QStringList{QStringLiteral("Добавка в битум")});
        QCOMPARE(column(list, 3), QStringList{QStringLiteral("0.985")});
        shoot(list, "BROWSEDOBAVKA");


        click(list, "CHANGE");
        form = openedForm();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("Изменить"));
        intoMix = form->findChild<QRadioButton *>(QStringLiteral("DOB_KUDA_1"));
        QVERIFY(form->findChild<QRadioButton *>(QStringLiteral("DOB_KUDA_2"))->isChecked());
        intoMix->click();
        m_sink.texts.clear();
        click(form, "OK");
        QTRY_VERIFY2(list->isEnabled(), qPrintable(m_sink.texts.join(QLatin1Char('|'))));
        QCOMPARE(column(list, 2), QStringList{QStringLiteral("Добавка в смесь")});
        delete list;

        files::DOBAWKA.open();
        files::DOBAWKA.setOrder(DataFile::PhysicalOrder);
        QCOMPARE(files::DOBAWKA.next(), FileError::None);
        QCOMPARE(DOB.KUDA.text(), QStringLiteral("Добавка в смесь"));
        QCOMPARE(DOB.NAME.text(), QStringLiteral("Амдор-9"));
        QCOMPARE(DOB.SODERZAN, 0.6);
        QCOMPARE(files::DOBAWKA.next(), FileError::EndOfFile);
        files::DOBAWKA.close();
    }

    // "Протокол" starts the protocol in its own window each time; the list stays open.
    void protocolButtonStartsTheProtocol()
    {
        registerReportProcedures();
        registerBinderProcedures();
        QVERIFY(isProcedureRegistered(QStringLiteral("BROWSEBIT")));
        QVERIFY(isProcedureRegistered(QStringLiteral("BROWSEDOBAVKA")));
        std::vector<QPointer<QWidget>> started;
        setWindowHost([&started](QWidget *w) {
            started.emplace_back(w);
            w->show();
        });
        QVERIFY(startProcedure(QStringLiteral("BROWSEBIT")));
        QCOMPARE(started.size(), std::size_t(1));
        QWidget *list = started.front();
        click(list, "PROTOCOL");
        click(list, "PROTOCOL");
        QCOMPARE(started.size(), std::size_t(3));
        QVERIFY(started[1] && started[2] && started[1] != started[2]);
        QVERIFY(list->isVisible());
        setWindowHost({});
        for (auto &w : started)
            delete w.data();
    }
};

QTEST_MAIN(TestBinders)
#include "tst_binders.moc"
