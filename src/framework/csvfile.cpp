#include "framework/csvfile.h"

namespace csv {

QString field(const QString &text)
{
    const bool quoted = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"'))
                        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quoted)
        return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray line(const QStringList &fields)
{
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(';');
        out += field(fields[i]);
    }
    out += QStringLiteral("\r\n");
    return out.toUtf8();
}

QString safeFileName(const QString &name)
{
    QString out;
    for (QChar c : name.trimmed())
        out += (c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c)) ? QLatin1Char('_') : c;
    // Windows drops trailing dots and blanks from a name.
    while (out.endsWith(QLatin1Char('.')) || out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    return out;
}

} // namespace csv

bool CsvFile::open()
{
    if (!m_file.open(QIODevice::WriteOnly))
        return false;
    return m_file.write("\xEF\xBB\xBF", 3) == 3;
}

bool CsvFile::writeLine(const QStringList &fields)
{
    const QByteArray bytes = csv::line(fields);
    return m_file.write(bytes) == bytes.size();
}

bool CsvFile::commit() { return m_file.isOpen() && m_file.commit(); }
