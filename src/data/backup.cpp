#include "data/backup.h"

#include "data/files.h"
#include "data/storage.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sqlite3.h>

namespace {

const QString kPlanName = QStringLiteral("plan");
const QString kFormat = QStringLiteral("asphalt-backup-1");
constexpr int kPagesPerStep = 1024;
constexpr int kLockWaitMs = 10000;

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

// The names the data files have in a working directory.
QStringList dataFileNames()
{
    QStringList names;
    for (DataFile *f : files::all())
        names << f->name() + (f->desc().driver == Driver::DBase ? QStringLiteral(".dbf") : QStringLiteral(".sqlite"));
    return names;
}

bool isSqlite(const QString &name) { return name.endsWith(QStringLiteral(".sqlite")); }

// The companion files SQLite may keep beside a database.
QStringList companions(const QString &path)
{
    return {path + QStringLiteral("-journal"), path + QStringLiteral("-wal"), path + QStringLiteral("-shm")};
}

QString sqliteMessage(sqlite3 *db, int rc)
{
    if ((rc & 0xFF) == SQLITE_FULL)
        return QStringLiteral("нет места на диске");
    if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
        return QStringLiteral("файл занят другой программой или станцией");
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

struct Db {
    sqlite3 *db = nullptr;
    ~Db()
    {
        if (db) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
    }
    int open(const QString &path, int flags)
    {
        const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
        if (db)
            sqlite3_busy_timeout(db, kLockWaitMs);
        return rc;
    }
    int exec(const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    // The first column of the first row of a query, as text (empty on failure).
    QString scalar(const char *sql)
    {
        sqlite3_stmt *st = nullptr;
        QString out;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            out = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return out;
    }
};

QString sha256Of(const QString &path, qint64 *bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    *bytes = f.size();
    return QString::fromLatin1(hash.result().toHex());
}

bool writeManifest(const QString &dir, const BackupManifest &m, QString *error)
{
    QJsonArray list;
    for (const BackupFile &f : m.files)
        list.append(QJsonObject{{"name", f.name}, {"records", f.records}, {"bytes", f.bytes}, {"sha256", f.sha256}});
    const QJsonObject root{{"format", kFormat},
                           {"created", m.created.toString(Qt::ISODate)},
                           {"version", m.programVersion},
                           {"source", m.source},
                           {"files", list}};
    QSaveFile out(QDir(dir).filePath(kManifestName));
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(root).toJson()) < 0 || !out.commit()) {
        *error = QStringLiteral("%1: %2").arg(native(out.fileName()), out.errorString());
        return false;
    }
    return true;
}

} // namespace

bool readBackupManifest(const QString &dir, BackupManifest *m, QString *error)
{
    QFile in(QDir(dir).filePath(kManifestName));
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: нет описания копии (%2), это не резервная копия этой программы")
                     .arg(native(dir), kManifestName);
        return false;
    }
    const QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
    if (root.value("format").toString() != kFormat) {
        *error = QStringLiteral("%1: это не резервная копия этой программы").arg(native(dir));
        return false;
    }
    m->created = QDateTime::fromString(root.value("created").toString(), Qt::ISODate);
    m->programVersion = root.value("version").toString();
    m->source = root.value("source").toString();
    m->files.clear();
    const QStringList known = dataFileNames();
    for (const QJsonValue &v : root.value("files").toArray()) {
        const QJsonObject o = v.toObject();
        BackupFile f{o.value("name").toString(), qint64(o.value("records").toDouble(-1)), qint64(o.value("bytes").toDouble()),
                     o.value("sha256").toString()};
        if (!known.contains(f.name)) { // also keeps a name with a path out
            *error = QStringLiteral("%1: в копии неизвестный файл «%2»").arg(native(dir), f.name);
            return false;
        }
        m->files.push_back(f);
    }
    return true;
}

namespace {

// Copies one SQLite database (its connection already holds the read lock) into `target`.
bool copyDatabase(sqlite3 *source, const QString &target, QString *why)
{
    Db dest;
    int rc = dest.open(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (rc != SQLITE_OK) {
        *why = sqliteMessage(dest.db, rc);
        return false;
    }
    sqlite3_backup *copy = sqlite3_backup_init(dest.db, "main", source, "main");
    if (!copy) {
        *why = sqliteMessage(dest.db, sqlite3_errcode(dest.db));
        return false;
    }
    do
        rc = sqlite3_backup_step(copy, kPagesPerStep);
    while (rc == SQLITE_OK);
    sqlite3_backup_finish(copy);
    if (rc != SQLITE_DONE) {
        *why = sqliteMessage(nullptr, rc);
        return false;
    }
    return true;
}

qint64 countRecords(const QString &path)
{
    Db db;
    if (db.open(path, SQLITE_OPEN_READONLY) != SQLITE_OK)
        return -1;
    bool ok = false;
    const qint64 n = db.scalar("SELECT count(*) FROM data").toLongLong(&ok);
    return ok ? n : -1;
}

// A folder name for a backup taken now that is not taken yet.
QString freshName(const QDir &parent)
{
    const QString base = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString name = base;
    for (int n = 2; parent.exists(name); ++n)
        name = base + QStringLiteral("_%1").arg(n);
    return name;
}

void removeWithCompanions(const QString &path)
{
    QFile::remove(path);
    for (const QString &c : companions(path))
        QFile::remove(c);
}

// Carries out a restore's plan: "put NAME" moves the staged file over the working one, "drop
// NAME" removes a working file the backup does not hold. Each step can be done again.
bool applyPlan(const QDir &staging, const QDir &work, QString *error)
{
    QFile plan(staging.filePath(kPlanName));
    if (!plan.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: план восстановления не читается").arg(native(staging.path()));
        return false;
    }
    for (const QByteArray &line : plan.readAll().split('\n')) {
        const QString step = QString::fromUtf8(line);
        const QString name = step.mid(5);
        if (step.startsWith(QStringLiteral("drop "))) {
            removeWithCompanions(work.filePath(name));
        } else if (step.startsWith(QStringLiteral("put ")) && QFileInfo::exists(staging.filePath(step.mid(4)))) {
            const QString file = step.mid(4);
            for (const QString &c : companions(work.filePath(file)))
                QFile::remove(c); // a journal beside a replaced file would be played into it
            std::error_code ec;
            std::filesystem::rename(std::filesystem::path(staging.filePath(file).toStdU16String()),
                                    std::filesystem::path(work.filePath(file).toStdU16String()), ec);
            if (ec) {
                *error = QStringLiteral("%1: файл не восстановлен (%2)").arg(native(work.filePath(file)),
                                                                               QString::fromLocal8Bit(ec.message().c_str()));
                return false;
            }
        }
    }
    plan.close();
    return QDir(staging.path()).removeRecursively();
}

bool writeBackupOf(const QString &workDir, const QString &shownSource, const QString &parentDir, QString *made,
                   QString *error, const BackupProgress &progress);

// A working directory on the database server: its tables are first copied into SQLite files (one
// snapshot of the server), so that its backup is the same set as a directory of files has.
bool writeServerBackup(const QString &workDir, const QString &connection, const QString &parentDir, QString *made,
                       QString *error, const BackupProgress &progress)
{
    if (!QDir().mkpath(parentDir)) {
        *error = QStringLiteral("Каталог для копий не создан: %1").arg(native(parentDir));
        return false;
    }
    QTemporaryDir exported(QDir(parentDir).filePath(QStringLiteral(".export-XXXXXX")));
    if (!exported.isValid()) {
        *error = QStringLiteral("Каталог для копий недоступен: %1 (%2)").arg(native(parentDir), exported.errorString());
        return false;
    }
    if (progress && !progress(0, 1, QStringLiteral("сервер базы данных"))) {
        *error = QStringLiteral("Копирование отменено");
        return false;
    }
    if (!copyFromServer(connection, exported.path(), nullptr, error)) {
        *error = QStringLiteral("Данные сервера не прочитаны: %1").arg(*error);
        return false;
    }
    for (const QString &name : dataFileNames()) // the files kept beside database.ini
        if (!isSqlite(name) && QFileInfo::exists(QDir(workDir).filePath(name)))
            QFile::copy(QDir(workDir).filePath(name), QDir(exported.path()).filePath(name));
    return writeBackupOf(exported.path(), workDir, parentDir, made, error, progress);
}

} // namespace

bool writeBackup(const QString &workDir, const QString &parentDir, QString *made, QString *error,
                 const BackupProgress &progress)
{
    if (const DatabaseChoice db = databaseChoice(workDir); db.server) {
        if (!db.error.isEmpty()) {
            *error = db.error;
            return false;
        }
        return writeServerBackup(workDir, db.connection, parentDir, made, error, progress);
    }
    return writeBackupOf(workDir, workDir, parentDir, made, error, progress);
}

namespace {
bool writeBackupOf(const QString &workDir, const QString &shownSource, const QString &parentDir, QString *made,
                   QString *error, const BackupProgress &progress)
{
    const QDir work(workDir);
    if (!QDir().mkpath(parentDir)) {
        *error = QStringLiteral("Каталог для копий не создан: %1").arg(native(parentDir));
        return false;
    }
    // A copy killed half-way leaves its hidden folder; one an hour old is no copy in progress.
    const QDir parent(parentDir);
    for (const QFileInfo &stale : parent.entryInfoList({QStringLiteral(".backup-*"), QStringLiteral(".export-*")},
                                                        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        if (stale.lastModified().secsTo(QDateTime::currentDateTime()) > 3600)
            QDir(stale.absoluteFilePath()).removeRecursively();
    QTemporaryDir staging(parent.filePath(QStringLiteral(".backup-XXXXXX")));
    if (!staging.isValid()) {
        *error = QStringLiteral("Каталог для копий недоступен: %1 (%2)").arg(native(parentDir), staging.errorString());
        return false;
    }

    // Every file is read-locked before the first is copied, so that the copies show one state.
    struct Source {
        QString name;
        std::unique_ptr<Db> db; // null for a file that is copied as it is
    };
    std::vector<Source> sources;
    for (const QString &name : dataFileNames()) {
        const QString path = work.filePath(name);
        if (!QFileInfo::exists(path))
            continue;
        Source s{name, nullptr};
        if (isSqlite(name)) {
            s.db = std::make_unique<Db>();
            int rc = s.db->open(path, SQLITE_OPEN_READWRITE); // read-write: a crashed writer's journal is rolled back first
            if (rc == SQLITE_OK)
                rc = s.db->exec("BEGIN");
            if (rc == SQLITE_OK)
                rc = s.db->exec("SELECT count(*) FROM sqlite_schema");
            if (rc != SQLITE_OK) {
                *error = QStringLiteral("%1: %2").arg(native(path), sqliteMessage(s.db->db, rc));
                return false;
            }
        }
        sources.push_back(std::move(s));
    }

    BackupManifest manifest;
    manifest.created = QDateTime::currentDateTimeUtc();
    manifest.programVersion = QCoreApplication::applicationVersion();
    manifest.source = native(QDir(shownSource).absolutePath());
    const int total = int(sources.size());
    for (int i = 0; i < total; ++i) {
        const Source &s = sources[i];
        if (progress && !progress(i, total, s.name)) {
            *error = QStringLiteral("Копирование отменено");
            return false;
        }
        const QString target = QDir(staging.path()).filePath(s.name);
        QString why;
        const bool copied = s.db ? copyDatabase(s.db->db, target, &why) : QFile::copy(work.filePath(s.name), target);
        if (!copied) {
            *error = QStringLiteral("%1: копия не записана (%2)").arg(s.name, why.isEmpty() ? QStringLiteral("ошибка записи") : why);
            return false;
        }
        BackupFile f{s.name, s.db ? countRecords(target) : -1, 0, {}};
        f.sha256 = sha256Of(target, &f.bytes);
        manifest.files.push_back(f);
    }
    sources.clear(); // the locks go
    if (progress)
        progress(total, total, QString());
    if (!writeManifest(staging.path(), manifest, error))
        return false;
    const QString name = freshName(QDir(parentDir));
    if (!QDir().rename(staging.path(), QDir(parentDir).filePath(name))) {
        *error = QStringLiteral("Копия не перенесена в %1").arg(native(parentDir));
        return false;
    }
    staging.setAutoRemove(false);
    if (made)
        *made = QDir(parentDir).filePath(name);
    return true;
}
} // namespace

bool checkBackup(const QString &backupDir, BackupManifest *manifest, QString *error)
{
    BackupManifest m;
    if (!readBackupManifest(backupDir, &m, error))
        return false;
    const QDir dir(backupDir);
    for (const BackupFile &f : m.files) {
        const QString path = dir.filePath(f.name);
        qint64 bytes = 0;
        if (!QFileInfo::exists(path)) {
            *error = QStringLiteral("%1: в копии нет файла").arg(native(path));
            return false;
        }
        if (sha256Of(path, &bytes) != f.sha256 || bytes != f.bytes) {
            *error = QStringLiteral("%1: файл копии повреждён (контрольная сумма не совпадает)").arg(native(path));
            return false;
        }
        if (isSqlite(f.name)) {
            Db db;
            if (db.open(path, SQLITE_OPEN_READONLY) != SQLITE_OK || db.scalar("PRAGMA integrity_check") != QStringLiteral("ok")
                || countRecords(path) != f.records) {
                *error = QStringLiteral("%1: файл копии повреждён").arg(native(path));
                return false;
            }
        }
    }
    if (manifest)
        *manifest = m;
    return true;
}

QStringList backupsIn(const QString &parentDir)
{
    QStringList found;
    const QDir parent(parentDir);
    for (const QString &name : parent.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed))
        if (QFileInfo::exists(QDir(parent.filePath(name)).filePath(kManifestName)))
            found << parent.filePath(name);
    return found;
}

void pruneBackups(const QString &parentDir, int keep)
{
    const QStringList all = backupsIn(parentDir);
    for (int i = std::max(keep, 0); i < all.size(); ++i)
        QDir(all.at(i)).removeRecursively();
}

bool restoreBackup(const QString &backupDir, const QString &workDir, const QString &safetyParentDir, QString *safety,
                   QString *error)
{
    BackupManifest m;
    if (!checkBackup(backupDir, &m, error) || !finishInterruptedRestore(workDir, error))
        return false;
    if (!writeBackup(workDir, safetyParentDir, safety, error)) {
        *error = QStringLiteral("Текущие данные не сохранены, восстановление не начато: %1").arg(*error);
        return false;
    }
    // On the database server every table is replaced in one transaction.
    if (const DatabaseChoice db = databaseChoice(workDir); db.server) {
        if (copyToServer(db.connection, backupDir, nullptr, error, true))
            return true;
        *error = QStringLiteral("Данные на сервере не изменены: %1").arg(*error);
        return false;
    }
    const QDir work(workDir);
    QTemporaryDir staging(work.filePath(QStringLiteral(".restore-XXXXXX")));
    if (!staging.isValid()) {
        *error = QStringLiteral("%1: %2").arg(native(workDir), staging.errorString());
        return false;
    }
    QByteArray plan;
    QStringList inBackup;
    for (const BackupFile &f : m.files) {
        if (!QFile::copy(QDir(backupDir).filePath(f.name), QDir(staging.path()).filePath(f.name))) {
            *error = QStringLiteral("%1: файл не скопирован из копии, данные не изменены").arg(f.name);
            return false;
        }
        plan += "put " + f.name.toUtf8() + '\n';
        inBackup << f.name;
    }
    for (const QString &name : dataFileNames())
        if (!inBackup.contains(name) && QFileInfo::exists(work.filePath(name)))
            plan += "drop " + name.toUtf8() + '\n';
    QSaveFile planFile(QDir(staging.path()).filePath(kPlanName));
    if (!planFile.open(QIODevice::WriteOnly) || planFile.write(plan) != plan.size() || !planFile.commit()) {
        *error = QStringLiteral("%1: данные не изменены").arg(planFile.errorString());
        return false;
    }
    staging.setAutoRemove(false); // from here on the plan is carried out, now or at the next start
    return applyPlan(QDir(staging.path()), work, error);
}

bool finishInterruptedRestore(const QString &workDir, QString *error)
{
    const QDir work(workDir);
    for (const QString &name :
         work.entryList({QStringLiteral(".restore-*")}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QDir staging(work.filePath(name));
        if (!QFileInfo::exists(staging.filePath(kPlanName))) {
            QDir(staging.path()).removeRecursively(); // cut short before anything was replaced
            continue;
        }
        if (!applyPlan(staging, work, error))
            return false;
    }
    return true;
}

QString backupFolder(const QString &workDir)
{
    const QString set = QSettings().value(QStringLiteral("backup/folder")).toString();
    return set.isEmpty() ? QDir(workDir).filePath(QStringLiteral("backups")) : set;
}

bool restoreFileFromNewestBackup(const QString &workDir, const QString &fileName, QString *from, QString *error)
{
    for (const QString &backup : backupsIn(backupFolder(workDir))) {
        BackupManifest m;
        QString why;
        if (!checkBackup(backup, &m, &why)
            || std::none_of(m.files.begin(), m.files.end(), [&](const BackupFile &f) { return f.name == fileName; }))
            continue;
        const QDir work(workDir);
        const QString target = work.filePath(fileName);
        const QString kept = target + QStringLiteral(".damaged");
        removeWithCompanions(kept);
        if (QFileInfo::exists(target) && !QFile::rename(target, kept)) {
            *error = QStringLiteral("%1: повреждённый файл не отложен").arg(native(target));
            return false;
        }
        for (const QString &c : companions(target))
            QFile::remove(c);
        if (!QFile::copy(QDir(backup).filePath(fileName), target)) {
            QFile::rename(kept, target);
            *error = QStringLiteral("%1: файл не скопирован из копии").arg(native(target));
            return false;
        }
        *from = backup;
        return true;
    }
    *error = QStringLiteral("нет исправной резервной копии с файлом %1").arg(fileName);
    return false;
}
