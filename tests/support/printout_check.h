#pragma once
// What a printed page must be: every text of the engine's layout whole in the PDF, inside its own
// box, and no two text boxes of a page over one another. Read back with pdftotext -bbox (the
// words of each page with their boxes in points).
#include "framework/report_engine.h"
#include "framework/report_preview_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace printout {

struct Word {
    QRectF boxMm;
    QString text;
};

// The words of each page of a PDF, their boxes in millimetres from the page's top left corner.
inline std::vector<std::vector<Word>> pdfWords(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<std::vector<Word>> pages;
    static const QRegularExpression tag(QStringLiteral(
        "<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    constexpr double mm = 25.4 / 72;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            pages.emplace_back();
            continue;
        }
        if (pages.empty())
            continue;
        QString text = m.captured(5);
        text.replace(QLatin1String("&lt;"), QLatin1String("<")).replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\"")).replace(QLatin1String("&amp;"), QLatin1String("&"));
        const QRectF pt(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                        QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
        pages.back().push_back({QRectF(pt.x() * mm, pt.y() * mm, pt.width() * mm, pt.height() * mm), text});
    }
    return pages;
}

// A text as long as a field of `width` characters allows, of wide letters in words of six.
inline QString longest(int width, QChar letter = QChar(0x0428)) // Ш
{
    QString s;
    for (int i = 0; i < width; ++i)
        s += i % 7 == 6 ? QLatin1Char(' ') : letter;
    return s;
}

inline QString withoutBlanks(QString s) { return s.remove(QRegularExpression(QStringLiteral("\\s"))); }

// The faults of a printed document written to `pdf`: texts not found whole in their boxes, text
// boxes of one page that overlap, and any of `fields` (field contents that must print uncut) that
// no text of the layout holds whole. Empty when the printout is sound.
// With PRINTOUT_KEEP set to a directory, each PDF checked is kept there to be looked at.
inline QStringList faults(const ReportDocument &document, const QString &pdf, const QStringList &fields = {})
{
    if (const QString keep = qEnvironmentVariable("PRINTOUT_KEEP"); !keep.isEmpty()) {
        static int n = 0;
        QFile::copy(pdf, QDir(keep).filePath(QStringLiteral("%1-%2.pdf").arg(QCoreApplication::applicationName()).arg(++n)));
    }
    QStringList out;
    for (const QString &field : fields) {
        bool found = false;
        for (int n = 0; n < document.pageCount() && !found; ++n)
            for (const ReportItem &item : document.page(n).items)
                found = found || (item.kind == ReportItem::Text && item.text.contains(field.trimmed()));
        if (!found)
            out << QStringLiteral("\"%1\" is not printed whole").arg(field.trimmed());
    }
    const auto pages = pdfWords(pdf);
    if (int(pages.size()) != document.pageCount())
        return {QStringLiteral("%1 pages in the PDF, %2 laid out").arg(pages.size()).arg(document.pageCount())};
    constexpr double kToleranceMm = 0.6; // glyphs reach a little above and below their line
    for (int n = 0; n < document.pageCount(); ++n) {
        std::vector<const ReportItem *> texts;
        for (const ReportItem &item : document.page(n).items)
            if (item.kind == ReportItem::Text && !item.text.trimmed().isEmpty())
                texts.push_back(&item);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const QRectF box = texts[i]->rect.adjusted(-kToleranceMm, -kToleranceMm, kToleranceMm, kToleranceMm);
            std::vector<Word> inside;
            for (const Word &w : pages[std::size_t(n)])
                if (box.contains(w.boxMm.center()))
                    inside.push_back(w);
            std::stable_sort(inside.begin(), inside.end(), [](const Word &a, const Word &b) {
                return a.boxMm.center().y() + 0.8 < b.boxMm.center().y() ||
                       (std::abs(a.boxMm.center().y() - b.boxMm.center().y()) <= 0.8 && a.boxMm.x() < b.boxMm.x());
            });
            QString found;
            bool outside = false;
            for (const Word &w : inside) {
                found += w.text;
                outside = outside || !box.contains(w.boxMm);
            }
            const QString expected = withoutBlanks(texts[i]->text);
            if (withoutBlanks(found) != expected || outside)
                out << QStringLiteral("page %1: \"%2\" in its box %3,%4 %5x%6 mm reads \"%7\"%8")
                           .arg(n + 1)
                           .arg(texts[i]->text)
                           .arg(texts[i]->rect.x(), 0, 'f', 1)
                           .arg(texts[i]->rect.y(), 0, 'f', 1)
                           .arg(texts[i]->rect.width(), 0, 'f', 1)
                           .arg(texts[i]->rect.height(), 0, 'f', 1)
                           .arg(found, outside ? QStringLiteral(" (runs out of it)") : QString());
            for (std::size_t j = i + 1; j < texts.size(); ++j) {
                const QRectF common = texts[i]->rect.intersected(texts[j]->rect);
                if (common.width() > 0.05 && common.height() > 0.05)
                    out << QStringLiteral("page %1: the boxes of \"%2\" and \"%3\" overlap")
                               .arg(n + 1)
                               .arg(texts[i]->text.trimmed(), texts[j]->text.trimmed());
            }
        }
    }
    return out;
}

// The faults of the printout a preview shows, written to PDF in `dir`.
inline QStringList faults(ReportPreviewWindow &preview, const QString &dir, const QStringList &fields = {})
{
    const QString pdf = QDir(dir).filePath(QStringLiteral("printout-check.pdf"));
    if (!preview.saveAsPdf(pdf))
        return {QStringLiteral("the PDF could not be written")};
    return faults(preview.document(), pdf, fields);
}

} // namespace printout
