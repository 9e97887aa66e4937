#include "framework/writewatch.h"

#include "data/datafile.h"

#include <QHash>

namespace writewatch {

namespace {
QHash<const DataFile *, quint64> &generations()
{
    static QHash<const DataFile *, quint64> map; // touched by the GUI thread only
    return map;
}
} // namespace

void noteFileWritten(const DataFile &file) { ++generations()[&file]; }

quint64 generation(DataFile &file)
{
    if (file.changedElsewhere())
        noteFileWritten(file);
    return generations().value(&file) + file.writeCount();
}

} // namespace writewatch
