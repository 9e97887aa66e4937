#pragma once
// A list's export to CSV in progress (BrowseWindow::exportCsv): the file being written, the
// record last written and the progress window. Private to the list engine.
#include "framework/list_window.h"
#include "framework/csvfile.h"
#include "framework/fileservices.h"
#include "framework/reportprogress_window.h"

#include <QPointer>
#include <QTimer>

#include <optional>

struct BrowseWindow::CsvExport {
    CsvExport(const QString &path, QObject *owner) : file(path), owner(owner) {}
    ~CsvExport()
    {
        timer.stop();
        if (window) {
            QObject::disconnect(window, nullptr, owner, nullptr); // closed by the export, not cancelled
            closeHostedWindow(window);
            if (window && !window->testAttribute(Qt::WA_DeleteOnClose))
                window->deleteLater();
        }
    }
    CsvFile file;
    QObject *owner;
    std::optional<BrowsePageModel::Entry> last; // the record last written
    qint64 read = 0;                            // records read, the filter's refused ones too
    ReportProgress progress;
    QPointer<ReportProgressWindow> window;
    QTimer timer;
};
