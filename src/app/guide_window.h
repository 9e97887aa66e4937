#pragma once
// The user guide inside the program ("GUIDE"): the Markdown files of the guide folder shown with
// Qt's own Markdown rendering, their links followed, back and contents at hand. A window of its
// own beside the frame, so that the guide and the window it explains are seen together.
#include "app/guide_index.h"

#include <QWidget>

class QTextBrowser;

class GuideWindow : public QWidget {
    Q_OBJECT
public:
    explicit GuideWindow(const QString &guideDir, QWidget *parent = nullptr);

    // Shows the section about the window with this object name, or the contents when the guide
    // has none.
    void showWindowSection(const QString &windowName);
    void showContents();
    QTextBrowser *browser() const { return m_browser; }

private:
    void open(const QString &file, const QString &heading);

    QString m_dir;
    GuideIndex m_index;
    QTextBrowser *m_browser;
};
