#pragma once
// Text files for spreadsheets: UTF-8 with a byte-order mark (a spreadsheet then reads Cyrillic
// right), ';' between fields, CR LF after each line; a field holding ';', a quote or a line
// break is quoted, its quotes doubled.
//
// CsvFile writes into a temporary file beside the target, which takes the target's name only
// when commit() succeeds: a file given up or failed leaves no partial file behind, and an older
// file of that name stays as it was.
#include <QSaveFile>
#include <QStringList>

namespace csv {
QString field(const QString &text);
QByteArray line(const QStringList &fields); // UTF-8, with the line end
// `name` with every character a file name may not hold on Windows or Linux replaced by '_'.
QString safeFileName(const QString &name);
} // namespace csv

class CsvFile {
public:
    explicit CsvFile(const QString &path) : m_file(path) {}
    // Opens the temporary file and writes the byte-order mark.
    bool open();
    bool writeLine(const QStringList &fields);
    // Gives the written file its name; false (and nothing replaced) when that fails.
    bool commit();
    QString path() const { return m_file.fileName(); }
    QFileDevice::FileError error() const { return m_file.error(); }
    QString errorString() const { return m_file.errorString(); }

private:
    QSaveFile m_file;
};
