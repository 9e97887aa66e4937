#pragma once
// The guide's table of windows: which section of which guide file tells about a window. The
// guide is Markdown (docs/guide/*.md); a section names the windows it covers, by their object
// names, in a comment under its heading that the reader does not see:
//
//     ## Щебень
//     <!-- окна: BROUSESPLIT UPDATESPLIT -->
#include <QHash>
#include <QString>
#include <QStringList>

struct GuideSection {
    QString file;    // the guide file, relative to the guide folder
    QString heading; // the heading's text
};

class GuideIndex {
public:
    explicit GuideIndex(const QString &guideDir);

    bool isEmpty() const { return m_files.isEmpty(); }
    // The section of a window, by its object name; an empty file when the guide has none.
    GuideSection sectionFor(const QString &windowName) const;
    // Every heading's text of every file.
    QStringList headings() const { return m_headings; }
    // Every picture the guide shows, relative to the guide folder.
    QStringList pictures() const { return m_pictures; }

    // A guide file's text as the reader sees it: without the window comments.
    static QString readable(const QString &markdown);

private:
    QStringList m_files;
    QStringList m_headings;
    QStringList m_pictures;
    QHash<QString, GuideSection> m_windows;
};
