#include "data/files.h"
#include "data/seed.h"
#include "design/batch.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// The sample data of data/seed/ loaded through the storage layer, and the refusal of values
// that do not fit their fields.
class TestSeed : public QObject {
    Q_OBJECT

    static QString sourceSeedDir()
    {
        return QStringLiteral(ASPHALT_SOURCE_DIR "/data/seed");
    }
    static void writeFile(const QString &path, const QByteArray &text)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // Records in a file of the current data directory; -1 when the file does not exist.
    static qint64 countOf(DataFile &file)
    {
        if (file.open() != FileError::None)
            return -1;
        const qint64 n = file.recordCount();
        file.close();
        return n;
    }
    // Reads the first record whose key equals the buffer's key fields, set by `setKey`.
    template <typename SetKey>
    static bool lookUp(DataFile &file, int key, SetKey setKey)
    {
        if (file.open() != FileError::None)
            return false;
        file.buffer().clear();
        setKey();
        const bool found = file.get(key) == FileError::None;
        file.close();
        return found;
    }

private slots:
    // Every line of the sample data becomes one record of its file, nothing else is written,
    // and the shared record buffers are left as they were. What the loader works out itself is
    // right: hole shapes as their codes, the foreign grading reduced to the standard sieves
    // (15 mm lies between the square-hole sieves 16 and 11.2 mm, 20.0539 and 13.9909 mm round).
    void sampleDataLoadsWhole()
    {
        QTemporaryDir dir;
        setDataDirectory(dir.path());
        SPL = SplitRecord();
        SPL.NAIMEN = QStringLiteral("в работе");
        QString error = QStringLiteral("untouched");
        QVERIFY2(loadSeed(sourceSeedDir(), &error), qPrintable(error));
        QVERIFY(error.isEmpty());
        QCOMPARE(SPL.NAIMEN.text(), QStringLiteral("в работе"));
        const QFileInfoList csvs = QDir(sourceSeedDir()).entryInfoList({QStringLiteral("*.csv")});
        for (const QFileInfo &csv : csvs) {
            QFile f(csv.filePath());
            QVERIFY(f.open(QIODevice::ReadOnly));
            const qint64 lines = f.readAll().trimmed().count('\n'); // data lines below the header
            QCOMPARE(countOf(*files::byName(csv.baseName())), lines);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), csvs.size());

        QVERIFY(lookUp(files::GROHOT, files::key::GRO_KEYNUMMIX, [] { GRO.NUMMIXER = 1; }));
        QCOMPARE(GRO.FORMA[0].raw(), QByteArray(1, design::SQUARE_HOLE));
        QCOMPARE(GRO.FORMA[4].raw(), QByteArray(1, design::ROUND_HOLE));
        QVERIFY(lookUp(files::ZR3N, files::key::ZR3_KEYNUM, [] { ZR3.ANUM = 1; }));
        QCOMPARE(ZR3.MGOST[0][0], 100.0);
        QVERIFY(qAbs(ZR3.MGOST[2][0] - 91.7511) < 1e-9);

        // The sample mineral powders МП-1 meet their grade: at least 100 % at 1.25 mm, 90 % at
        // 0.315 mm and 80 % at 0.071 mm. Gap-graded bands (тип Апр, Бпр) have no grains between
        // 2.5 and 0.63 mm, so they keep their 2.5 mm limits down to 0.63 mm.
        QCOMPARE(files::FILLER.open(), FileError::None);
        QStringList checked, outOfGrade;
        while (files::FILLER.next() == FileError::None)
            if (FIL.NAIMEN.text().startsWith(QStringLiteral("МП-1"))) {
                checked << FIL.NAIMEN.text();
                if (FIL.ZRN[6] < 100 || FIL.ZRN[8] < 90 || FIL.ZRN[10] < 80)
                    outOfGrade << FIL.NAIMEN.text();
            }
        files::FILLER.close();
        QVERIFY(!checked.isEmpty());
        QCOMPARE(outOfGrade, QStringList());
        for (const char *type : {"тип Апр", "тип Бпр"}) {
            QVERIFY(lookUp(files::NORMA, files::key::NOR_KEYTYP, [&] { NOR.TYPASPH = QString::fromUtf8(type); }));
            for (int sieve : {6, 7})
                QVERIFY2(NOR.DNORM2[sieve][0] == NOR.DNORM2[5][0] && NOR.DNORM2[sieve][1] == NOR.DNORM2[5][1], type);
            QVERIFY2(NOR.DNORM2[8][0] < NOR.DNORM2[7][0], type); // below, limits of its own
        }
    }

    void separatorsQuotesAndDecimalCommas()
    {
        // Commas, a quoted decimal comma and CRLF; semicolons and a byte-order mark.
        for (const char *csv : {"NUM,NAIMEN,PLOTN,ZRN_5\r\n7,\"Песок \"\"М\"\", мелкий\",\"2,64\",96.5\r\n",
                                "\xEF\xBB\xBFNUM;NAIMEN;PLOTN;ZRN_5\n\n7;\"Песок \"\"М\"\", мелкий\";2,64;96,5\n"}) {
            QTemporaryDir seed, work;
            setDataDirectory(work.path());
            writeFile(seed.filePath(QStringLiteral("SANT.csv")), csv);
            QString error;
            QVERIFY2(loadSeed(seed.path(), &error), qPrintable(error));
            QCOMPARE(countOf(files::SANT), qint64(1));
            QVERIFY(lookUp(files::SANT, files::key::SAN_KEYNUM, [] { SAN.NUM = 7; }));
            QCOMPARE(SAN.NAIMEN.text(), QStringLiteral("Песок \"М\", мелкий"));
            QCOMPARE(SAN.PLOTN, 2.64);
            QCOMPARE(SAN.ZRN[4], 96.5);
            QCOMPARE(SAN.ZRN[0], 0.0); // a column left out of the header
        }
    }

    // A value that does not fit is refused with its file, line and field, and nothing is
    // written: neither the bad file nor a good one beside it.
    void valuesThatDoNotFitAreRefused()
    {
        const QByteArray bit = "NUMBIT,MARBIT,P25,TR,TXR\n1,БНД 60/90,75,49.0,-18.5\n";
        const std::tuple<QString, QByteArray, QString> rows[] = {
            {"NORMA", QByteArray("NUM,TYPASPH\n1,тип А\n2,тип смеси с длинным именем\n"), "NORMA.csv, строка 3: поле TYPASPH: текст «тип смеси с длинным именем» длиннее поля (20 знаков)"}, // text too long
            {"BITUMEN", bit + "2,БНД 90/130,1000,45.0,-19.5\n", "BITUMEN.csv, строка 3: поле P25: 1000 вне допустимого диапазона ±999"}, // DECIMAL(3,0) beyond 999
            {"SPLIT", QByteArray("NUM,NAIMEN,PLOTN\n1,Щебень,2.6\n2,Щебень\n"), "SPLIT.csv, строка 3: значений 2, а полей в заголовке 3"}, // a cell missing
            {"SPLIT", QByteArray("NUM,NAIMEN\n1,\"Щебень\n5-10\"\n2,Щебень,\n"), "SPLIT.csv, строка 4: значений 3, а полей в заголовке 2"}, // line numbers count a quoted line break
            {"SPLIT", QByteArray("NUM,NAME\n1,Щебень\n"), "SPLIT.csv, строка 1: в файле SPLIT нет поля «NAME»"}, // unknown column
            {"SPLIT", QByteArray("NUM,NAIMEN\n1,\"Щебень\n"), "SPLIT.csv, строка 2: кавычка не закрыта"}, // quote left open
            {"SPLITT", QByteArray("NUM\n1\n"), "SPLITT.csv: нет такого файла данных"}, // unknown data file
        };
        for (const auto &[file, csv, expected] : rows) {
            QTemporaryDir seed, work;
            setDataDirectory(work.path());
            writeFile(seed.filePath(QStringLiteral("SANT.csv")), "NUM,NAIMEN\n1,Песок\n");
            writeFile(seed.filePath(file + QStringLiteral(".csv")), csv);
            QString error;
            QVERIFY(!loadSeed(seed.path(), &error));
            QCOMPARE(error, expected);
            QCOMPARE(QDir(work.path()).entryList(QDir::Files), QStringList());
        }
    }

    // A fault found only while writing (a duplicate key in the third file) writes nothing, names
    // the CSV line, and leaves nothing behind; the corrected seed then loads once.
    void aFailedLoadWritesNothing()
    {
        QTemporaryDir seed, work;
        setDataDirectory(work.path());
        writeFile(seed.filePath(QStringLiteral("BITUMEN.csv")), "NUMBIT,MARBIT\n1,БНД 60/90\n");
        writeFile(seed.filePath(QStringLiteral("FILLER.csv")), "NUM,NAIMEN\n1,МП-1\n");
        writeFile(seed.filePath(QStringLiteral("N_BALKI.csv")), "ANUM,WIDTEST\n1,изгиб\n2,сжатие\n3,изгиб\n");
        QString error;
        QVERIFY(!loadSeed(seed.path(), &error));
        QVERIFY2(error.startsWith(QStringLiteral("N_BALKI.csv, строка 4: ")), qPrintable(error));
        QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

        writeFile(seed.filePath(QStringLiteral("N_BALKI.csv")), "ANUM,WIDTEST\n1,изгиб\n2,сжатие\n");
        QVERIFY2(loadSeed(seed.path(), &error), qPrintable(error));
        QCOMPARE(countOf(files::BITUMEN), qint64(1));
        QCOMPARE(countOf(files::FILLER), qint64(1));
        QCOMPARE(countOf(files::N_BALKI), qint64(2));
        QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"BITUMEN.sqlite", "FILLER.sqlite", "N_BALKI.sqlite"}));
    }

    // A data file that is already there is never added to (a second load would double its
    // records) nor touched; nothing else is written either.
    void aDataFileAlreadyThereIsRefused()
    {
        for (QByteArray existing : {QByteArray(), QByteArray(4096, 'x')}) { // a loaded file, a damaged one
            QTemporaryDir seed, work;
            setDataDirectory(work.path());
            writeFile(seed.filePath(QStringLiteral("SPLIT.csv")), "NUM,NAIMEN\n1,Щебень\n2,Щебень 2\n");
            if (existing.isEmpty()) {
                QString error;
                QVERIFY2(loadSeed(seed.path(), &error), qPrintable(error));
                existing = [] { QFile f(files::SPLIT.diskName()); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }();
            } else {
                writeFile(files::SPLIT.diskName(), existing);
            }
            writeFile(seed.filePath(QStringLiteral("SANT.csv")), "NUM,NAIMEN\n1,Песок\n");
            QString error;
            QVERIFY(!loadSeed(seed.path(), &error));
            QVERIFY2(error.startsWith(QStringLiteral("SPLIT.sqlite: ")), qPrintable(error));
            QFile f(files::SPLIT.diskName());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), existing);
            QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList({"SPLIT.sqlite"}));
        }
    }

    // `asphalt --seed DIR WORKDIR` loads the seed and ends, creating WORKDIR when missing; a
    // refusal ends with 1 and the message, and removes the directories it created.
    void commandLineSeedOption()
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/asphalt");
        if (!QFileInfo::exists(program))
            QSKIP("the program is not built");
        QTemporaryDir work, bad;
        const QString target = QDir(work.path()).filePath(QStringLiteral("new/demo"));
        QProcess p;
        p.start(program, {QStringLiteral("--seed"), sourceSeedDir(), target});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QFileInfo::exists(QDir(target).filePath(QStringLiteral("NORMA.sqlite"))));

        writeFile(bad.filePath(QStringLiteral("USLOV.csv")), "REGION\nПетропавловск-Камчатский\n");
        const QString other = QDir(work.path()).filePath(QStringLiteral("other/demo"));
        p.start(program, {QStringLiteral("--seed"), bad.path(), other});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(!QFileInfo::exists(QDir(work.path()).filePath(QStringLiteral("other"))));
    }

    // A load killed at any moment leaves a new working directory absent or complete; the next
    // load finishes or removes what it left, so both a new and an existing directory end
    // complete, with no hidden folder beside or inside them.
    void killedLoad()
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/asphalt");
        if (!QFileInfo::exists(program))
            QSKIP("the program is not built");
        QStringList complete;
        for (const QString &csv : QDir(sourceSeedDir()).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name))
            complete << QFileInfo(csv).completeBaseName() + QStringLiteral(".sqlite");
        auto entries = [](const QString &dir) {
            return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        };
        QRandomGenerator random(20261207);
        for (int i = 0; i < 10; ++i) {
            QTemporaryDir work;
            const bool existing = i % 2 == 1;
            const QString target = existing ? work.path() : work.filePath(QStringLiteral("demo"));
            QProcess p;
            p.start(program, {QStringLiteral("--seed"), sourceSeedDir(), target});
            QVERIFY(p.waitForStarted());
            p.waitForFinished(int(random.bounded(1500)));
            p.kill();
            p.waitForFinished();
            if (!existing && QFileInfo::exists(target))
                QCOMPARE(entries(target), complete);
            p.start(program, {QStringLiteral("--seed"), sourceSeedDir(), target});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(entries(target), complete);
            if (!existing)
                QCOMPARE(entries(work.path()), QStringList({QStringLiteral("demo")}));
        }
    }

    // A NUL character in a text cell is refused with its line, not stored cut short.
    void nulInTextRefused()
    {
        QTemporaryDir seed, work;
        setDataDirectory(work.path());
        writeFile(seed.filePath(QStringLiteral("SANT.csv")), QByteArray("NUM,NAIMEN\n1,Песок\n2,Пес") + QByteArray(1, '\0') + QByteArray("ок\n"));
        QString error;
        QVERIFY(!loadSeed(seed.path(), &error));
        QVERIFY2(error.startsWith(QStringLiteral("SANT.csv, строка 3: ")) && error.contains(QStringLiteral("нулевой символ")),
                 qPrintable(error));
        QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSeed)
#include "tst_seed.moc"
