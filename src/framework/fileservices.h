#pragma once
// File services between the windows and the data files: opening with recovery (CHECKOPEN),
// the use counters, and the referential-integrity procedures that write and delete records
// inside a transaction: a recipe's number change is refused while test records refer to it,
// and deleting a recipe deletes its mechanical tests and unlinks its weighings, all or nothing.
#include "data/files.h"

#include <optional>

// The link snapshot of the recipe form: POD:NUM when the form opened.
struct SavGroup {
    REAL NUM = 0;
};
inline SavGroup SAV;
// Position of the record being written, to re-read it after a refusal.
inline Position HOLDPOSITION;

// Opens `file` (shared, read-write). A missing file is created when `createIfMissing` is true
// (every window passes true); a damaged key file is rebuilt when the user agrees. A file another
// station holds locked is waited for (shown, with Cancel) and then reported; the program goes
// on, so the user can try again. Returns false when the file is not open: locked, or the
// application has been told to end.
bool CHECKOPEN(DataFile &file, std::optional<bool> createIfMissing = true);
// How long CHECKOPEN waits in all for a file another station holds locked (10 s).
void setRecoverSeconds(int seconds);

// Use counting: the first use opens the file, the last release closes it.
bool useFile(DataFile &file);
void releaseFile(DataFile &file);

// Holds a use of a file for a scope.
class FileUse {
public:
    explicit FileUse(DataFile &file) : m_file(file), m_ok(useFile(file)) {}
    ~FileUse() { if (m_ok) releaseFile(m_file); }
    FileUse(const FileUse &) = delete;
    FileUse &operator=(const FileUse &) = delete;
    bool ok() const { return m_ok; }

private:
    DataFile &m_file;
    bool m_ok;
};

// Takes the link snapshot from the record buffer (only the recipe file has links).
void RISNAP(DataFile &file);

enum RiUpdateResult : BYTE { RiWritten = 0, RiFailed = 1, RiChangedByOther = 2, RiCancelled = 3 };
// Writes the record in the buffer over the one last read. `fromForm` chooses the warning for a
// record changed by another user (38 from a form, 15 otherwise); the buffer then holds the
// other user's version. A laboratory result is written only with the reason of its change
// (asked first; RiCancelled, nothing written, when the user gives none).
BYTE RIUPDATE(DataFile &file, BYTE fromForm);
// Deletes the record last read; 0 deleted, 1 failed, 2 refused because another station changed
// the record since it was read (the buffer then holds it as it is now), 3 when the user gave no
// reason for deleting a laboratory result. A recipe's test records
// go with it, unless another recipe carries the same number (a file written before numbers were
// kept apart): they are that recipe's too, so they stay, and a message says so.
LONG RIDELETE(DataFile &file);

// Recipe numbers are meant to be unique but the file allows repeats. The first recipe other
// than the one at `except` numbered `number`, and the highest number + 1 (1 in an empty file).
// Both read the file aside: its buffer, order and record last read are left as they were.
std::optional<PodborRecord> otherRecipeNumbered(REAL number, Position except = {});
REAL nextFreeRecipeNumber();
// Saves the current error for the next warning and rolls back the open transaction.
void RISAVEERROR();
