#include "app/commands.h"

#include "data/backup.h"
#include "data/datacheck.h"
#include "data/datafile.h"
#include "data/storage.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

void say(const QString &line) { std::printf("%s\n", qUtf8Printable(line)); }
int fail(const QString &line)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(line));
    return 1;
}

void printFiles(const BackupManifest &m)
{
    for (const BackupFile &f : m.files)
        say(f.records >= 0 ? QStringLiteral("%1: %2").arg(f.name).arg(f.records) : f.name);
}

} // namespace

int backupCommand(const QString &backupParent, const QString &workDir)
{
    QString made, error;
    if (!QFileInfo(workDir).isDir())
        return fail(QStringLiteral("Рабочий каталог не найден: %1").arg(QDir::toNativeSeparators(workDir)));
    if (!writeBackup(workDir, backupParent, &made, &error))
        return fail(error);
    BackupManifest m;
    if (!checkBackup(made, &m, &error))
        return fail(error);
    printFiles(m);
    say(QDir::toNativeSeparators(made));
    return 0;
}

int restoreCommand(const QString &backup, const QString &workDir)
{
    QString safety, error;
    BackupManifest m;
    if (!checkBackup(backup, &m, &error))
        return fail(error + QStringLiteral("\nДанные не изменены."));
    if (!restoreBackup(backup, workDir, backupFolder(workDir), &safety, &error))
        return fail(error);
    printFiles(m);
    say(QStringLiteral("Прежние данные сохранены в %1").arg(QDir::toNativeSeparators(safety)));
    return 0;
}

int checkCommand(const QString &workDir)
{
    QString error;
    if (!finishInterruptedRestore(workDir, &error))
        return fail(error);
    setDataDirectory(workDir);
    const std::vector<DataFinding> found = checkData();
    for (const DataFinding &f : found)
        say(QStringLiteral("%1: %2: %3").arg(f.file, f.record, f.problem));
    if (found.empty())
        say(QStringLiteral("Ошибок не найдено"));
    return found.empty() ? 0 : 1;
}

bool startupBackup(const QString &workDir, QString *error)
{
    if (!finishInterruptedRestore(workDir, error))
        return false;
    QString ignored;
    if (databaseChoice(workDir).server)
        return true; // the server is backed up by a scheduled --backup, or from a station's menu
    const QSettings settings;
    const int days = settings.value(QStringLiteral("backup/days"), 1).toInt();
    const int keep = settings.value(QStringLiteral("backup/keep"), 14).toInt();
    if (days <= 0)
        return true; // automatic backups turned off
    const QString folder = backupFolder(workDir);
    const QStringList existing = backupsIn(folder);
    BackupManifest newest;
    if (!existing.isEmpty() && readBackupManifest(existing.first(), &newest, &ignored)
        && newest.created.daysTo(QDateTime::currentDateTimeUtc()) < days)
        return true;
    if (QDir(workDir).entryList({QStringLiteral("*.sqlite")}, QDir::Files).isEmpty())
        return true; // nothing to keep yet
    if (!writeBackup(workDir, folder, nullptr, error))
        return false;
    pruneBackups(folder, keep);
    return true;
}
