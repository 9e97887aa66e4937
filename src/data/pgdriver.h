#pragma once
// The PostgreSQL driver of one data file (pgdriver.cpp). Private to the driver's files.
#include "data/pgconnection.h"
#include "data/pgschema.h"
#include "data/storage.h"

#include <QElapsedTimer>
#include <QStringList>

class PgDriver final : public StorageDriver {
public:
    PgDriver(DataFile &file, QString connection) : f(file), m_connection(std::move(connection)) {}
    ~PgDriver() override { if (m_conn) close(); }

    QString location() const override { return f.m_desc.name + QStringLiteral(" @ ") + m_connection; }
    bool isOpen() const override { return m_conn != nullptr; }
    bool inTransaction() const override { return m_conn && m_conn->inTransaction; }

    FileError create() override;
    FileError open() override;
    FileError close() override;
    FileError rebuildKeys() override;
    FileError readOne(bool forward) override;
    FileError get(int key) override;
    FileError fetch(qint64 id) override;
    qint64 recordCount() override;
    bool changedElsewhere() override;
    FileError add() override;
    FileError put() override;
    FileError remove() override;
    FileError begin() override;
    FileError commit() override;
    FileError rollback() override;
    FileError writeRecorded(HistoryAction action, const std::function<FileError()> &write, const EntryOf &entryOf) override;
    FileError readStored(qint64 id, Row *fields) override;
    FileError readHistory(qint64 record, std::vector<HistoryEntry> *out) override;

    // The values of a record's writable columns: its fields, then its keys' sort columns (a
    // blank unique key NULL, so that it may repeat).
    Row rowValuesOf(const Row &fields) const;
    // The same as the parameters of a statement.
    pg::Params rowParamsOf(const Row &fields) const;
    QStringList writableColumns() const { return f.writableColumns(); }

    static void restoreUndo(const pg::PgConnection::Undo &u)
    {
        u.file->m_current = u.position;
        u.file->m_currentVersion = u.version;
    }

private:
    DataFile &f;
    QString m_connection;
    std::shared_ptr<pg::PgConnection> m_conn;
    quint64 m_reconnects = 0;

    QString table() const { return pg::quoted(f.m_desc.name); }
    FileError failWith(const pg::Result &r, bool opening = false)
    {
        const pg::Failure why = pg::failureOf(r, m_conn ? m_conn->conn : nullptr, opening);
        return f.fail(why.error, why.code, why.message);
    }
    // The connection, reconnected when it was lost; false (and the error set) when it cannot be.
    bool ready()
    {
        if (!m_conn) {
            f.fail(FileError::NotOpen);
            return false;
        }
        QString why;
        if (!m_conn->ensure(&why)) {
            f.fail(FileError::FileSystem, pg::kLostCode, why);
            return false;
        }
        return true;
    }
    PGconn *separateConnection(QString *why) { return pg::connect(m_connection, why); }
    QString selectSql(const QString &where, const QString &orderBy) const
    {
        return QStringLiteral("SELECT %1 FROM %2%3%4").arg(f.selectList(), table(), where, orderBy);
    }
    void loadRow(const pg::Result &r, int row = 0);
    // The fields of a result row, from column `first` on.
    Row fieldsOf(const pg::Result &r, int row, int first, int *repaired) const;
    FileError keepHistoryTable();

    // A statement that writes the file's current record (action: add, change or delete),
    // returning its id; its parameters numbered from `first`. An add's `id` given ahead (0: the
    // table's next). `also`: a further condition on the write.
    struct Write {
        QString sql;
        pg::Params params;
    };
    Write recordWrite(HistoryAction action, qint64 id, int first, const QString &also) const;
    Write recordedWrite(HistoryAction action, const HistoryEntry &entry, const pg::PgConnection::ChainEnd &end) const;
    FileError writePlain(HistoryAction action);
    FileError written(HistoryAction action, qint64 id); // the file after its record's write
    // The current record as read (or written) last, with its version.
    struct AsRead {
        qint64 id = 0;
        qint64 version = 0;
        Row row;
    } m_read;
    FileError readChainEnd(const QString &file, pg::PgConnection::ChainEnd *end);
    // Read-ahead: a list reading on in one direction gets the following records with one
    // statement instead of one statement each. They are served only while the cursor goes on
    // from the last one served, for a moment (then read afresh), and never after a write.
    struct ReadAhead {
        pg::Result rows;
        int next = 0;
        bool forward = true;
        int order = DataFile::PhysicalOrder;
        qint64 lastId = 0;
        Row lastSort;
        QElapsedTimer age;
    } m_ahead;
    void forgetAhead()
    {
        m_ahead.rows = pg::Result();
        m_ahead.lastId = 0;
    }
    bool goesOn(bool forward) const
    {
        const auto &c = *f.m_cursor;
        return m_ahead.lastId != 0 && m_ahead.forward == forward && m_ahead.order == f.m_order && !c.atStart && !c.atEnd
               && c.idForNext == m_ahead.lastId && c.idForPrev == m_ahead.lastId && c.sort == m_ahead.lastSort;
    }
    void served(bool forward)
    {
        m_ahead.forward = forward;
        m_ahead.order = f.m_order;
        m_ahead.lastId = f.m_current.id;
        m_ahead.lastSort = f.m_cursor->sort;
    }
    void remember()
    {
        if (m_conn->inTransaction)
            m_conn->undo.push_back({&f, f.m_current, f.m_currentVersion});
    }
};
