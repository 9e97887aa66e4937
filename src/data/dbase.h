#pragma once
// A minimal dBase IV table (.dbf) of numeric fields: enough to create, open, append and read
// the one dBase file of the system, and for any dBase tool to read it.
#include "data/fileerror.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <vector>

class DbaseTable {
public:
    struct Field {
        QString name; // up to 10 characters
        int width = 20;
        int decimals = 6;
    };

    // Writes an empty table; false when the file exists or cannot be written.
    static FileError create(const QString &path, const std::vector<Field> &fields);

    FileError open(const QString &path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    qint64 recordCount() const { return m_count; }
    // Record numbers run from 1; a deleted record reads as not found.
    FileError read(qint64 recno, std::vector<double> &values);
    FileError append(const std::vector<double> &values, qint64 &recno);
    FileError write(qint64 recno, const std::vector<double> &values);
    FileError markDeleted(qint64 recno);

private:
    FileError writeHeaderCount();
    QFile m_file;
    std::vector<Field> m_fields;
    qint64 m_count = 0;
    int m_headerSize = 0;
    int m_recordSize = 0;
};
