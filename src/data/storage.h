#pragma once
// The record-level storage interface behind DataFile, and the choice of the database per
// working directory.
//
// A working directory holds its data as SQLite files (the default, built into DataFile), or,
// when it holds a `database.ini`, as the tables of one PostgreSQL database reached with the
// libpq connection string or service name written there:
//
//     # the laboratory's database
//     connection = host=labserver dbname=asphalt user=lab1 sslmode=verify-full
//   or
//     service = asphalt
//
// A password never goes in that file: libpq's own password file (~/.pgpass, or pgpass.conf under
// %APPDATA%/postgresql on Windows) and service file are used.
#include "data/fileerror.h"
#include "data/history.h"

#include <QString>
#include <memory>
#include <functional>
#include <optional>
#include <vector>

class DataFile;

// What a driver does for one data file. The cursor, the filter and the change watch state live
// in the DataFile; the driver reads and writes them.
class StorageDriver {
public:
    virtual ~StorageDriver() = default;
    virtual QString location() const = 0; // where the file lives, for messages
    virtual FileError create() = 0;
    virtual FileError open() = 0;
    virtual FileError close() = 0;
    virtual bool isOpen() const = 0;
    virtual FileError rebuildKeys() = 0;
    virtual FileError readOne(bool forward) = 0; // the next record of the order from the cursor
    // readOne(true) again and again while `each` (the record in the buffer) says go on; a driver
    // may read them with one statement.
    virtual FileError readOnward(const std::function<bool()> &each)
    {
        FileError e;
        while ((e = readOne(true)) == FileError::None)
            if (!each())
                return e;
        return e;
    }
    virtual FileError get(int key) = 0;
    virtual FileError fetch(qint64 id) = 0;
    virtual qint64 recordCount() = 0;
    // The highest id the file has ever given (deleted records' ids included), 0 when unknown.
    virtual qint64 highestIdGiven() { return 0; }
    virtual bool changedElsewhere() = 0;
    virtual FileError add() = 0;
    virtual FileError put() = 0;
    virtual FileError remove() = 0;
    virtual FileError begin() = 0;
    virtual FileError commit() = 0;
    virtual FileError rollback() = 0;
    virtual bool inTransaction() const = 0;

    // The change history (history.h). Writes the current record (`write`: its add, put or
    // remove) and the entry that `entryOf` makes of it, given the record as stored before (none
    // for an add) and its id, both or neither: in a transaction of its own, or as a part of the
    // one open. No entry (a change that changed nothing): the record alone.
    using EntryOf = std::function<std::optional<HistoryEntry>(const Row &before, qint64 record)>;
    virtual FileError writeRecorded(HistoryAction action, const std::function<FileError()> &write, const EntryOf &entryOf) = 0;
    // The fields of the record stored under `id`, leaving the file's buffer and cursor alone (the
    // current record's may be the ones read, while the change watch holds them stored).
    virtual FileError readStored(qint64 id, Row *fields) = 0;
    // The file's entries in their order; of one record, or all when `record` is 0.
    virtual FileError readHistory(qint64 record, std::vector<HistoryEntry> *out) = 0;
};

struct DatabaseChoice {
    bool server = false;   // a database.ini was found
    QString connection;    // its libpq connection string
    QString error;         // why the file cannot be used (then server is true too)
};
QString databaseIniPath(const QString &dir);
// Reads dir/database.ini. Refuses a file that holds a password or no connection.
DatabaseChoice databaseChoice(const QString &dir);

std::unique_ptr<StorageDriver> makeServerDriver(DataFile &file, const QString &connection);

// Copies the data files of the working directory `dir` (SQLite files) into the database
// reached by `connection`, whose tables for them must not exist yet. All or nothing: one
// transaction. `counts` gets the records copied per file. With `replace` the tables may exist:
// their rows and the whole change history are replaced (a restore).
struct CopyCount {
    QString file;
    qint64 records = 0;
};
bool copyToServer(const QString &connection, const QString &dir, std::vector<CopyCount> *counts, QString *error,
                  bool replace = false);
// The reverse: the data files of the database reached by `connection`, with their history, into
// new SQLite files in `dir` (which must hold none), as one consistent state of the server.
bool copyFromServer(const QString &connection, const QString &dir, std::vector<CopyCount> *counts, QString *error);
