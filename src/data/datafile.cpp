#include "data/datafile.h"

#include "data/dbase.h"
#include "data/history.h"
#include "data/storage.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QElapsedTimer>
#include <limits>
#include <sqlite3.h>

std::unique_ptr<StorageDriver> makeSqliteDriver(DataFile &file);

namespace {

constexpr int kRetryMs = 100; // an open waiting for a locked file tries again this often

DataFile::LockWaitHook &lockWaitHook()
{
    static DataFile::LockWaitHook hook;
    return hook;
}

QString g_dataDir;

QString quoted(const QString &id) { return QLatin1Char('"') + id + QLatin1Char('"'); }
QString sortColumn(int key, int part) { return QStringLiteral("k%1_%2").arg(key + 1).arg(part + 1); }
QString uniqueColumn(int key) { return QStringLiteral("u%1").arg(key + 1); }

} // namespace

void setDataDirectory(const QString &dir) { g_dataDir = dir; }
QString dataDirectory() { return g_dataDir.isEmpty() ? QDir::currentPath() : g_dataDir; }

// The ordering form of a key part: texts by their Windows-1251 weights, numbers as they are;
// descending parts are turned so that every index runs ascending.
Value DataFile::sortValue(const Value &field, bool descending)
{
    if (auto *b = std::get_if<QByteArray>(&field)) {
        QByteArray key = cp1251::sortKey(*b);
        if (!descending)
            return key;
        key.append('\0');
        for (auto &c : key)
            c = char(~quint8(c));
        return key;
    }
    double d = 0;
    if (auto *i = std::get_if<qint64>(&field)) d = double(*i);
    if (auto *r = std::get_if<double>(&field)) d = *r;
    return descending ? -d : d;
}

bool DataFile::isZeroOrBlank(const Value &field)
{
    if (auto *b = std::get_if<QByteArray>(&field)) return cp1251::sortKey(*b).isEmpty();
    if (auto *i = std::get_if<qint64>(&field)) return *i == 0;
    if (auto *r = std::get_if<double>(&field)) return *r == 0;
    return true;
}

DataFile::DataFile(FileDesc desc, std::unique_ptr<RecordBuffer> buffer)
    : m_desc(std::move(desc)), m_buffer(std::move(buffer)), m_cursor(std::make_unique<Cursor>())
{
}

DataFile::~DataFile()
{
    if (isOpen())
        close();
}

QString DataFile::diskName() const
{
    if (m_store && m_store->isOpen())
        return m_store->location();
    if (m_desc.driver == Driver::Sqlite && QFileInfo::exists(databaseIniPath(dataDirectory())))
        return m_desc.name + QStringLiteral(" @ ") + databaseChoice(dataDirectory()).connection;
    return QDir(dataDirectory()).filePath(m_desc.name + (m_desc.driver == Driver::DBase ? QStringLiteral(".dbf") : QStringLiteral(".sqlite")));
}

bool DataFile::isOpen() const { return (m_dbase && m_dbase->isOpen()) || (m_store && m_store->isOpen()); }

// The working directory's database.ini chooses the database server; without it the files are
// SQLite files in the directory. Chosen while the file is closed.
FileError DataFile::selectStorage()
{
    if (m_desc.driver != Driver::Sqlite) {
        m_store.reset();
        return FileError::None;
    }
    const DatabaseChoice choice = databaseChoice(dataDirectory());
    if (!choice.error.isEmpty())
        return fail(FileError::FileSystem, 0, choice.error);
    const QString wanted = choice.server ? choice.connection : QString();
    if (!m_store || m_onServer != choice.server || m_storeConnection != wanted) {
        m_store = choice.server ? makeServerDriver(*this, choice.connection) : makeSqliteDriver(*this);
        m_onServer = choice.server;
        m_storeConnection = wanted;
    }
    return FileError::None;
}

FileError DataFile::fail(FileError e, int sqliteCode, const QString &message)
{
    QString text = message;
    if (text.isEmpty() && sqliteCode)
        text = QString::fromUtf8(sqlite3_errstr(sqliteCode));
    setCurrentError(e, sqliteCode, text);
    return e;
}

FileError DataFile::succeed()
{
    clearCurrentError();
    return FileError::None;
}

bool DataFile::sendOption(const QString &option)
{
    QString o = option.trimmed();
    if (o.startsWith(QLatin1String("Recover="), Qt::CaseInsensitive)) {
        bool ok = false;
        int seconds = o.mid(8).toInt(&ok);
        if (!ok || seconds < 0)
            return false;
        m_recoverSeconds = seconds;
        return true;
    }
    if (o.compare(QLatin1String("QUICKSCAN=on"), Qt::CaseInsensitive) == 0) { m_quickScan = true; return true; }
    if (o.compare(QLatin1String("QUICKSCAN=off"), Qt::CaseInsensitive) == 0) { m_quickScan = false; return true; }
    return false;
}

// ---- create, open, close ------------------------------------------------------------------
FileError DataFile::create()
{
    if (m_desc.driver == Driver::DBase) {
        const QString path = diskName();
        std::vector<DbaseTable::Field> fields;
        for (auto &c : m_desc.columns)
            fields.push_back({c.name, 20, 6});
        FileError e = DbaseTable::create(path, fields);
        return e == FileError::None ? succeed() : fail(e, 0, QStringLiteral("cannot create ") + path);
    }
    if (!isOpen())
        if (FileError e = selectStorage(); e != FileError::None)
            return e;
    return m_store->create();
}

FileError DataFile::openDbase()
{
    if (!m_dbase)
        m_dbase = std::make_unique<DbaseTable>();
    FileError e = m_dbase->open(diskName());
    if (e != FileError::None)
        return fail(e, 0, diskName());
    m_current = {};
    setToStart();
    return succeed();
}

FileError DataFile::open()
{
    if (isOpen())
        return fail(FileError::AlreadyOpen);
    if (m_desc.driver == Driver::DBase)
        return openDbase();
    if (FileError e = selectStorage(); e != FileError::None)
        return e;
    if (!m_onServer && !QFileInfo::exists(diskName()))
        return fail(FileError::NotFound, 0, diskName());

    // A file another process holds answers "locked"; with "Recover=N" the open tries again
    // until N seconds have passed in all, telling the lock-wait hook how long it has waited
    // (the hook may give up sooner).
    const int limitMs = m_recoverSeconds * 1000;
    QElapsedTimer clock;
    clock.start();
    bool waited = false;
    auto endWait = [&] {
        if (waited && lockWaitHook())
            lockWaitHook()(*this, -1, limitMs);
    };
    for (;;) {
        FileError e = m_store->open();
        if (e != FileError::Locked) {
            endWait();
            return e;
        }
        const ErrorState why = currentError();
        const qint64 elapsed = clock.elapsed();
        bool goOn = elapsed < limitMs;
        if (goOn && lockWaitHook()) {
            waited = true;
            goOn = lockWaitHook()(*this, int(elapsed), limitMs);
        }
        if (!goOn) {
            endWait();
            return fail(FileError::Locked, why.driverCode, why.driverMessage);
        }
        QThread::msleep(ulong(qMin<qint64>(kRetryMs, limitMs - elapsed)));
    }
}

void DataFile::setLockWaitHook(LockWaitHook hook) { lockWaitHook() = std::move(hook); }

FileError DataFile::close()
{
    if (m_dbase && m_dbase->isOpen()) {
        m_dbase->close();
        return succeed();
    }
    if (!m_store || !m_store->isOpen())
        return fail(FileError::NotOpen);
    return m_store->close();
}

// Rebuilds the keys of a closed file (repairs a damaged key file).
FileError DataFile::rebuildKeys()
{
    if (isOpen())
        return fail(FileError::AlreadyOpen);
    if (m_desc.driver == Driver::DBase)
        return succeed();
    if (FileError e = selectStorage(); e != FileError::None)
        return e;
    return m_store->rebuildKeys();
}

// ---- reading ------------------------------------------------------------------------------
Row DataFile::sortValues(const Row &fields, int key) const
{
    Row out;
    for (auto &part : m_desc.keys[key].parts)
        out.push_back(sortValue(fields[part.column], part.descending));
    return out;
}

bool DataFile::storedKeyMatches() const
{
    if (m_order == PhysicalOrder || m_current.isNull())
        return true;
    return m_cursor->sort == sortValues(m_buffer->save(), m_order);
}

void DataFile::setOrder(int key)
{
    m_order = (key >= 0 && key < int(m_desc.keys.size())) ? key : PhysicalOrder;
    setToStart();
}

void DataFile::setToStart()
{
    *m_cursor = Cursor{};
    m_cursor->atStart = true;
    m_cursor->atEnd = true;
}

void DataFile::setToEnd() { setToStart(); }

void DataFile::setToKeyValue()
{
    *m_cursor = Cursor{};
    m_cursor->atStart = m_cursor->atEnd = false;
    if (m_order == PhysicalOrder) {
        m_cursor->idForNext = 0;
        m_cursor->idForPrev = std::numeric_limits<qint64>::max();
        return;
    }
    m_cursor->sort = sortValues(m_buffer->save(), m_order);
    m_cursor->idForNext = 0;
    m_cursor->idForPrev = std::numeric_limits<qint64>::max();
}

// The select list: id, ver, every field, then the sort columns of the current order.
QString DataFile::selectList() const
{
    QStringList cols{QStringLiteral("id"), QStringLiteral("ver")};
    for (auto &c : m_desc.columns)
        cols << quoted(c.name);
    if (m_order != PhysicalOrder)
        for (int p = 0; p < int(m_desc.keys[m_order].parts.size()); ++p)
            cols << sortColumn(m_order, p);
    return cols.join(QLatin1Char(','));
}

QString DataFile::orderColumns() const
{
    QStringList cols;
    if (m_order != PhysicalOrder)
        for (int p = 0; p < int(m_desc.keys[m_order].parts.size()); ++p)
            cols << sortColumn(m_order, p);
    cols << QStringLiteral("id");
    return cols.join(QLatin1Char(','));
}

FileError DataFile::readOne(bool forward)
{
    if (m_dbase) {
        qint64 recno = forward ? (m_cursor->atStart ? 1 : m_cursor->idForNext + 1)
                               : (m_cursor->atEnd ? m_dbase->recordCount() : m_cursor->idForPrev - 1);
        for (; recno >= 1 && recno <= m_dbase->recordCount(); recno += forward ? 1 : -1) {
            std::vector<double> values;
            FileError e = m_dbase->read(recno, values);
            if (e == FileError::RecordNotFound) continue;
            if (e != FileError::None) return fail(e);
            Row row;
            for (double v : values) row.emplace_back(v);
            m_buffer->load(row);
            m_current.id = recno;
            m_cursor->idForNext = m_cursor->idForPrev = recno;
            m_cursor->atStart = m_cursor->atEnd = false;
            return succeed();
        }
        return fail(FileError::EndOfFile);
    }
    if (!m_store || !m_store->isOpen())
        return fail(FileError::NotOpen);
    return m_store->readOne(forward);
}

FileError DataFile::step(bool forward)
{
    if (!m_filter)
        return readOne(forward);
    Row before = m_buffer->save();
    Position beforePos = m_current;
    for (;;) {
        FileError e = readOne(forward);
        if (e != FileError::None) {
            m_buffer->load(before);
            m_current = beforePos;
            return fail(e);
        }
        if (m_filter())
            return FileError::None;
    }
}

FileError DataFile::next() { return step(true); }
FileError DataFile::previous() { return step(false); }

FileError DataFile::readOnward(const std::function<bool()> &each)
{
    if (!m_dbase && !m_filter && m_store && m_store->isOpen())
        return m_store->readOnward(each);
    FileError e;
    while ((e = next()) == FileError::None)
        if (!each())
            return e;
    return e;
}

FileError DataFile::get(int key)
{
    if (!m_store || !m_store->isOpen())
        return m_dbase ? fail(FileError::RecordNotFound) : fail(FileError::NotOpen);
    return m_store->get(key);
}

FileError DataFile::fetch(Position p)
{
    if (m_dbase) {
        m_cursor->atStart = m_cursor->atEnd = false;
        m_cursor->idForNext = p.id - 1;
        FileError e = readOne(true);
        return (e == FileError::None && m_current.id == p.id) ? e : fail(FileError::RecordNotFound);
    }
    if (!m_store || !m_store->isOpen())
        return fail(FileError::NotOpen);
    return m_store->fetch(p.id);
}

FileError DataFile::setToPosition(Position p)
{
    Row keep = m_buffer->save();
    Position keepPos = m_current;
    qint64 keepVer = m_currentVersion;
    FileError e = fetch(p);
    m_buffer->load(keep);
    m_current = keepPos;
    m_currentVersion = keepVer;
    if (e != FileError::None)
        return e;
    // next() and previous() both read the record at p first.
    m_cursor->idForNext = p.id - 1;
    m_cursor->idForPrev = p.id + 1;
    return succeed();
}

qint64 DataFile::highestIdGiven()
{
    return m_store && m_store->isOpen() ? m_store->highestIdGiven() : 0;
}

qint64 DataFile::recordCount()
{
    if (m_dbase)
        return m_dbase->recordCount();
    return m_store && m_store->isOpen() ? m_store->recordCount() : 0;
}

bool DataFile::changedElsewhere() { return m_store && m_store->isOpen() && m_store->changedElsewhere(); }

// ---- writing ------------------------------------------------------------------------------
QStringList DataFile::writableColumns() const
{
    QStringList cols;
    for (auto &c : m_desc.columns)
        cols << quoted(c.name);
    for (int k = 0; k < int(m_desc.keys.size()); ++k) {
        for (int p = 0; p < int(m_desc.keys[k].parts.size()); ++p)
            cols << sortColumn(k, p);
        if (m_desc.keys[k].unique)
            cols << uniqueColumn(k);
    }
    return cols;
}

FileError DataFile::add()
{
    Row fields = m_buffer->save();
    if (m_dbase) {
        std::vector<double> values;
        for (auto &v : fields) values.push_back(std::holds_alternative<double>(v) ? std::get<double>(v) : 0.0);
        qint64 recno = 0;
        FileError e = m_dbase->append(values, recno);
        if (e != FileError::None) return fail(e);
        m_current.id = recno;
        return succeed();
    }
    return recorded(HistoryAction::Add, [this] { return m_store->add(); });
}

FileError DataFile::addNumbered(int key, int column, NumberingStep *failedStep)
{
    auto failedAt = [&](NumberingStep step) {
        if (failedStep)
            *failedStep = step;
    };
    failedAt(NumberingStep::Add);
    if (!m_store || !m_store->isOpen())
        return fail(FileError::NotOpen);
    if (key < 0 || key >= int(m_desc.keys.size()) || column < 0 || column >= int(m_desc.columns.size()))
        return fail(FileError::RecordNotFound, 0, QStringLiteral("no such key or column"));
    // The number is read inside the write transaction: no other station can add between.
    const bool own = !inTransaction();
    if (own) {
        FileError e = begin();
        if (e != FileError::None)
            return e;
    }
    auto giveUp = [&](FileError e) {
        if (own) {
            const ErrorState why = currentError();
            rollback();
            setCurrentError(e, why.driverCode, why.driverMessage);
        }
        return e;
    };
    const Row primed = m_buffer->save();
    const int order = m_order;
    m_order = key;
    setToEnd();
    FileError e = readOne(false); // the highest number, whatever filter a list has set
    double number = 1;
    if (e == FileError::None)
        number = [](const Value &v) {
            if (auto *i = std::get_if<qint64>(&v)) return double(*i);
            if (auto *d = std::get_if<double>(&v)) return *d;
            return 0.0;
        }(m_buffer->save().at(column)) + 1;
    const ErrorState readError = currentError();
    setOrder(order);
    if (e != FileError::None && e != FileError::EndOfFile) {
        m_buffer->load(primed);
        failedAt(NumberingStep::Read);
        setCurrentError(e, readError.driverCode, readError.driverMessage);
        return giveUp(e);
    }
    Row row = primed;
    row[column] = m_desc.columns[column].type == ColumnType::Real || m_desc.columns[column].type == ColumnType::Decimal
                      ? Value(number)
                      : Value(qint64(number));
    m_buffer->load(row);
    e = add();
    if (e == FileError::None && own)
        e = commit();
    if (e != FileError::None) {
        m_buffer->load(primed);
        return giveUp(e);
    }
    return e;
}

FileError DataFile::put()
{
    if (m_dbase) {
        std::vector<double> values;
        for (auto &v : m_buffer->save()) values.push_back(std::holds_alternative<double>(v) ? std::get<double>(v) : 0.0);
        FileError e = m_dbase->write(m_current.id, values);
        return e == FileError::None ? succeed() : fail(e);
    }
    return recorded(HistoryAction::Change, [this] { return m_store->put(); });
}

FileError DataFile::remove()
{
    if (m_dbase) {
        FileError e = m_dbase->markDeleted(m_current.id);
        return e == FileError::None ? succeed() : fail(e);
    }
    return recorded(HistoryAction::Delete, [this] { return m_store->remove(); });
}

// The driver reads the record changed or deleted as stored, under the change watch (which lets
// the write through only when nobody changed it since), so the entry holds what was replaced.
FileError DataFile::recorded(HistoryAction action, const std::function<FileError()> &write)
{
    if (!m_store || !m_store->isOpen())
        return fail(FileError::NotOpen);
    if (!history::recording())
        return write();
    Row before;
    if (action != HistoryAction::Add && !m_current.isNull() && history::needsReason(name()))
        if (FileError e = m_store->readStored(m_current.id, &before); e != FileError::None && e != FileError::RecordNotFound)
            return e; // a record gone is the change watch's to refuse
    const std::optional<QString> reason = history::reasonFor(*this, action, before, inTransaction());
    if (!reason)
        return fail(FileError::Cancelled, 0, QStringLiteral("no reason given"));
    const Position position = m_current;
    const qint64 version = m_currentVersion;
    const quint64 writes = m_writes;
    const auto entryOf = [&](const Row &stored, qint64 record) -> std::optional<HistoryEntry> {
        const Row after = action == HistoryAction::Delete ? Row() : m_buffer->save();
        HistoryEntry entry = history::entryFor(m_desc, action, record, stored, after);
        if (action == HistoryAction::Change && entry.fields.isEmpty())
            return std::nullopt;
        entry.reason = *reason;
        return entry;
    };
    const FileError e = m_store->writeRecorded(action, write, entryOf);
    if (e == FileError::None)
        return succeed();
    m_current = position;
    m_currentVersion = version;
    m_writes = writes;
    return e;
}

FileError DataFile::readHistory(Position record, std::vector<HistoryEntry> *out)
{
    out->clear();
    if (!m_store || !m_store->isOpen())
        return fail(FileError::NotOpen);
    const FileError e = m_store->readHistory(record.id, out);
    return e == FileError::None ? succeed() : e;
}

// ---- transactions -------------------------------------------------------------------------
bool DataFile::inTransaction() const { return m_store && m_store->isOpen() && m_store->inTransaction(); }

FileError DataFile::begin() { return m_store && m_store->isOpen() ? m_store->begin() : fail(FileError::NotOpen); }

FileError DataFile::commit()
{
    history::forgetTransactionReason();
    return inTransaction() ? m_store->commit() : fail(FileError::NotOpen, 0, QStringLiteral("no transaction"));
}

FileError DataFile::rollback()
{
    history::forgetTransactionReason();
    return inTransaction() ? m_store->rollback() : fail(FileError::NotOpen, 0, QStringLiteral("no transaction"));
}
