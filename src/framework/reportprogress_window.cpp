#include "framework/reportprogress_window.h"

#include "framework/procedures_ui.h"
#include "data/globals.h"
#include "framework/printer_ui.h"
#include "framework/reportpaint_ui.h"
#include "framework/report_preview_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

// ---- the progress window ----------------------------------------------------------------------

ReportProgressWindow::ReportProgressWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PROGRESSWINDOW"));
    setWindowTitle(QStringLiteral("Progress..."));
    auto *layout = new QVBoxLayout(this);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("PROGRESS_THERMOMETER"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_user = new QLabel(this);
    m_user->setObjectName(QStringLiteral("PROGRESS_USERSTRING"));
    m_pct = new QLabel(QStringLiteral("0% Completed"), this);
    m_pct->setObjectName(QStringLiteral("PROGRESS_PCTTEXT"));
    m_pct->setAlignment(Qt::AlignCenter);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("PROGRESS_CANCEL"));
    layout->addWidget(m_bar);
    layout->addWidget(m_user);
    layout->addWidget(m_pct);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(260);
    connect(m_cancel, &QPushButton::clicked, this, &ReportProgressWindow::cancelled);
}

void ReportProgressWindow::showProgress(const ReportProgress &progress)
{
    if (m_bar->value() == progress.PERCENTPROGRESS)
        return;
    m_bar->setValue(progress.PERCENTPROGRESS);
    m_pct->setText(progress.pctText());
}

void ReportProgressWindow::setUserString(const QString &text) { m_user->setText(text); }

void ReportProgressWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closingByProgram)
        emit cancelled();
    QWidget::closeEvent(event);
}

// ---- the procedure ----------------------------------------------------------------------------

namespace {
ReportProcedure::PrintHook g_printHook;

// The system print dialog over the shared printer, without blocking the other windows.
void printThroughDialog(std::shared_ptr<const ReportDocument> document)
{
    printWithDialog(nullptr, [document](QPrinter &printer) { printReportPages(*document, printer); });
}
} // namespace

void ReportProcedure::setPrintHook(PrintHook hook)
{
    // The hook stands in for the printer.
    setPrinterCheck(hook ? std::function<bool()>([] { return true; }) : std::function<bool()>());
    g_printHook = std::move(hook);
}

QWidget *ReportProcedure::start(ReportDefinition def, std::function<void(LONG)> done)
{
    auto *procedure = new ReportProcedure(std::move(def), std::move(done));
    return procedure->m_window;
}

ReportProcedure::ReportProcedure(ReportDefinition def, std::function<void(LONG)> done)
    : m_def(std::move(def)), m_done(std::move(done))
{
    LOCALREQUEST = glob::GLOBALREQUEST;
    LOCALRESPONSE = glob::RequestCancelled;
    glob::GLOBALREQUEST = glob::NoRequest;
    glob::GLOBALRESPONSE = 0;
    m_document = std::make_shared<ReportDocument>(m_def.layout);
    m_window = new ReportProgressWindow;
    connect(m_window, &ReportProgressWindow::cancelled, this, &ReportProcedure::cancel);
    // The window may be closed (and deleted) by its host; then the run has nowhere to report.
    connect(m_window, &QObject::destroyed, this, [this] {
        m_window.clear(); // half destroyed: not to be touched any more
        cancel();
    });
    m_timer.setInterval(0); // a chunk whenever the event loop is idle
    connect(&m_timer, &QTimer::timeout, this, &ReportProcedure::tick);
    QTimer::singleShot(0, this, &ReportProcedure::openRun);
}

void ReportProcedure::openRun()
{
    if (m_returned)
        return;
    if (m_window)
        m_window->setWindowTitle(QStringLiteral("Generating Report"));
    ReportRun::Definition run = m_def.run;
    run.printDetail = [this](ReportRun &r) {
        if (!r.PRINTSKIPDETAILS)
            m_document->printDetail(m_def.detail());
    };
    m_run = std::make_unique<ReportRun>(std::move(run));
    m_run->onProgress = [this](const ReportProgress &p) {
        if (m_window)
            m_window->showProgress(p);
    };
    if (!m_run->start()) {
        // No record accepted: nothing is printed, nothing previewed.
        closeProgress();
        PROCEDURERETURN();
        return;
    }
    m_timer.start();
}

void ReportProcedure::tick()
{
    if (m_run->cycle())
        recordsDone();
}

void ReportProcedure::cancel()
{
    // After the records are done the progress window has gone and the preview decides.
    if (m_returned || (m_run && m_run->finished()))
        return;
    m_timer.stop();
    LOCALRESPONSE = glob::RequestCancelled;
    closeProgress();
    PROCEDURERETURN();
}

void ReportProcedure::closeProgress()
{
    if (m_window) {
        m_window->m_closingByProgram = true;
        closeHostedWindow(m_window);
        // A window shown outside the frame is not deleted on close.
        if (!m_window->testAttribute(Qt::WA_DeleteOnClose))
            m_window->deleteLater();
    }
}

QWidget *previewReport(std::shared_ptr<ReportDocument> document, const QString &title)
{
    auto *preview = new ReportPreviewWindow(document);
    preview->setWindowTitle(title);
    QObject::connect(preview, &ReportPreviewWindow::finished, preview, [document](bool print) {
        if (!print)
            return;
        if (g_printHook)
            g_printHook(document);
        else
            printThroughDialog(document);
    });
    showInFrame(preview);
    return preview;
}

void ReportProcedure::recordsDone()
{
    m_timer.stop();
    LOCALRESPONSE = glob::RequestCompleted;
    closeProgress();
    m_document->finish();
    // The preview prints first (its own connection), then the procedure returns.
    auto *preview = static_cast<ReportPreviewWindow *>(previewReport(m_document));
    connect(preview, &ReportPreviewWindow::finished, this, [this] { PROCEDURERETURN(); });
}

void ReportProcedure::PROCEDURERETURN()
{
    if (m_returned)
        return;
    m_returned = true;
    m_run.reset(); // releases the file
    glob::GLOBALRESPONSE = LOCALRESPONSE;
    if (m_done)
        m_done(LOCALRESPONSE);
    deleteLater();
}
