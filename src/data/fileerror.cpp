#include "data/fileerror.h"

namespace {
ErrorState g_current;
}

QString fileErrorText(FileError e)
{
    switch (e) {
    case FileError::None: return {};
    case FileError::NotFound: return QStringLiteral("File Not Found");
    case FileError::Locked: return QStringLiteral("File Is Locked");
    case FileError::EndOfFile: return QStringLiteral("No Record Available");
    case FileError::RecordNotFound: return QStringLiteral("Record Not Found");
    case FileError::NotOpen: return QStringLiteral("File Not Open");
    case FileError::DuplicateKey: return QStringLiteral("Creates Duplicate Key");
    case FileError::InvalidKeyFile: return QStringLiteral("Invalid Key File");
    case FileError::InvalidFile: return QStringLiteral("Invalid Data File");
    case FileError::AlreadyOpen: return QStringLiteral("File Already Open");
    case FileError::ChangedByOther: return QStringLiteral("Record Changed By Another Station");
    case FileError::FileSystem: return QStringLiteral("File System Error");
    case FileError::Busy: return QStringLiteral("Transaction Could Not Start In Time");
    case FileError::Cancelled: return QStringLiteral("Cancelled By The User");
    }
    return QStringLiteral("Unknown Error");
}

const ErrorState &currentError() { return g_current; }

void setCurrentError(FileError e, LONG driverCode, const QString &driverMessage)
{
    g_current.code = static_cast<LONG>(e);
    g_current.message = fileErrorText(e);
    g_current.driverCode = driverCode;
    g_current.driverMessage = driverMessage;
}
