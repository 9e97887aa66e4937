#include "app/guide_index.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {
const QRegularExpression kHeading(QStringLiteral("^#{1,6}\\s+(.*?)\\s*#*\\s*$"));
const QRegularExpression kWindows(QStringLiteral("^<!--\\s*окна:\\s*(.*?)\\s*-->\\s*$"));
const QRegularExpression kPicture(QStringLiteral("!\\[[^\\]]*\\]\\(([^)\\s]+)"));
const QRegularExpression kComment(QStringLiteral("<!--.*?-->\\n?"), QRegularExpression::DotMatchesEverythingOption);
} // namespace

GuideIndex::GuideIndex(const QString &guideDir)
{
    const QDir dir(guideDir);
    m_files = dir.entryList({QStringLiteral("*.md")}, QDir::Files, QDir::Name);
    for (const QString &file : std::as_const(m_files)) {
        QFile f(dir.filePath(file));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QString heading;
        bool inCode = false; // a '#' in a fenced example is no heading
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("```")))
                inCode = !inCode;
            if (inCode)
                continue;
            if (const auto m = kHeading.match(line); m.hasMatch()) {
                heading = m.captured(1);
                m_headings << heading;
            } else if (const auto w = kWindows.match(line); w.hasMatch()) {
                for (const QString &name : w.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                    m_windows.insert(name, {file, heading});
            }
            for (auto it = kPicture.globalMatch(line); it.hasNext();)
                m_pictures << it.next().captured(1);
        }
    }
}

GuideSection GuideIndex::sectionFor(const QString &windowName) const { return m_windows.value(windowName); }

QString GuideIndex::readable(const QString &markdown) { return QString(markdown).remove(kComment); }
