#include "catalogues/analysis_sheet.h"

#include "data/cp1251.h"

#include <QRegularExpression>
#include <QStringList>

namespace analysis_sheet {

namespace {

// The fields of one line; a quoted field may hold the separator and doubled quotes.
QStringList splitLine(const QString &line, QChar sep)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == sep) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

// The sieve a header names, -1 for none.
int sieveOf(QString header)
{
    header = header.trimmed();
    header.remove(QRegularExpression(QStringLiteral("\\s*мм$")));
    header = header.section(QLatin1Char(' '), -1); // the list's export heads them "% зерен мельче, мм 0,63"
    header.replace(QLatin1Char('.'), QLatin1Char(','));
    for (std::size_t i = 0; i < sieves::COUNT; ++i)
        if (header == QString::fromUtf8(sieves::LABELS[i]))
            return int(i);
    return -1;
}

LONG readDate(const QString &text)
{
    static const QRegularExpression dmy(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{2}|\\d{4})$"));
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    if (const auto m = dmy.match(text); m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += 2000;
        return dates::fromYmd(year, m.captured(2).toInt(), m.captured(1).toInt());
    }
    if (const auto m = iso.match(text); m.hasMatch())
        return dates::fromYmd(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return 0;
}

} // namespace

namespace {
Sheet readRows(const QString &text, const std::vector<int> &shown);
}

Sheet read(const QString &text, const std::vector<int> &shown)
{
    Sheet sheet = readRows(text, shown);
    if (!sheet.error.isEmpty())
        sheet.analyses.clear(); // a sheet is read whole or not at all
    return sheet;
}

namespace {

Sheet readRows(const QString &text, const std::vector<int> &shown)
{
    Sheet sheet;
    const QStringList lines = text.split(QLatin1Char('\n'));
    int headerLine = -1;
    for (int i = 0; i < lines.size() && headerLine < 0; ++i)
        if (!lines[i].trimmed().isEmpty())
            headerLine = i;
    if (headerLine < 0) {
        sheet.error = QStringLiteral("Файл пуст");
        return sheet;
    }
    QString head = lines[headerLine];
    if (head.startsWith(QChar(0xFEFF)))
        head.remove(0, 1);
    const QChar sep = head.contains(QLatin1Char(';')) ? QLatin1Char(';')
                      : head.contains(QLatin1Char('\t')) ? QLatin1Char('\t')
                                                        : QLatin1Char(',');
    const QStringList headers = splitLine(head, sep);
    int dateColumn = -1, sampleColumn = -1;
    std::array<int, sieves::COUNT> sieveColumn;
    sieveColumn.fill(-1);
    for (int c = 0; c < headers.size(); ++c) {
        const QString h = headers[c].trimmed();
        if (h.compare(QStringLiteral("Дата"), Qt::CaseInsensitive) == 0)
            dateColumn = c;
        else if (sampleColumn < 0 && (h.startsWith(QStringLiteral("Проба"), Qt::CaseInsensitive) || h.startsWith(QChar(0x2116)) /* № */))
            sampleColumn = c;
        else if (const int s = sieveOf(h); s >= 0 && sieveColumn[std::size_t(s)] < 0)
            sieveColumn[std::size_t(s)] = c;
    }
    const QString where = QStringLiteral("Строка %1: ").arg(headerLine + 1);
    if (dateColumn < 0) {
        sheet.error = where + QStringLiteral("нет столбца «Дата»");
        return sheet;
    }
    for (int s : shown)
        if (sieveColumn[std::size_t(s)] < 0) {
            sheet.error = where + QStringLiteral("нет столбца сита %1 мм").arg(QString::fromUtf8(sieves::LABELS[std::size_t(s)]));
            return sheet;
        }

    for (int i = headerLine + 1; i < lines.size(); ++i) {
        QString line = lines[i];
        line.remove(QLatin1Char('\r'));
        if (line.trimmed().isEmpty())
            continue;
        const QString at = QStringLiteral("Строка %1: ").arg(i + 1);
        const QStringList fields = splitLine(line, sep);
        Analysis a;
        a.date = readDate(fields.value(dateColumn));
        if (a.date == 0) {
            sheet.error = at + QStringLiteral("дата «%1» не прочитана").arg(fields.value(dateColumn));
            return sheet;
        }
        if (sampleColumn >= 0) {
            a.sample = fields.value(sampleColumn);
            const std::optional<QByteArray> bytes = cp1251::encode(a.sample);
            if (!bytes || bytes->size() > kSampleLength) {
                sheet.error = at + (bytes ? QStringLiteral("номер пробы «%1» длиннее %2 знаков").arg(a.sample).arg(kSampleLength)
                                          : QStringLiteral("в номере пробы «%1» знак не из кодировки Windows-1251").arg(a.sample));
                return sheet;
            }
        }
        a.passing.fill(100);
        for (int s : shown) {
            const QString cell = fields.value(sieveColumn[std::size_t(s)]);
            bool ok = false;
            const double v = QString(cell).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
            if (!ok || v < 0 || v > 100) {
                sheet.error = at + QStringLiteral("сито %1 мм: «%2» не процент прохода (0..100)")
                                       .arg(QString::fromUtf8(sieves::LABELS[std::size_t(s)]), cell);
                return sheet;
            }
            a.passing[std::size_t(s)] = v;
        }
        sheet.analyses.push_back(a);
    }
    return sheet;
}

} // namespace

sieves::Grading mean(const std::vector<sieves::Grading> &analyses)
{
    sieves::Grading m {};
    if (analyses.empty())
        return m;
    for (const sieves::Grading &a : analyses)
        for (std::size_t i = 0; i < sieves::COUNT; ++i)
            m[i] += a[i];
    for (REAL &v : m)
        v /= REAL(analyses.size());
    return m;
}

} // namespace analysis_sheet
