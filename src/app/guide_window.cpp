#include "app/guide_window.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// Reads the guide's Markdown without the window comments the reader need not see.
class GuideBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl &name) override
    {
        if (type == QTextDocument::MarkdownResource && name.isLocalFile()) {
            QFile file(name.toLocalFile());
            if (file.open(QIODevice::ReadOnly | QIODevice::Text))
                return GuideIndex::readable(QString::fromUtf8(file.readAll()));
        }
        return QTextBrowser::loadResource(type, name);
    }
};

} // namespace

GuideWindow::GuideWindow(const QString &guideDir, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dir(guideDir), m_index(guideDir)
{
    setObjectName(QStringLiteral("GUIDE"));
    setWindowTitle(QStringLiteral("Руководство"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    auto *back = new QPushButton(QStringLiteral("Назад"), this);
    back->setObjectName(QStringLiteral("BACK"));
    auto *contents = new QPushButton(QStringLiteral("Содержание"), this);
    contents->setObjectName(QStringLiteral("CONTENTS"));
    bar->addWidget(back);
    bar->addWidget(contents);
    bar->addStretch();
    layout->addLayout(bar);
    m_browser = new GuideBrowser(this);
    m_browser->setObjectName(QStringLiteral("TEXT"));
    m_browser->setOpenExternalLinks(true);
    layout->addWidget(m_browser);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, &GuideWindow::showContents);
    resize(900, 700);
}

void GuideWindow::showContents() { open(QStringLiteral("index.md"), {}); }

void GuideWindow::showWindowSection(const QString &windowName)
{
    const GuideSection section = m_index.sectionFor(windowName);
    if (section.file.isEmpty())
        showContents();
    else
        open(section.file, section.heading);
}

void GuideWindow::open(const QString &file, const QString &heading)
{
    m_browser->setSource(QUrl::fromLocalFile(QDir(m_dir).filePath(file)), QTextDocument::MarkdownResource);
    m_browser->verticalScrollBar()->setValue(0);
    if (heading.isEmpty())
        return;
    for (QTextBlock block = m_browser->document()->begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() > 0 && block.text().trimmed() == heading) {
            // From the end back to the heading: the view stops with the heading at its top.
            m_browser->moveCursor(QTextCursor::End);
            m_browser->ensureCursorVisible();
            m_browser->setTextCursor(QTextCursor(block));
            m_browser->ensureCursorVisible();
            break;
        }
}
