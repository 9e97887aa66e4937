#pragma once
// The tables of the PostgreSQL driver: the names and statements that make a data file's table,
// its indexes and its change notification. Private to the driver's files.
#include "data/schema.h"

#include <QString>
#include <QStringList>

namespace pg {

inline QString quoted(const QString &id) { return QLatin1Char('"') + id + QLatin1Char('"'); }
inline QString sortColumn(int key, int part) { return QStringLiteral("k%1_%2").arg(key + 1).arg(part + 1); }
inline QString uniqueColumn(int key) { return QStringLiteral("u%1").arg(key + 1); }

// The notification channel that tells the other stations' lists that a file changed.
QString channelOf(const FileDesc &d);
// The table's columns in order, as open() expects them.
QStringList expectedColumns(const FileDesc &d);
QStringList indexStatements(const FileDesc &d, bool ifMissing);
QStringList wantedIndexes(const FileDesc &d);
// The statements that make the table of a file (inside the caller's transaction).
QStringList createStatements(const FileDesc &d);
// The change history of every file (history.h): one table, the entries of each file a chain.
QStringList historyTableStatements();
// The same for a table made by an earlier version (without its chains' numbers).
QStringList historyUpgradeStatements();
inline const char *historyColumns()
{
    return "at_utc,user_name,db_role,station,window_name,file_name,record_id,key_fields,action,fields,reason,prev_hash,hash";
}
// The function behind every table's notification trigger.
extern const char *const kNotifyFunction;

} // namespace pg
