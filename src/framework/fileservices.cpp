#include "framework/fileservices.h"

#include "data/backup.h"
#include "data/globals.h"
#include "data/history.h"
#include "framework/picture.h"
#include "framework/warnings.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace {

DataFile *g_transaction = nullptr; // the file whose transaction is open
int g_recoverSeconds = 10;

bool isRecipe(const DataFile &f) { return &f == &files::PODBOR; }

// The number as a recipe link stored in GUR:REZNUM, or nothing when no test record can carry
// it (not a whole number a LONG holds).
std::optional<LONG> asRezNum(REAL number)
{
    if (!(number >= std::numeric_limits<LONG>::min() && number <= std::numeric_limits<LONG>::max()) ||
        std::floor(number) != number)
        return std::nullopt;
    return LONG(number);
}

// Reads a file for a look-up and puts back what it held: the buffer, the order and the record
// last read with its change watch.
class ReadAside {
public:
    explicit ReadAside(DataFile &file)
        : m_file(file), m_row(file.buffer().save()), m_state(file.readState()), m_order(file.order())
    {
    }
    ~ReadAside()
    {
        m_file.setOrder(m_order);
        m_file.buffer().load(m_row);
        m_file.restoreReadState(m_state);
    }
    ReadAside(const ReadAside &) = delete;
    ReadAside &operator=(const ReadAside &) = delete;

private:
    DataFile &m_file;
    Row m_row;
    DataFile::ReadState m_state;
    int m_order;
};

bool useChildren()
{
    if (!useFile(files::OBRGIDRO))
        return false;
    if (!useFile(files::GUR)) {
        releaseFile(files::OBRGIDRO);
        return false;
    }
    return true;
}

void releaseChildren()
{
    releaseFile(files::GUR);
    releaseFile(files::OBRGIDRO);
}

FileError beginOn(DataFile &file)
{
    FileError e = file.begin();
    if (e == FileError::None)
        g_transaction = &file;
    return e;
}

void rollbackOpen()
{
    if (g_transaction && g_transaction->inTransaction())
        g_transaction->rollback();
    g_transaction = nullptr;
}

// Is there a test record (GUR) of recipe `number`?  -1 when the file could not be read.
int gurChildExists(REAL number)
{
    auto rez = asRezNum(number);
    if (!rez)
        return 0;
    GUR = GurRecord();
    GUR.REZNUM = *rez;
    files::GUR.setOrder(files::key::GUR_KEYREZNUM);
    files::GUR.setToKeyValue();
    FileError e = files::GUR.next();
    if (e == FileError::EndOfFile)
        return 0;
    if (e != FileError::None)
        return -1;
    return GUR.REZNUM == *rez ? 1 : 0;
}

int obrChildExists(REAL number)
{
    OBR = ObrgidroRecord();
    OBR.NUMMER = number;
    files::OBRGIDRO.setOrder(files::key::OBR_KEYNUMMER);
    files::OBRGIDRO.setToKeyValue();
    FileError e = files::OBRGIDRO.next();
    if (e == FileError::EndOfFile)
        return 0;
    if (e != FileError::None)
        return -1;
    return OBR.NUMMER == number ? 1 : 0;
}

// Restrict: a changed recipe number may not leave test records behind.
BYTE restrictChild(int exists, const char *childName)
{
    if (exists == 0)
        return 0;
    if (exists < 0) {
        STANDARDWARNING(35, QString::fromLatin1(childName));
        return 1;
    }
    STANDARDWARNING(12, QString::fromLatin1(childName));
    POD.NUM = SAV.NUM;
    return 1;
}

// Clear: the weighings of a deleted recipe keep their values, with recipe number 0.
LONG clearObrgidro(REAL number)
{
    OBR = ObrgidroRecord();
    OBR.NUMMER = number;
    files::OBRGIDRO.setOrder(files::key::OBR_KEYNUMMER);
    files::OBRGIDRO.setToKeyValue();
    for (;;) {
        FileError e = files::OBRGIDRO.next();
        if (e == FileError::EndOfFile || (e == FileError::None && OBR.NUMMER != number))
            return 0;
        if (e != FileError::None) {
            STANDARDWARNING(35, QStringLiteral("OBRGIDRO"));
            return 1;
        }
        OBR.NUMMER = 0;
        if (files::OBRGIDRO.put() != FileError::None) {
            STANDARDWARNING(15, QStringLiteral("OBRGIDRO"));
            return 1;
        }
    }
}

// Cascade: the mechanical tests of a deleted recipe are deleted with it.
LONG deleteGur(REAL number)
{
    auto rez = asRezNum(number);
    if (!rez)
        return 0;
    GUR = GurRecord();
    GUR.REZNUM = *rez;
    files::GUR.setOrder(files::key::GUR_KEYREZNUM);
    files::GUR.setToKeyValue();
    for (;;) {
        FileError e = files::GUR.next();
        if (e == FileError::EndOfFile || (e == FileError::None && GUR.REZNUM != *rez))
            return 0;
        if (e != FileError::None) {
            STANDARDWARNING(35, QStringLiteral("gur"));
            return 1;
        }
        if (files::GUR.remove() != FileError::None) {
            STANDARDWARNING(17, QStringLiteral("gur"));
            return 1;
        }
    }
}

} // namespace

void setRecoverSeconds(int seconds) { g_recoverSeconds = seconds; }

namespace {

// One damaged file must not end the program: the other files and windows keep working, and a
// SQLite file is offered back from the newest backup that holds it whole.
bool offerRestoreOfDamaged(DataFile &file)
{
    const QString caption = QStringLiteral("Повреждённый файл данных");
    const QString path = QFileInfo(file.diskName()).absoluteFilePath();
    QString text = QStringLiteral("Файл данных %1 повреждён или не является файлом этой программы (%2).\n"
                                  "Окна, которым он нужен, не откроются; остальные файлы работают.")
                       .arg(QDir::toNativeSeparators(path), warningErrorText());
    const bool backedUp = QFileInfo::exists(path) && !backupsIn(backupFolder(dataDirectory())).isEmpty();
    if (!backedUp) {
        showMessage(text + QStringLiteral("\nВосстановите этот файл из резервной копии или замените его."), caption,
                    MessageIcon::Exclamation);
        return false;
    }
    text += QStringLiteral("\n\nВосстановить его из последней резервной копии? Повреждённый файл останется рядом "
                           "(%1.damaged).").arg(QFileInfo(path).fileName());
    if (showMessage(text, caption, MessageIcon::Question, MsgYes | MsgNo, MsgNo) != MsgYes)
        return false;
    QString from, error;
    if (!restoreFileFromNewestBackup(dataDirectory(), QFileInfo(path).fileName(), &from, &error)
        || file.open() != FileError::None) {
        showMessage(QStringLiteral("Файл не восстановлен: %1").arg(error.isEmpty() ? warningErrorText() : error), caption,
                    MessageIcon::Exclamation);
        return false;
    }
    showMessage(QStringLiteral("Файл %1 восстановлен из копии %2. Записи, внесённые в него после этой копии, в нём "
                               "отсутствуют: проверьте данные (Файл → Проверить данные).")
                    .arg(QFileInfo(path).fileName(), QDir::toNativeSeparators(from)),
                caption);
    return true;
}

} // namespace

bool CHECKOPEN(DataFile &file, std::optional<bool> createIfMissing)
{
    const QString diskName = file.diskName();
    file.sendOption(QStringLiteral("Recover=0")); // a file found locked is waited for once, below
    FileError e = file.open();
    if (e == FileError::Locked) {
        // Another station holds the file: wait for it at most the recovery time in all, showing
        // the wait (the user may cancel it).
        file.sendOption(QStringLiteral("Recover=%1").arg(g_recoverSeconds));
        DataFile::setLockWaitHook([](const DataFile &f, int waitedMs, int limitMs) {
            if (waitedMs < 0) {
                endWaiting();
                return true;
            }
            return showWaiting(QStringLiteral("Файл %1 занят другой станцией, ожидание...").arg(f.diskName()),
                               waitedMs, limitMs);
        });
        e = file.open();
        DataFile::setLockWaitHook({});
    }
    if (e == FileError::None || e == FileError::AlreadyOpen)
        return true;
    if (e == FileError::Locked) {
        // Only busy, not broken: the program goes on and the user can try again.
        STANDARDWARNING(30, diskName);
        return false;
    }
    if (e == FileError::NotFound && createIfMissing.has_value()) {
        if (!*createIfMissing || file.create() != FileError::None) {
            STANDARDWARNING(4, diskName);
            return false;
        }
        if (file.open() != FileError::None) {
            STANDARDWARNING(5, diskName);
            return false;
        }
        return true;
    }
    if (e == FileError::InvalidFile)
        return offerRestoreOfDamaged(file);
    if (e == FileError::InvalidKeyFile) {
        if (STANDARDWARNING(2, diskName) != MsgYes)
            return false;
        if (file.rebuildKeys() != FileError::None) {
            STANDARDWARNING(3, diskName);
            return false;
        }
        e = file.open();
        if (e == FileError::None)
            return true;
        if (e == FileError::Locked) {
            STANDARDWARNING(30, diskName);
            return false;
        }
    }
    STANDARDWARNING(30, diskName);
    haltApplication(QStringLiteral("Disk Error"));
    return false;
}

bool useFile(DataFile &file)
{
    if (file.USED == 0 && !file.isOpen() && !CHECKOPEN(file, true))
        return false;
    ++file.USED;
    return true;
}

void releaseFile(DataFile &file)
{
    if (file.USED <= 0)
        return;
    if (--file.USED == 0 && file.isOpen())
        file.close();
}

void RISNAP(DataFile &file)
{
    if (isRecipe(file))
        SAV.NUM = POD.NUM;
}

// A laboratory result's reason is asked before the write transaction starts: a question open
// inside it would hold the other stations' writes. It is then kept for the transaction's writes.
bool reasonGiven(DataFile &file, HistoryAction action)
{
    return history::reasonFor(file, action, file.buffer().save(), true).has_value();
}

void RISAVEERROR()
{
    saveError();
    rollbackOpen();
}

BYTE RIUPDATE(DataFile &file, BYTE fromForm)
{
    const bool recipe = isRecipe(file);
    if (recipe && !useChildren())
        return RiFailed;
    auto finish = [&](BYTE result) {
        if (recipe)
            releaseChildren();
        return result;
    };
    if (!reasonGiven(file, HistoryAction::Change))
        return finish(RiCancelled);
    if (beginOn(file) != FileError::None) {
        RISAVEERROR();
        STANDARDWARNING(34, QStringLiteral("Update"), file.name());
        return finish(RiFailed);
    }
    HOLDPOSITION = file.position();
    if (file.put() != FileError::None) {
        RISAVEERROR();
        if (glob::SAVEERRORCODE == LONG(FileError::ChangedByOther)) {
            if (fromForm)
                STANDARDWARNING(38);
            else
                STANDARDWARNING(15, QStringLiteral("Record Changed by Another Station"));
            file.fetch(HOLDPOSITION); // the buffer now shows the other user's version
            return finish(RiChangedByOther);
        }
        STANDARDWARNING(15, file.name());
        return finish(RiFailed);
    }
    if (recipe && POD.NUM != SAV.NUM) {
        BYTE failed = restrictChild(obrChildExists(SAV.NUM), "OBRGIDRO");
        if (!failed)
            failed = restrictChild(gurChildExists(SAV.NUM), "gur");
        if (failed) {
            rollbackOpen();
            return finish(RiFailed);
        }
    }
    if (file.commit() != FileError::None) {
        saveError();
        g_transaction = nullptr;
        STANDARDWARNING(15, file.name());
        return finish(RiFailed);
    }
    g_transaction = nullptr;
    return finish(RiWritten);
}

LONG RIDELETE(DataFile &file)
{
    const bool recipe = isRecipe(file);
    HOLDPOSITION = file.position();
    const qint64 versionSeen = file.readState().version;
    if (recipe && !useChildren())
        return 1;
    auto finish = [&](LONG result) {
        if (recipe)
            releaseChildren();
        return result;
    };
    if (!reasonGiven(file, HistoryAction::Delete))
        return finish(3);
    if (beginOn(file) != FileError::None) {
        RISAVEERROR();
        STANDARDWARNING(34, QStringLiteral("Delete"), file.name());
        return finish(1);
    }
    if (FileError e = file.fetch(HOLDPOSITION); e != FileError::None) {
        if (e == FileError::RecordNotFound) // deleted by another station since it was read
            setCurrentError(FileError::ChangedByOther, currentError().driverCode, currentError().driverMessage);
        RISAVEERROR();
        STANDARDWARNING(17, file.name());
        return finish(1);
    }
    if (file.readState().version != versionSeen) {
        // Changed by another station since the user saw it: refused as a change is; the buffer
        // holds the record as it is now, for the user to decide again.
        const Row current = file.buffer().save();
        rollbackOpen();
        file.buffer().load(current);
        showMessage(QStringLiteral("Запись не удалена: после того как она была прочитана, её изменила другая станция. "
                                   "Теперь показана запись в её нынешнем виде; удалите её снова, если она не нужна."),
                    QStringLiteral("Запись не удалена"), MessageIcon::Exclamation);
        return finish(2);
    }
    std::optional<PodborRecord> sharing; // another recipe with this number: the test records are its too
    if (recipe) {
        const REAL number = POD.NUM;
        sharing = otherRecipeNumbered(number, HOLDPOSITION);
        if (!sharing && (clearObrgidro(number) != 0 || deleteGur(number) != 0)) {
            rollbackOpen();
            files::PODBOR.fetch(HOLDPOSITION);
            return finish(1);
        }
    }
    if (file.remove() != FileError::None) {
        RISAVEERROR();
        STANDARDWARNING(17, file.name());
        return finish(1);
    }
    if (file.commit() != FileError::None) {
        saveError();
        g_transaction = nullptr;
        STANDARDWARNING(17, file.name());
        return finish(1);
    }
    g_transaction = nullptr;
    if (sharing)
        showMessage(QStringLiteral("Записи испытаний рецепта № %1 оставлены: этот номер носит и рецепт «%2» от %3.")
                        .arg(sharing->NUM)
                        .arg(sharing->OBEKT.text().trimmed(), Picture::of("d6").formatDate(sharing->DATE)),
                    QStringLiteral("Рецепт удалён"));
    return finish(0);
}

std::optional<PodborRecord> otherRecipeNumbered(REAL number, Position except)
{
    FileUse use(files::PODBOR);
    if (!use.ok())
        return std::nullopt;
    DataFile &file = files::PODBOR;
    const ReadAside aside(file);
    POD = PodborRecord();
    POD.NUM = number;
    file.setOrder(files::key::POD_KEYNUM);
    file.setToKeyValue();
    while (file.next() == FileError::None && POD.NUM == number)
        if (file.position() != except)
            return POD;
    return std::nullopt;
}

REAL nextFreeRecipeNumber()
{
    FileUse use(files::PODBOR);
    if (!use.ok())
        return 1;
    DataFile &file = files::PODBOR;
    const ReadAside aside(file);
    file.setOrder(files::key::POD_KEYNUM);
    file.setToEnd();
    return file.previous() == FileError::None ? std::max(REAL(1), std::floor(POD.NUM) + 1) : REAL(1);
}
