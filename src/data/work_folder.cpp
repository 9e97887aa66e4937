#include "data/work_folder.h"

#include "data/files.h"
#include "data/pgconnection.h"
#include "data/sqlitedriver_p.h"
#include "data/storage.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

QString fileName(const DataFile *f)
{
    return f->name() + (f->desc().driver == Driver::DBase ? QStringLiteral(".dbf") : QStringLiteral(".sqlite"));
}

// The mark and data version a SQLite file carries (both 0 for a file SQLite cannot read).
std::pair<qint64, qint64> fileMarks(const QString &path)
{
    std::pair<qint64, qint64> marks{0, 0};
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, sqlite_detail::kBusyMs);
        for (auto [pragma, out] : {std::pair{"PRAGMA application_id", &marks.first}, {"PRAGMA user_version", &marks.second}}) {
            sqlite3_stmt *st = nullptr;
            if (sqlite3_prepare_v2(db, pragma, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
                *out = sqlite3_column_int64(st, 0);
            sqlite3_finalize(st);
        }
    }
    sqlite3_close(db);
    return marks;
}

// A real file written and removed: permissions alone do not tell (a read-only mount, an ACL).
bool takesNewFiles(const QString &dir)
{
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".asphalt-write-check-XXXXXX")));
    return probe.open();
}

} // namespace

FolderCheck checkWorkFolder(const QString &dir)
{
    const QString shown = QDir::toNativeSeparators(dir);
    const QFileInfo info(dir);
    if (!info.exists())
        return {FolderCheck::Missing, QStringLiteral("Рабочая папка не найдена: %1").arg(shown)};
    if (!info.isDir())
        return {FolderCheck::Missing, QStringLiteral("Это не папка: %1").arg(shown)};
    if (!takesNewFiles(dir))
        return {FolderCheck::NotWritable,
                QStringLiteral("В папку %1 нельзя записывать: выберите папку, в которую у вас есть право записи.").arg(shown)};

    const DatabaseChoice choice = databaseChoice(dir);
    if (choice.server) {
        if (!choice.error.isEmpty())
            return {FolderCheck::DatabaseIni, choice.error};
        QString why;
        if (PGconn *c = pg::connect(choice.connection, &why)) {
            PQfinish(c);
            return {};
        }
        return {FolderCheck::ServerUnreachable,
                QStringLiteral("Сервер базы данных папки %1 недоступен (%2): %3")
                    .arg(shown, choice.connection, why)};
    }

    for (const DataFile *f : files::all()) {
        if (f->desc().driver != Driver::Sqlite)
            continue;
        const QString path = QDir(dir).filePath(fileName(f));
        if (!QFileInfo::exists(path))
            continue;
        const auto [mark, version] = fileMarks(path);
        if (mark == sqlite_detail::kApplicationId && version != sqlite_detail::kSchemaVersion)
            return {FolderCheck::OtherVersion,
                    QStringLiteral("Файл %1 записан другой версией программы (версия данных %2, эта программа работает с версией %3).")
                        .arg(QDir::toNativeSeparators(path)).arg(version).arg(sqlite_detail::kSchemaVersion)};
        if (mark != sqlite_detail::kApplicationId)
            return {FolderCheck::ForeignFile,
                    QStringLiteral("Файл %1 не является файлом данных этой программы.").arg(QDir::toNativeSeparators(path))};
    }
    return {};
}

bool holdsProgramData(const QString &dir)
{
    if (QFileInfo::exists(databaseIniPath(dir)))
        return true;
    for (const DataFile *f : files::all())
        if (QFileInfo::exists(QDir(dir).filePath(fileName(f))))
            return true;
    return false;
}
