#pragma once
// The outcome of the last file operation: the error case, its message, and the storage
// engine's own code and message behind it. The standard warnings show these.
#include "data/fieldtypes.h"

#include <QString>

enum class FileError : LONG {
    None = 0,
    NotFound = 2,        // file not found
    Locked = 32,         // file locked by another process
    EndOfFile = 33,      // no record in that direction
    RecordNotFound = 35, // no record with that key value / at that position
    NotOpen = 37,        // the file is not open
    DuplicateKey = 40,   // a unique key would hold a value twice
    InvalidKeyFile = 46, // an index is damaged (rebuilding the keys repairs it)
    InvalidFile = 47,    // not a data file, or the file itself is damaged
    AlreadyOpen = 52,    // the file is open already
    ChangedByOther = 89, // the record was written or deleted elsewhere since it was read
    FileSystem = 90,     // the operating system refused (disk full, no permission, ...)
    Busy = 91,           // a transaction could not start in time (another process writes)
    Cancelled = 92,      // the user declined to give what a write needs (the reason of a change)
};

struct ErrorState {
    LONG code = 0;          // a FileError value
    QString message;        // its text
    LONG driverCode = 0;    // the storage engine's own code
    QString driverMessage;  // and text
};

// The standard text of an error case.
QString fileErrorText(FileError e);

// The last file operation's outcome (None after a success).
const ErrorState &currentError();
void setCurrentError(FileError e, LONG driverCode = 0, const QString &driverMessage = {});
inline void clearCurrentError() { setCurrentError(FileError::None); }
