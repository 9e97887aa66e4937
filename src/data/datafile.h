#pragma once
// A data file: one SQLite database in the working directory, or one table of the PostgreSQL
// database that the directory's database.ini names (storage.h; sqlitedriver.cpp, pgdriver.cpp),
// or, for the dBase file, a .dbf table; read and written one record at a time through the
// file's record buffer. The cursor, the filter and the change watch live here, the statements
// in the driver.
//
// Orders: a key (index into FileDesc::keys) or the physical order (-1). Reading is keyset
// based: the file never counts or scans to move; a position re-finds exactly one record.
// Writing is guarded by a change watch: a record read here and written by another process
// since is never overwritten (FileError::ChangedByOther).
#include "data/fileerror.h"
#include "data/schema.h"

#include <functional>
#include <memory>

class DbaseTable;
class StorageDriver;
struct HistoryEntry;
enum class HistoryAction;

// Re-finds one record: its id in the file (0 = none).
struct Position {
    qint64 id = 0;
    bool isNull() const { return id == 0; }
    bool operator==(const Position &) const = default;
};

class DataFile {
public:
    static constexpr int PhysicalOrder = -1;

    DataFile(FileDesc desc, std::unique_ptr<RecordBuffer> buffer);
    ~DataFile();
    DataFile(const DataFile &) = delete;
    DataFile &operator=(const DataFile &) = delete;

    const FileDesc &desc() const { return m_desc; }
    RecordBuffer &buffer() { return *m_buffer; }
    QString name() const { return m_desc.name; }
    // The file's name on disk (in the working directory).
    QString diskName() const;

    // Use counter: procedures count their use of the file (the file-service layer opens it on
    // the first use and closes it on the last).
    LONG USED = 0;

    // ---- lifecycle --------------------------------------------------------------------------
    FileError open();          // shared read-write; NotFound when missing, Locked when held
    FileError create();        // a new, empty file; refuses to replace an existing one
    FileError close();
    FileError rebuildKeys();   // rebuilds every key from the records (repairs a damaged key file)
    bool isOpen() const;
    // Driver options: "Recover=N" (open waits at most N seconds in all for a file another
    // process holds locked; 0: one short try),
    // "QUICKSCAN=on" (check small files fully on every open, big ones on their first open in a
    // run and after damage showed; the default), "QUICKSCAN=off"
    // (check every file fully on open). Returns false for an option it does not know.
    bool sendOption(const QString &option);
    // Told while open() waits for a file another process holds locked ("Recover=N"): the file,
    // how long it has waited and the limit, in ms; returning false gives up at once. Called once
    // more with waitedMs -1 when a wait it was told of is over.
    using LockWaitHook = std::function<bool(const DataFile &file, int waitedMs, int limitMs)>;
    static void setLockWaitHook(LockWaitHook hook);

    // ---- reading ----------------------------------------------------------------------------
    void setOrder(int key);                 // key index or PhysicalOrder; positions at the start
    int order() const { return m_order; }
    void setToStart();                      // next() reads the first record of the order
    void setToEnd();                        // previous() reads the last
    void setToKeyValue();                   // next(): first record at or after the key value in the
                                            // buffer's key fields; previous(): last at or before
    FileError setToPosition(Position p);    // next()/previous() continue after/before that record
    FileError next();
    FileError previous();
    // next() again and again, unfiltered, while `each` (called with the record in the buffer)
    // returns true; read in one go where the driver can (thousands of records for a chart).
    // EndOfFile when the records ended, None when `each` stopped.
    FileError readOnward(const std::function<bool()> &each);
    FileError get(int key);                 // first record whose key equals the buffer's key fields
    FileError fetch(Position p);            // re-read the record at a saved position
    Position position() const { return m_current; } // of the record last read or written

    // The record last read and its change watch. A window that keeps a record of its own while
    // other windows read the same file (an open form) saves this and puts it back before writing.
    struct ReadState {
        Position position;
        qint64 version = 0;
    };
    ReadState readState() const { return {m_current, m_currentVersion}; }
    void restoreReadState(const ReadState &s) { m_current = s.position; m_currentVersion = s.version; }
    qint64 recordCount();
    // The highest record id the file has ever given, deleted ones included (0: none, or unknown).
    qint64 highestIdGiven();

    // A filtered view: next()/previous() skip records the predicate (called with the record in
    // the buffer) refuses. An empty function removes the filter.
    void setFilter(std::function<bool()> accept) { m_filter = std::move(accept); }

    // True when another connection or process has written the file since the last call.
    bool changedElsewhere();
    // How many records this process has added, changed or deleted in the file.
    quint64 writeCount() const { return m_writes; }

    // ---- writing ----------------------------------------------------------------------------
    FileError add();      // the buffer as a new record; position() then finds it
    FileError put();      // the buffer over the record last read (change watch)
    FileError remove();   // the record last read (change watch)
    // Auto-numbering: the buffer as a new record whose `column` is the highest value of `key`
    // + 1 (1 in an empty file). Reading the highest number and adding the record are one write
    // transaction (or part of the open one), so two stations never take the same number. The
    // buffer then holds the added record. `step` tells which part failed.
    enum class NumberingStep { Read, Add };
    FileError addNumbered(int key, int column, NumberingStep *failedStep = nullptr);

    // The change history of the file (history.h): of one record, or of all when `record` is
    // null; oldest first. Every add, put and remove above writes its entry in the same
    // transaction as the record.
    FileError readHistory(Position record, std::vector<HistoryEntry> *out);

    // ---- transactions over this file and others of its group ---------------------------------
    // Starts a write transaction covering every file of the group; waits at most 2 seconds for
    // other processes (FileError::Busy). Files of one group share one connection.
    FileError begin();
    FileError commit();
    FileError rollback();
    bool inTransaction() const;

    // Whether the stored key of the record last read in a key order is the one its fields give
    // (a file changed by another tool may hold a record under a wrong key).
    bool storedKeyMatches() const;

    // Loads the last read record's values that did not fit its fields (a file written by
    // another tool); 0 normally.
    int repairedOnLoad() const { return m_repaired; }

    // Errors: the last operation's outcome is also in currentError().
private:
    friend class SqliteDriver;
    friend class PgDriver;
    struct Cursor {
        bool atStart = true;   // next() reads the first record
        bool atEnd = false;    // previous() reads the last record
        Row sort;              // sort values of the reference point
        qint64 idForNext = 0;  // next() reads records after (sort, idForNext)
        qint64 idForPrev = 0;  // previous() reads records before (sort, idForPrev)
    };
    FileError selectStorage();
    FileError fail(FileError e, int sqliteCode = 0, const QString &message = {});
    FileError succeed();
    FileError step(bool forward);
    FileError readOne(bool forward);
    FileError openDbase();
    // Writes the record (`write`) and its history entry as one unit.
    FileError recorded(HistoryAction action, const std::function<FileError()> &write);
    QString selectList() const;
    QString orderColumns() const;
    QStringList writableColumns() const;
    // The ordering form of a key part: texts by their Windows-1251 weights, numbers as they are;
    // descending parts turned so that every index runs ascending.
    static Value sortValue(const Value &field, bool descending);
    static bool isZeroOrBlank(const Value &field);
    Row sortValues(const Row &fields, int key) const;

    FileDesc m_desc;
    std::unique_ptr<RecordBuffer> m_buffer;
    std::unique_ptr<DbaseTable> m_dbase;
    std::unique_ptr<StorageDriver> m_store; // SQLite files or the database server (not for the dBase file)
    bool m_onServer = false;
    QString m_storeConnection;
    int m_order = PhysicalOrder;
    Position m_current;
    qint64 m_currentVersion = 0;
    std::unique_ptr<Cursor> m_cursor;
    std::function<bool()> m_filter;
    int m_recoverSeconds = 0;
    bool m_quickScan = true;
    int m_repaired = 0;
    qint64 m_dataVersion = -1;
    quint64 m_writes = 0;
};

// Working directory of the data files (default: the current directory).
void setDataDirectory(const QString &dir);
QString dataDirectory();
