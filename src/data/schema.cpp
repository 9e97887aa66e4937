#include "data/schema.h"

QByteArray rowBytes(const Row &row)
{
    QByteArray out;
    for (const Value &v : row) {
        out.append(char(v.index()));
        if (auto *i = std::get_if<qint64>(&v))
            out.append(reinterpret_cast<const char *>(i), sizeof *i);
        else if (auto *d = std::get_if<double>(&v))
            out.append(reinterpret_cast<const char *>(d), sizeof *d);
        else if (auto *b = std::get_if<QByteArray>(&v)) {
            const qint64 n = b->size();
            out.append(reinterpret_cast<const char *>(&n), sizeof n).append(*b);
        }
    }
    return out;
}
