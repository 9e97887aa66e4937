#pragma once
// A report procedure: the progress window that prints the records in timer-driven chunks,
// then the preview, then (after Print) the printer. Each report (PROTBIT, ...) declares its
// file, layout and detail band and starts here.
#include "framework/report_engine.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class ReportPreviewWindow;

// The progress window: "Generating Report", a bar, the user string, "N% Completed", Cancel.
class ReportProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReportProgressWindow(QWidget *parent = nullptr);
    void showProgress(const ReportProgress &progress);
    void setUserString(const QString &text);
    QProgressBar *thermometer() const { return m_bar; }
    QLabel *pctText() const { return m_pct; }

signals:
    void cancelled();   // Cancel, or the window closed by the user
protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class ReportProcedure;
    QProgressBar *m_bar;
    QLabel *m_user;
    QLabel *m_pct;
    QPushButton *m_cancel;
    bool m_closingByProgram = false;
};

struct ReportDefinition {
    QString title;                       // the report's title (the PDF's title)
    ReportRun::Definition run;           // file, order, progress basis, filter, validation
    ReportDocument::Layout layout;       // page, page header and footer
    // The detail band of the record in the buffer.
    std::function<ReportBand()> detail;
};

// Shows a finished document in the preview; Print there sends it to the printer (or the print
// hook). Returns the preview window, which is deleted when it closes.
QWidget *previewReport(std::shared_ptr<ReportDocument> document, const QString &title = QStringLiteral("Report Preview"));

// One run of a report procedure; deletes itself when done.
class ReportProcedure : public QObject {
    Q_OBJECT
public:
    // Starts the report and returns its progress window (to be shown in the frame).
    // `done` gets the procedure's response (completed when the records were processed).
    static QWidget *start(ReportDefinition def, std::function<void(LONG response)> done = {});

    // How kept pages reach the printer after Print. The default opens the system print
    // dialog over the shared printer; tests replace it. An empty hook restores the default.
    using PrintHook = std::function<void(std::shared_ptr<const ReportDocument>)>;
    static void setPrintHook(PrintHook hook);

    LONG LOCALREQUEST = 0;
    LONG LOCALRESPONSE = 0;

private:
    ReportProcedure(ReportDefinition def, std::function<void(LONG)> done);
    void openRun();     // when the progress window opens
    void tick();
    void cancel();
    void recordsDone();
    void closeProgress();
    void PROCEDURERETURN();

    ReportDefinition m_def;
    std::function<void(LONG)> m_done;
    std::unique_ptr<ReportRun> m_run;
    std::shared_ptr<ReportDocument> m_document;
    QPointer<ReportProgressWindow> m_window;
    QTimer m_timer;
    bool m_returned = false;
};
