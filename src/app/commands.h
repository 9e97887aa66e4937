#pragma once
// The program's work from the command line, without a window: backups, restores and the data
// check of a working directory, for scheduled jobs. Each prints one line per file or finding and
// returns the process's exit code (0 done, 1 failed or, for the check, something found).
#include <QString>

int backupCommand(const QString &backupParent, const QString &workDir);
int restoreCommand(const QString &backup, const QString &workDir);
int checkCommand(const QString &workDir);

// At start: finishes a restore that was cut short, and makes a backup when the newest is older
// than the set number of days (default 1), keeping the set number of backups (default 14).
// False with the reason when either failed (the program goes on).
bool startupBackup(const QString &workDir, QString *error);
