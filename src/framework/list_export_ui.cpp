// Exporting a list to a CSV file, a page per turn of the event loop.
#include "framework/list_export_ui.h"

#include "framework/procedures_ui.h"
#include "framework/warnings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTableView>

#include <limits>

// ---- export to CSV --------------------------------------------------------------------------

namespace {
BrowseWindow::CsvPathHook g_csvPathHook;
} // namespace

void BrowseWindow::setCsvPathHook(CsvPathHook hook) { g_csvPathHook = std::move(hook); }

QString BrowseWindow::askCsvPath(QWidget *parent, const QString &suggested)
{
    return g_csvPathHook ? g_csvPathHook(suggested)
                         : QFileDialog::getSaveFileName(parent, QStringLiteral("Экспорт в CSV"), suggested, QStringLiteral("CSV (*.csv)"));
}

void BrowseWindow::exportCsv()
{
    if (m_closing || m_export || !isEnabled())
        return;
    const QString name = csv::safeFileName(m_decl.title.isEmpty() ? m_decl.fileName : m_decl.title);
    const QString suggested =
        QDir(dataDirectory()).filePath((name.isEmpty() ? QStringLiteral("list") : name) + QStringLiteral(".csv"));
    QPointer<BrowseWindow> self(this);
    QString path = askCsvPath(this, suggested);
    if (!self || path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    exportCsv(path);
}

void BrowseWindow::exportCsv(const QString &path)
{
    if (m_closing || m_export || m_sort < 0 || !isEnabled())
        return;
    m_export = std::make_unique<CsvExport>(path, this);
    CsvExport &x = *m_export;
    QStringList header;
    for (const BrowseColumn &c : m_decl.columns)
        header << (c.group.isEmpty() ? c.header : c.group + QLatin1Char(' ') + c.header).simplified();
    if (!x.file.open() || !x.file.writeLine(header)) {
        endExport(false);
        return;
    }
    x.progress.RECORDSTOPROCESS = LONG(std::min<qint64>(m_file.recordCount(), std::numeric_limits<LONG>::max()));
    setEnabled(false); // the page and the sort order stay as they are meanwhile
    x.timer.setInterval(0);
    connect(&x.timer, &QTimer::timeout, this, &BrowseWindow::exportPage);
    exportPage();
    if (!m_export)
        return;
    // More than a page: the rest is read a page per turn of the event loop, behind a progress
    // window with Cancel.
    auto *window = new ReportProgressWindow;
    window->setWindowTitle(QStringLiteral("Экспорт в CSV"));
    window->setUserString(QFileInfo(path).fileName());
    window->showProgress(x.progress);
    x.window = window;
    connect(window, &ReportProgressWindow::cancelled, this, [this] { endExport(false); });
    connect(window, &QObject::destroyed, this, [this] {
        if (m_export)
            m_export->window.clear();
        endExport(false);
    });
    showInFrame(window);
    x.timer.start();
}

// Writes the next page of records; the last page commits the file.
void BrowseWindow::exportPage()
{
    CsvExport &x = *m_export;
    // Other windows may have read the file since the last page: read on after the record
    // last written, exactly as the list reads on after its last row (which is read again first).
    std::optional<Position> skip;
    if (!x.last) {
        reset();
    } else if (positionAt(*x.last)) {
        skip = x.last->position;
    } else {
        endExport(false);
        return;
    }
    const qint64 before = x.read;
    // The filter counts the records it sees, for the progress; without one each record read counts.
    const bool filtered = bool(m_decl.filter);
    if (filtered)
        m_file.setFilter([&x, &filter = m_decl.filter] {
            ++x.read;
            return filter();
        });
    FileError e = FileError::None;
    bool written = true;
    for (int n = 0; n < ExportPage && written; ++n) {
        e = m_file.next();
        if (e != FileError::None)
            break;
        if (!filtered)
            ++x.read;
        if (skip) {
            const bool same = m_file.position() == *skip;
            skip.reset();
            if (same) {
                --x.read;
                --n;
                continue;
            }
        }
        QStringList fields;
        for (const BrowseColumn &c : m_decl.columns) {
            // As shown, without the blanks that align it; a number with the decimal comma the
            // spreadsheets of a ';'-separated file read (a point would make 10.5 a date).
            QString text = c.text().trimmed();
            if (c.picture.kind() == PictureKind::Number)
                text.replace(QLatin1Char('.'), QLatin1Char(','));
            fields << text;
        }
        written = x.file.writeLine(fields);
        if (!x.last)
            x.last.emplace();
        x.last->record = m_file.buffer().save();
        x.last->position = m_file.position();
    }
    m_file.setFilter({});
    fillBuffer(); // the highlighted record, as the list's own actions expect it
    if (!written) {
        endExport(false);
        return;
    }
    if (e == FileError::EndOfFile) {
        endExport(true);
        return;
    }
    if (e != FileError::None) {
        endExport(false);
        readError();
        return;
    }
    if (x.progress.advance(LONG(x.read - before)) && x.window)
        x.window->showProgress(x.progress);
}

// Ends the export: `keep` commits the file. A file that could not be opened, written or given
// its name is reported with the standard file warning; nothing partial is left.
void BrowseWindow::endExport(bool keep)
{
    if (!m_export)
        return;
    std::unique_ptr<CsvExport> x = std::move(m_export);
    x->timer.stop();
    const bool failed = x->file.error() != QFileDevice::NoError;
    const bool written = keep && !failed && x->file.commit();
    if (failed || (keep && !written)) {
        setCurrentError(FileError::FileSystem, LONG(x->file.error()), x->file.errorString());
        STANDARDWARNING(30, QDir::toNativeSeparators(x->file.path()));
    }
    x.reset(); // the temporary file of an export not written goes
    setEnabled(true);
    if (!m_closing)
        m_list->setFocus();
    emit csvExportFinished(written);
}
