#pragma once
// Tells a list window whether its file changed since it last looked, whoever wrote it.
//
// DataFile::changedElsewhere() sees only other connections and answers each change once, so
// two windows of one file cannot both rely on it. The watch turns it into a process-wide
// generation per file: any caller that sees a change elsewhere moves the generation on, and
// every write of this process through the file counts as well (DataFile::writeCount()).
// A window keeps the generation it last showed and compares.
#include <QtGlobal>

class DataFile;

namespace writewatch {

// Called after a record of `file` was added, changed or deleted by this process.
void noteFileWritten(const DataFile &file);

// The file's current generation (asks the file about writes by other connections first).
quint64 generation(DataFile &file);

} // namespace writewatch
