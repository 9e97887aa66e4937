#include "data/dbase.h"

#include <QDate>
#include <QFileInfo>
#include <cmath>
#include <cstring>

namespace {
constexpr char kVersion = 0x03; // dBase III/IV table without memo
constexpr char kHeaderEnd = 0x0D;
constexpr char kEof = 0x1A;

void putLe(QByteArray &b, int at, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}
quint32 getLe(const QByteArray &b, int at, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= quint32(quint8(b[at + i])) << (8 * i);
    return v;
}
void stampDate(QByteArray &h)
{
    QDate d = QDate::currentDate();
    h[1] = char(d.year() - 1900);
    h[2] = char(d.month());
    h[3] = char(d.day());
}
} // namespace

FileError DbaseTable::create(const QString &path, const std::vector<Field> &fields)
{
    if (QFileInfo::exists(path))
        return FileError::FileSystem;
    int headerSize = 32 + 32 * int(fields.size()) + 1;
    int recordSize = 1;
    for (auto &f : fields)
        recordSize += f.width;
    QByteArray h(headerSize, '\0');
    h[0] = kVersion;
    stampDate(h);
    putLe(h, 4, 0, 4);
    putLe(h, 8, quint32(headerSize), 2);
    putLe(h, 10, quint32(recordSize), 2);
    int at = 32;
    for (auto &f : fields) {
        QByteArray name = f.name.toLatin1().left(10);
        std::memcpy(h.data() + at, name.constData(), size_t(name.size()));
        h[at + 11] = 'N';
        h[at + 16] = char(f.width);
        h[at + 17] = char(f.decimals);
        at += 32;
    }
    h[at] = kHeaderEnd;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return FileError::FileSystem;
    if (out.write(h) != h.size() || out.write(QByteArray(1, kEof)) != 1)
        return FileError::FileSystem;
    return FileError::None;
}

FileError DbaseTable::open(const QString &path)
{
    if (m_file.isOpen())
        return FileError::AlreadyOpen;
    if (!QFileInfo::exists(path))
        return FileError::NotFound;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadWrite))
        return FileError::FileSystem;
    QByteArray h = m_file.read(32);
    auto invalid = [this] { m_file.close(); return FileError::InvalidFile; };
    if (h.size() < 32 || (h[0] & 0x07) != 0x03)
        return invalid();
    m_count = getLe(h, 4, 4);
    m_headerSize = int(getLe(h, 8, 2));
    m_recordSize = int(getLe(h, 10, 2));
    int nFields = (m_headerSize - 33) / 32;
    if (m_headerSize < 65 || nFields < 1 || (m_headerSize - 33) % 32 != 0)
        return invalid();
    m_fields.clear();
    int total = 1;
    for (int i = 0; i < nFields; ++i) {
        QByteArray d = m_file.read(32);
        if (d.size() < 32 || d[11] != 'N')
            return invalid();
        Field f;
        f.name = QString::fromLatin1(d.left(11).constData());
        f.width = quint8(d[16]);
        f.decimals = quint8(d[17]);
        total += f.width;
        m_fields.push_back(f);
    }
    if (total != m_recordSize || m_file.size() < m_headerSize + m_count * m_recordSize)
        return invalid();
    return FileError::None;
}

void DbaseTable::close() { m_file.close(); }

FileError DbaseTable::read(qint64 recno, std::vector<double> &values)
{
    if (!m_file.isOpen())
        return FileError::NotOpen;
    if (recno < 1 || recno > m_count)
        return FileError::RecordNotFound;
    if (!m_file.seek(m_headerSize + (recno - 1) * m_recordSize))
        return FileError::FileSystem;
    QByteArray r = m_file.read(m_recordSize);
    if (r.size() != m_recordSize)
        return FileError::InvalidFile;
    if (r[0] == '*')
        return FileError::RecordNotFound;
    values.clear();
    int at = 1;
    for (auto &f : m_fields) {
        values.push_back(r.mid(at, f.width).trimmed().toDouble());
        at += f.width;
    }
    return FileError::None;
}

FileError DbaseTable::write(qint64 recno, const std::vector<double> &values)
{
    if (!m_file.isOpen())
        return FileError::NotOpen;
    if (recno < 1 || recno > m_count + 1 || values.size() != m_fields.size())
        return FileError::RecordNotFound;
    QByteArray r(1, ' ');
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const Field &f = m_fields[i];
        double v = std::isfinite(values[i]) ? values[i] : 0.0;
        QByteArray text = QByteArray::number(v, 'f', f.decimals);
        if (text.size() > f.width)
            return FileError::FileSystem; // cannot hold the value: refuse rather than cut digits
        r += text.rightJustified(f.width, ' ');
    }
    if (!m_file.seek(m_headerSize + (recno - 1) * m_recordSize) || m_file.write(r) != r.size())
        return FileError::FileSystem;
    return FileError::None;
}

FileError DbaseTable::append(const std::vector<double> &values, qint64 &recno)
{
    FileError e = write(m_count + 1, values);
    if (e != FileError::None)
        return e;
    if (m_file.write(QByteArray(1, kEof)) != 1)
        return FileError::FileSystem;
    ++m_count;
    recno = m_count;
    return writeHeaderCount();
}

FileError DbaseTable::markDeleted(qint64 recno)
{
    if (recno < 1 || recno > m_count)
        return FileError::RecordNotFound;
    if (!m_file.seek(m_headerSize + (recno - 1) * m_recordSize) || m_file.write("*", 1) != 1)
        return FileError::FileSystem;
    return FileError::None;
}

FileError DbaseTable::writeHeaderCount()
{
    QByteArray h(8, '\0');
    if (!m_file.seek(0) || m_file.read(h.data(), 4) != 4)
        return FileError::FileSystem;
    stampDate(h);
    putLe(h, 4, quint32(m_count), 4);
    if (!m_file.seek(0) || m_file.write(h) != 8 || !m_file.flush())
        return FileError::FileSystem;
    return FileError::None;
}
