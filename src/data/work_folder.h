#pragma once
// Whether a folder can be the program's working folder, checked before any window opens a file:
// it must exist and take new files, its data files must be this program's of this version, and a
// database.ini must be readable and reach its server.
#include <QString>

struct FolderCheck {
    enum Problem { None, Missing, NotWritable, OtherVersion, ForeignFile, DatabaseIni, ServerUnreachable };
    Problem problem = None;
    QString text; // the message for the user, naming the folder or the file
    bool ok() const { return problem == None; }
};

// Checks an existing or missing folder; nothing is created or changed. A server is asked with
// a short time-out.
FolderCheck checkWorkFolder(const QString &dir);

// True when the folder holds a data file of the program or a database.ini: a folder without
// either would start empty.
bool holdsProgramData(const QString &dir);
