#include "data/pgschema.h"

namespace pg {

namespace {

QString sqlType(ColumnType t)
{
    switch (t) {
    case ColumnType::Byte:
    case ColumnType::Long:
    case ColumnType::Ulong: return QStringLiteral("bigint NOT NULL DEFAULT 0");
    case ColumnType::Real:
    case ColumnType::Decimal: return QStringLiteral("double precision NOT NULL DEFAULT 0");
    case ColumnType::Text: return QStringLiteral("text NOT NULL DEFAULT ''");
    }
    return {};
}
QString sortType(ColumnType t) { return t == ColumnType::Text ? QStringLiteral("bytea") : QStringLiteral("double precision"); }

QString indexName(const FileDesc &d, const QString &what) { return quoted(d.name + QLatin1Char('_') + what); }

} // namespace

// Each file's entries are numbered along its chain (chain_seq), the key of the table: two
// stations' entries that follow the same one collide instead of forking the chain.
QStringList historyTableStatements()
{
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS history(id bigserial NOT NULL, at_utc text NOT NULL, user_name text NOT NULL, "
                           "db_role text NOT NULL, station text NOT NULL, window_name text NOT NULL, file_name text NOT NULL, "
                           "record_id bigint NOT NULL, key_fields text NOT NULL, action text NOT NULL, fields text NOT NULL, "
                           "reason text NOT NULL, prev_hash text NOT NULL, hash text NOT NULL, chain_seq bigint NOT NULL, "
                           "CONSTRAINT history_chain_seq PRIMARY KEY (file_name, chain_seq))"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS history_record ON history(file_name, record_id, id)")};
}

QStringList historyUpgradeStatements()
{
    return {QStringLiteral("ALTER TABLE history ADD COLUMN IF NOT EXISTS chain_seq bigint"),
            QStringLiteral("UPDATE history h SET chain_seq = n.seq FROM (SELECT id, row_number() OVER (PARTITION BY file_name ORDER BY id) AS seq "
                           "FROM history) n WHERE h.id = n.id"),
            QStringLiteral("ALTER TABLE history DROP CONSTRAINT IF EXISTS history_pkey"),
            QStringLiteral("ALTER TABLE history ADD CONSTRAINT history_chain_seq PRIMARY KEY (file_name, chain_seq)"),
            QStringLiteral("DROP INDEX IF EXISTS history_chain")};
}

QString channelOf(const FileDesc &d) { return QStringLiteral("asphalt_") + d.name.toLower(); }

QStringList expectedColumns(const FileDesc &d)
{
    QStringList cols{QStringLiteral("id"), QStringLiteral("ver")};
    for (auto &c : d.columns) cols << c.name;
    for (int k = 0; k < int(d.keys.size()); ++k) {
        for (int p = 0; p < int(d.keys[k].parts.size()); ++p) cols << sortColumn(k, p);
        if (d.keys[k].unique) cols << uniqueColumn(k);
    }
    return cols;
}

QStringList indexStatements(const FileDesc &d, bool ifMissing)
{
    const QString t = quoted(d.name);
    const QString opt = ifMissing ? QStringLiteral("IF NOT EXISTS ") : QString();
    QStringList out{QStringLiteral("CREATE UNIQUE INDEX %1%2 ON %3(id)").arg(opt, indexName(d, QStringLiteral("byid")), t)};
    for (int k = 0; k < int(d.keys.size()); ++k) {
        QStringList parts;
        for (int p = 0; p < int(d.keys[k].parts.size()); ++p) parts << sortColumn(k, p);
        out << QStringLiteral("CREATE INDEX %1%2 ON %3(%4, id)").arg(opt, indexName(d, QStringLiteral("key%1").arg(k + 1)), t, parts.join(QLatin1Char(',')));
        if (d.keys[k].unique)
            out << QStringLiteral("CREATE UNIQUE INDEX %1%2 ON %3(%4)").arg(opt, indexName(d, QStringLiteral("ukey%1").arg(k + 1)), t, uniqueColumn(k));
    }
    return out;
}

QStringList wantedIndexes(const FileDesc &d)
{
    QStringList out{d.name + QStringLiteral("_byid")};
    for (int k = 0; k < int(d.keys.size()); ++k) {
        out << d.name + QStringLiteral("_key%1").arg(k + 1);
        if (d.keys[k].unique) out << d.name + QStringLiteral("_ukey%1").arg(k + 1);
    }
    return out;
}

QStringList createStatements(const FileDesc &d)
{
    const QString t = quoted(d.name);
    const QString seq = quoted(d.name + QStringLiteral("_id"));
    QStringList cols{QStringLiteral("id bigint NOT NULL DEFAULT nextval('%1')").arg(seq), QStringLiteral("ver bigint NOT NULL DEFAULT 1")};
    for (auto &c : d.columns) cols << quoted(c.name) + QLatin1Char(' ') + sqlType(c.type);
    for (int k = 0; k < int(d.keys.size()); ++k) {
        for (int p = 0; p < int(d.keys[k].parts.size()); ++p)
            cols << sortColumn(k, p) + QLatin1Char(' ') + sortType(d.columns[d.keys[k].parts[p].column].type);
        if (d.keys[k].unique)
            cols << uniqueColumn(k) + QLatin1Char(' ') + sortType(d.columns[d.keys[k].parts.front().column].type);
    }
    QStringList out;
    out << QStringLiteral("CREATE SEQUENCE %1").arg(seq);
    out << QStringLiteral("CREATE TABLE %1(%2)").arg(t, cols.join(QLatin1Char(',')));
    out << QStringLiteral("ALTER SEQUENCE %1 OWNED BY %2.id").arg(seq, t);
    out << indexStatements(d, false);
    out << QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON %2 FOR EACH STATEMENT EXECUTE FUNCTION asphalt_notify()")
               .arg(indexName(d, QStringLiteral("notify")), t);
    return out;
}

const char *const kNotifyFunction =
    "CREATE OR REPLACE FUNCTION asphalt_notify() RETURNS trigger LANGUAGE plpgsql AS "
    "$$BEGIN PERFORM pg_notify('asphalt_' || lower(TG_TABLE_NAME), ''); RETURN NULL; END$$";

} // namespace pg
