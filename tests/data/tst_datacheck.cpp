// The data check on a working directory: nothing on sound sample data; on a spoiled one, a
// damaged file, a key changed behind the program's back, recipes sharing a number and test
// records whose recipe is gone, each with the record it concerns; and it changes nothing.
#include "data/datacheck.h"
#include "data/files.h"
#include "data/seed.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

class TestDataCheck : public QObject {
    Q_OBJECT

    static QStringList shown(const std::vector<DataFinding> &found)
    {
        QStringList out;
        for (const DataFinding &f : found)
            out << f.file + QStringLiteral(": ") + f.record + QStringLiteral(": ") + f.problem;
        return out;
    }

    static void addRecipe(double num, const char *object)
    {
        POD = PodborRecord();
        POD.NUM = num;
        POD.OBEKT = QString::fromUtf8(object);
        POD.DATE = dates::fromYmd(2026, 5, 4);
        QCOMPARE(files::PODBOR.add(), FileError::None);
    }

private slots:
    void findsWhatIsWrongAndChangesNothing()
    {
        QTemporaryDir root;
        const QString work = root.filePath(QStringLiteral("work"));
        QString error;
        QVERIFY2(seedDirectory(QStringLiteral(ASPHALT_SOURCE_DIR "/data/seed"), work, &error), qPrintable(error));
        setDataDirectory(work);
        QCOMPARE(shown(checkData()), QStringList());

        QCOMPARE(files::PODBOR.create(), FileError::None);
        QCOMPARE(files::PODBOR.open(), FileError::None);
        addRecipe(12, "Обход");
        addRecipe(12, "Мост");
        addRecipe(13, "Развязка");
        files::PODBOR.close();
        QCOMPARE(files::GUR.create(), FileError::None);
        QCOMPARE(files::GUR.open(), FileError::None);
        for (double recipe : {12.0, 99.0}) {
            GUR = GurRecord();
            GUR.NUMBER = recipe + 1000;
            GUR.REZNUM = LONG(recipe);
            GUR.DATE = dates::fromYmd(2026, 6, 1);
            QCOMPARE(files::GUR.add(), FileError::None);
        }
        files::GUR.close();
        QCOMPARE(files::OBRGIDRO.create(), FileError::None);
        QCOMPARE(files::OBRGIDRO.open(), FileError::None);
        OBR = ObrgidroRecord(); // a weighing unlinked from a deleted recipe keeps number 0
        QCOMPARE(files::OBRGIDRO.add(), FileError::None);
        files::OBRGIDRO.close();

        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QDir(work).filePath(QStringLiteral("SPLIT.sqlite")).toUtf8().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "UPDATE data SET k2_1 = x'01' WHERE id = (SELECT min(id) FROM data)", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        QFile garbage(QDir(work).filePath(QStringLiteral("NASTROJK.sqlite")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, '\x5a'));
        garbage.close();

        auto bytes = [&] {
            QMap<QString, QByteArray> m;
            for (const QString &n : QDir(work).entryList(QDir::Files | QDir::Hidden)) {
                QFile f(QDir(work).filePath(n));
                f.open(QIODevice::ReadOnly);
                m[n] = f.readAll();
            }
            return m;
        };
        const auto before = bytes();
        const QStringList found = shown(checkData());
        const QStringList expected{
            QStringLiteral("NASTROJK: NASTROJK.sqlite: файл повреждён: Invalid Data File"),
            QStringLiteral("SPLIT: запись 1: ключ SPL:KEYNAME не соответствует полям записи"),
            QStringLiteral("PODBOR: рецепт 12 «Обход» от 04.05.2026: номер 12 носят 2 рецепта: рецепт 12 «Обход» от 04.05.2026; "
                           "рецепт 12 «Мост» от 04.05.2026"),
            QStringLiteral("PODBOR: рецепт 12 «Мост» от 04.05.2026: номер 12 носят 2 рецепта: рецепт 12 «Обход» от 04.05.2026; "
                           "рецепт 12 «Мост» от 04.05.2026"),
            QStringLiteral("GUR: испытание 1099 от 01.06.2026: рецепта 99 нет в базе рецептов")};
        for (const QString &e : expected)
            QVERIFY2(found.contains(e), qPrintable(found.join(QLatin1Char('\n'))));
        QCOMPARE(found.size(), expected.size());
        QCOMPARE(bytes(), before);
    }
};

QTEST_GUILESS_MAIN(TestDataCheck)
#include "tst_datacheck.moc"
