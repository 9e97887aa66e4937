#pragma once
// Field lists, keys and file descriptions, derived from the record types of records.h.
#include "data/fieldtypes.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <memory>
#include <variant>
#include <vector>

enum class ColumnType { Byte, Long, Ulong, Real, Decimal, Text };

struct Column {
    QString name;       // NUM, ZRN_3, DIMKOMP_2_5
    ColumnType type;
    int size = 0;       // bytes of a text
    int digits = 0;     // DECIMAL(d,p)
    int places = 0;
};

// A field value on its way between a record buffer and the storage: integers, reals
// (DECIMALs travel as their exact double), or Windows-1251 text without trailing blanks.
using Value = std::variant<std::monostate, qint64, double, QByteArray>;
using Row = std::vector<Value>;

struct KeyPart {
    int column;
    bool descending = false;
};

struct KeyDesc {
    QString name;       // "GUR:KEYNUMBER"
    std::vector<KeyPart> parts;
    bool unique = false;
};

enum class Driver { Sqlite, DBase };

struct FileDesc {
    QString name;       // GUR
    QString prefix;     // GUR
    Driver driver = Driver::Sqlite;
    QString group;      // files that take part in one transaction share a group
    std::vector<Column> columns;
    std::vector<KeyDesc> keys;

    int columnIndex(const QString &name) const;
};

// ---- walking a record's fields ------------------------------------------------------------
namespace fieldwalk {

struct ColumnLister {
    std::vector<Column> &out;
    void operator()(const QString &n, BYTE &) { out.push_back({n, ColumnType::Byte}); }
    void operator()(const QString &n, LONG &) { out.push_back({n, ColumnType::Long}); }
    void operator()(const QString &n, ULONG &) { out.push_back({n, ColumnType::Ulong}); }
    void operator()(const QString &n, REAL &) { out.push_back({n, ColumnType::Real}); }
    template <int D, int P>
    void operator()(const QString &n, Decimal<D, P> &) { out.push_back({n, ColumnType::Decimal, 0, D, P}); }
    template <std::size_t N>
    void operator()(const QString &n, FixedString<N> &) { out.push_back({n, ColumnType::Text, int(N)}); }
    template <typename T, std::size_t N>
    void operator()(const QString &n, T (&a)[N])
    {
        for (std::size_t i = 0; i < N; ++i)
            (*this)(n + QLatin1Char('_') + QString::number(i + 1), a[i]);
    }
    template <typename T, std::size_t N>
    void operator()(const QString &n, std::array<T, N> &a)
    {
        for (std::size_t i = 0; i < N; ++i)
            (*this)(n + QLatin1Char('_') + QString::number(i + 1), a[i]);
    }
};

struct Saver {
    Row &out;
    void operator()(const char *, BYTE &f) { out.emplace_back(qint64(f)); }
    void operator()(const char *, LONG &f) { out.emplace_back(qint64(f)); }
    void operator()(const char *, ULONG &f) { out.emplace_back(qint64(f)); }
    void operator()(const char *, REAL &f) { out.emplace_back(f); }
    template <int D, int P>
    void operator()(const char *, Decimal<D, P> &f) { out.emplace_back(f.toDouble()); }
    template <std::size_t N>
    void operator()(const char *, FixedString<N> &f) { out.emplace_back(f.raw()); }
    template <typename T, std::size_t N>
    void operator()(const char *n, T (&a)[N]) { for (auto &e : a) (*this)(n, e); }
    template <typename T, std::size_t N>
    void operator()(const char *n, std::array<T, N> &a) { for (auto &e : a) (*this)(n, e); }
};

// Loading never fails: values that a field cannot hold (a file written by another tool)
// are clamped into the field and the count of such repairs is kept.
struct Loader {
    const Row &in;
    std::size_t pos = 0;
    int repaired = 0;
    double number()
    {
        const Value &v = in.at(pos++);
        if (auto *i = std::get_if<qint64>(&v)) return double(*i);
        if (auto *d = std::get_if<double>(&v)) return *d;
        return 0;
    }
    template <typename T>
    void integer(T &f)
    {
        double d = number();
        if (storeInteger(f, d) != StoreResult::Ok) { f = 0; ++repaired; }
    }
    template <typename T>
    static StoreResult storeInteger(T &f, double d)
    {
        if constexpr (std::is_same_v<T, BYTE>) return storeByte(f, d);
        else if constexpr (std::is_same_v<T, LONG>) return storeLong(f, d);
        else return storeUlong(f, d);
    }
    void operator()(const char *, BYTE &f) { integer(f); }
    void operator()(const char *, LONG &f) { integer(f); }
    void operator()(const char *, ULONG &f) { integer(f); }
    void operator()(const char *, REAL &f)
    {
        double d = number();
        if (!std::isfinite(d)) { d = 0; ++repaired; }
        f = d;
    }
    template <int D, int P>
    void operator()(const char *, Decimal<D, P> &f)
    {
        if (f.set(number()) != StoreResult::Ok) { f = Decimal<D, P>(); ++repaired; }
    }
    template <std::size_t N>
    void operator()(const char *, FixedString<N> &f)
    {
        const Value &v = in.at(pos++);
        const QByteArray *b = std::get_if<QByteArray>(&v);
        QByteArray bytes = b ? *b : QByteArray();
        if (bytes.size() > qsizetype(N)) { bytes.truncate(N); ++repaired; }
        f.setRaw(bytes);
    }
    template <typename T, std::size_t N>
    void operator()(const char *n, T (&a)[N]) { for (auto &e : a) (*this)(n, e); }
    template <typename T, std::size_t N>
    void operator()(const char *n, std::array<T, N> &a) { for (auto &e : a) (*this)(n, e); }
};

} // namespace fieldwalk

template <typename R>
std::vector<Column> columnsOf()
{
    std::vector<Column> cols;
    R r;
    fieldwalk::ColumnLister lister{cols};
    r.fields(lister);
    return cols;
}

// A row as bytes (for byte comparison of a record with its saved copy).
QByteArray rowBytes(const Row &row);

// The record buffer of a file, seen through its values.
class RecordBuffer {
public:
    virtual ~RecordBuffer() = default;
    virtual Row save() = 0;
    virtual int load(const Row &row) = 0; // returns the number of repaired values
    virtual void clear() = 0;
    // The record's contents as bytes, for comparing with a saved copy.
    QByteArray bytes() { return rowBytes(save()); }
};

template <typename R>
class TypedBuffer final : public RecordBuffer {
public:
    explicit TypedBuffer(R &record) : m_record(record) {}
    Row save() override
    {
        Row row;
        fieldwalk::Saver s{row};
        m_record.fields(s);
        return row;
    }
    int load(const Row &row) override
    {
        R fresh;
        fieldwalk::Loader l{row};
        fresh.fields(l);
        m_record = fresh;
        return l.repaired;
    }
    void clear() override { m_record = R(); }
    R &record() { return m_record; }

private:
    R &m_record;
};
