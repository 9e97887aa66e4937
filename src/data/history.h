#pragma once
// The change history: every add, change and delete of a record leaves one entry, written by the
// storage driver in the same transaction as the record (both or neither).
//
// Each data file keeps the entries of its records: a `history` table inside its SQLite file (one
// file, so that the record and its entry commit together without a second file to synchronise),
// or the rows of its name in the server's `history` table. The entries of a file form a chain:
// each one's hash covers its content and the previous entry's hash (SHA-256), so that an entry
// edited or removed by another tool breaks the chain, and the data check finds it.
#include "data/schema.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class DataFile;

enum class HistoryAction { Add, Change, Delete };

// One field of an entry: its old value (empty for an add) and new value (empty for a delete).
struct HistoryField {
    QString name;
    QString before;
    QString after;
    bool operator==(const HistoryField &) const = default;
};

struct HistoryEntry {
    qint64 id = 0;      // order of the entries of a file
    QString at;         // UTC, ISO 8601 with milliseconds
    QString user;       // the system user
    QString role;       // the database role (PostgreSQL), else empty
    QString station;    // host name
    QString window;     // the window the change was made in
    QString file;       // data file ("GUR")
    qint64 record = 0;  // the record's id in the file
    QString keys;       // the record's key fields as a person reads them ("NUM=12")
    HistoryAction action = HistoryAction::Add;
    QString fields;     // the fields, encoded (fieldsText / fieldsOf)
    QString reason;
    QString prev;       // hash of the file's previous entry (empty for the first)
    QString hash;

    QDateTime localTime() const;
};

namespace history {

QString actionName(HistoryAction a);        // "add", "change", "delete" (as stored)
std::optional<HistoryAction> actionOf(const QString &name);
QString actionText(HistoryAction a);        // "Добавление", "Изменение", "Удаление"

// The entry for a record written: for a change the fields that differ, else every field.
// Empty `fields` for a change means nothing changed (no entry is written then).
HistoryEntry entryFor(const FileDesc &desc, HistoryAction action, qint64 record, const Row &before, const Row &after);
QString fieldsText(const std::vector<HistoryField> &fields);
std::vector<HistoryField> fieldsOf(const QString &text);

// The entry's hash, from its content and its `prev`.
QString hashOf(const HistoryEntry &e);
// What the hash covers, in the two parts around the record's id: the hash of an entry whose id a
// database gives as it writes is SHA-256 over the first part, the id in digits and the second.
std::pair<QByteArray, QByteArray> hashedAroundRecord(const HistoryEntry &e);
// Sets prev and hash: the entry follows the one whose hash is `previous`.
void seal(HistoryEntry &e, const QString &previous);
// Where a file's entries (in id order) break their chain: the entries whose hash does not match
// their content, or whose prev is not the hash before them.
std::vector<const HistoryEntry *> brokenLinks(const std::vector<HistoryEntry> &chain);

// Whether writes leave entries (always, but for measuring what the entries cost: bench_storage).
void setRecording(bool on);
bool recording();

// Who writes: the system user and the host, and the window the change is made in (set by the
// frame as windows are activated).
void setWindow(const QString &title);
QString window();
QString systemUser();
QString station();

// The reason asked for changing or deleting a stored laboratory result. The asker returns the
// reason, or nothing when the user cancels (the write is then refused). Without an asker (no
// windows) nothing is asked. A reason given is kept for the writes of one open transaction.
bool needsReason(const QString &file);
using ReasonAsker = std::function<std::optional<QString>(const QString &file, HistoryAction action, const QString &keys)>;
void setReasonAsker(ReasonAsker asker);
std::optional<QString> reasonFor(const DataFile &file, HistoryAction action, const Row &before, bool inTransaction);
void forgetTransactionReason();

} // namespace history
