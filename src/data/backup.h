#pragma once
// Backups of a working directory: every data file copied, as one consistent state, into a
// folder of its own with a manifest (date, program version, records and SHA-256 of each file);
// a backup checked before use; and a restore that first backs up the current state and then
// puts every file back at once.
//
// The copy uses SQLite's online backup while it holds a read lock on every file, so the files
// show one committed state even while other windows or processes write (a writer waits or is
// told the file is busy while the copy runs). A backup is a folder of SQLite files, readable by
// any SQLite tool.
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

struct BackupFile {
    QString name;         // the file's name in the working directory: "GUR.sqlite", "DBZRN.dbf"
    qint64 records = -1;  // -1 for a file that is not an SQLite data file
    qint64 bytes = 0;
    QString sha256;       // hex
};

struct BackupManifest {
    QDateTime created;    // UTC
    QString programVersion;
    QString source;       // the working directory it was taken of
    std::vector<BackupFile> files;
};

// Told before each file is copied (and once more with done == total at the end); returning
// false cancels: nothing of the backup stays.
using BackupProgress = std::function<bool(int done, int total, const QString &file)>;

inline const QString kManifestName = QStringLiteral("manifest.json");

// Writes a backup of the data files of `workDir` into a new folder under `parentDir` (made
// when missing), named by the time of the copy; its path in *made. A failed or cancelled copy
// leaves nothing under parentDir.
bool writeBackup(const QString &workDir, const QString &parentDir, QString *made, QString *error,
                 const BackupProgress &progress = {});

// Reads a backup's manifest only (false with the reason for a folder that is no backup).
bool readBackupManifest(const QString &backupDir, BackupManifest *manifest, QString *error);

// Reads a backup's manifest and checks every file against it (present, same size and SHA-256,
// SQLite's integrity check, the record count). False with the reason for a damaged, incomplete
// or foreign folder.
bool checkBackup(const QString &backupDir, BackupManifest *manifest, QString *error);

// The backups under parentDir, newest first (folders holding a manifest).
QStringList backupsIn(const QString &parentDir);
// Removes all but the newest `keep` backups under parentDir.
void pruneBackups(const QString &parentDir, int keep);

// Restores the backup into workDir: checks it, backs up the current state into
// `safetyParentDir` (its path in *safety), then replaces every data file at once (files the
// backup does not hold are removed). None of the files may be open. A restore cut short (a
// crash, a power loss) is finished at the next restore or start: see finishInterruptedRestore.
bool restoreBackup(const QString &backupDir, const QString &workDir, const QString &safetyParentDir, QString *safety,
                   QString *error);

// Finishes a restore into workDir that was cut short after every file had been staged.
bool finishInterruptedRestore(const QString &workDir, QString *error);

// Where backups go: the folder set in the program's settings (backup/folder), or backups/ of the
// working directory.
QString backupFolder(const QString &workDir);

// Puts back one damaged data file (its name in the working directory, "GUR.sqlite") from the
// newest backup under backupFolder(workDir) that holds it whole; the damaged file is kept beside
// it as NAME.damaged. The file must not be open. False with the reason; *from gets the backup used.
bool restoreFileFromNewestBackup(const QString &workDir, const QString &fileName, QString *from, QString *error);
