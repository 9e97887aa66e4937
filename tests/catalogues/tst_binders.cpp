// The binders and additives: what their forms store.
#include "support/fake_sink.h"
#include "support/workdir.h"
#include "support/window_helpers.h"
#include "framework/procedures_ui.h"
#include "catalogues/binders_ui.h"
#include "catalogues/bitumen_window.h"
#include "catalogues/additives_window.h"
#include "catalogues/binders_report_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/list_window.h"
#include "framework/form_window.h"

#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

class TestBinders : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
    }
    void cleanupTestCase() { setMessageSink(nullptr); }

    // Two binders typed through the list: a negative Fraass point with a decimal comma is stored
    // exactly and listed with its sign; the list keeps the order of entry, not of the grade.
    void bindersEnteredAndListedInFileOrder()
    {
        BrowseWindow *list = shownList(BROWSEBIT());
        QVERIFY(list);
        const struct {
            const char *number, *grade, *fraass;
        } binders[] = {{"2", "БНД 90/130", "-18,5"}, {"1", "БНД 60/90", "-15"}};
        for (const auto &b : binders) {
            click(list, "INSERT");
            FormWindow *form = openedForm();
            QVERIFY(form);
            typeInto(form, QStringLiteral("BIT_NUMBIT"), QString::fromUtf8(b.number));
            typeInto(form, QStringLiteral("BIT_MARBIT"), QString::fromUtf8(b.grade));
            typeInto(form, QStringLiteral("BIT_P25"), QStringLiteral("75"));
            typeInto(form, QStringLiteral("BIT_TR"), QStringLiteral("47,5"));
            typeInto(form, QStringLiteral("BIT_TXR"), QString::fromUtf8(b.fraass));
            typeInto(form, QStringLiteral("BIT_PRTR"), QStringLiteral("-5"));
            click(form, "OK");
            QTRY_VERIFY(list->isEnabled());
        }
        QCOMPARE(listColumn(list, 1), (QStringList{QStringLiteral("БНД 90/130"), QStringLiteral("БНД 60/90")}));
        QCOMPARE(listColumn(list, 5), (QStringList{QStringLiteral("-18.5"), QStringLiteral("-15.0")}));
        delete list;

        FileUse use(files::BITUMEN);
        QVERIFY(readFirst(files::BITUMEN));
        QCOMPARE(BIT.TXR.units, qint64(-185));
        QCOMPARE(BIT.TR.units, qint64(475));
        QCOMPARE(BIT.NUMBIT, 2.0);
    }

    // The destination radio group stores the chosen option's text; the list shows it.
    void additiveDestinationIsStoredAsText()
    {
        BrowseWindow *list = shownList(BROWSEDOBAVKA());
        QVERIFY(list);
        click(list, "INSERT");
        FormWindow *form = openedForm();
        QVERIFY(form);
        auto *intoMix = form->findChild<QRadioButton *>(QStringLiteral("DOB_KUDA_1"));
        auto *intoBitumen = form->findChild<QRadioButton *>(QStringLiteral("DOB_KUDA_2"));
        QVERIFY(intoMix && intoBitumen);
        QVERIFY(!intoMix->isChecked() && !intoBitumen->isChecked()); // an empty record chooses none
        typeInto(form, QStringLiteral("DOB_KLASS"), QStringLiteral("ПАВ"));
        typeInto(form, QStringLiteral("DOB_NAME"), QStringLiteral("Амдор-9"));
        intoBitumen->click();
        typeInto(form, QStringLiteral("DOB_ISTPLOTN"), QStringLiteral("0,985"));
        typeInto(form, QStringLiteral("DOB_SODERZAN"), QStringLiteral("0,6"));
        click(form, "OK");
        QTRY_VERIFY(list->isEnabled());
        QCOMPARE(listColumn(list, 2), QStringList{QStringLiteral("Добавка в битум")});
        QCOMPARE(listColumn(list, 3), QStringList{QStringLiteral("0.985")});
        delete list;

        FileUse use(files::DOBAWKA);
        QVERIFY(readFirst(files::DOBAWKA));
        QCOMPARE(DOB.KUDA.text(), QStringLiteral("Добавка в битум"));
        QCOMPARE(DOB.SODERZAN, 0.6);
        QCOMPARE(files::DOBAWKA.next(), FileError::EndOfFile);
    }

};

QTEST_MAIN(TestBinders)
#include "tst_binders.moc"
