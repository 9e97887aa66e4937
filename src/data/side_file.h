#pragma once
// A data file read on a connection of its own, into a buffer of its own: the data check and the
// change journal read every file this way, so the record buffers, positions and transactions of
// the windows open meanwhile are left as they are.
#include "data/datafile.h"

#include <memory>

class SideFile {
public:
    explicit SideFile(const DataFile &shared, const QString &purpose);
    DataFile &file() { return *m_file; }
    Row row() { return m_file->buffer().save(); }
    const Value &field(const Row &row, const char *name) const
    {
        return row[std::size_t(m_file->desc().columnIndex(QString::fromLatin1(name)))];
    }

private:
    std::unique_ptr<DataFile> m_file;
};
