// The requirement bands: the list BROUSENORMA1 and its form UPDATENORMA share the record buffer with other lists.
#include "support/window_helpers.h"
#include "catalogues/grading_requirements_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/list_window.h"
#include "framework/fileservices.h"
#include "framework/form_window.h"

#include "support/workdir.h"

#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

class TestGradingRequirements : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir);
    }

    // While a form is open another list of the same file reads other records into the shared
    // buffer; saving the form still changes its own record, and only that one.
    void anOpenFormKeepsItsRecordWhileAnotherListReads()
    {
        {
            FileUse use(files::NORMA);
            for (const char *t : {"тип А", "тип В", "тип Г"}) {
                NOR = NormaRecord();
                NOR.TYPASPH = QString::fromUtf8(t);
                QCOMPARE(files::NORMA.add(), FileError::None);
            }
        }

        BrowseWindow *list = shownList(BROUSENORMA1());
        QVERIFY(list);
        QCOMPARE(listColumn(list, 0).first(), QStringLiteral("тип А"));
        list->findChild<QPushButton *>(QStringLiteral("CHANGE_2"))->click();
        FormWindow *form = openForm();
        QVERIFY(form);
        typeInto(form, "NOR_DNORM2_1_1", QStringLiteral("95"));

        BrowseWindow *other = shownList(BROUSENORMA1()); // reads a page of NORMA into the shared buffer
        QVERIFY(other);
        QTest::keyClick(other->findChild<QTableView *>(QStringLiteral("BROWSE_1")), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(NOR.TYPASPH.text(), QStringLiteral("тип Г"));

        form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        QTRY_VERIFY(list->isEnabled());
        delete other;
        delete list;

        files::NORMA.open();
        files::NORMA.setOrder(files::key::NOR_KEYTYP);
        QStringList stored;
        while (files::NORMA.next() == FileError::None)
            stored << NOR.TYPASPH.text() + QLatin1Char('=') + QString::number(NOR.DNORM2[0][0]);
        files::NORMA.close();
        QCOMPARE(stored, QStringList({"тип А=95", "тип В=0", "тип Г=0"}));
    }
};

QTEST_MAIN(TestGradingRequirements)
#include "tst_grading_requirements.moc"
