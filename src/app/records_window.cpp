#include "app/records_window.h"

#include "app/commands.h"
#include "data/backup.h"
#include "data/datacheck.h"
#include "data/files.h"
#include "framework/procedures_ui.h"
#include "framework/report_engine.h"
#include "framework/reportprogress_window.h"
#include "framework/warnings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kBackupCaption = QStringLiteral("Резервная копия");
const QString kRestoreCaption = QStringLiteral("Восстановление из копии");
const QString kCheckCaption = QStringLiteral("Проверка данных");

QString workDir() { return QDir(dataDirectory()).absolutePath(); }

// A modal progress window over the frame: the work runs on the GUI thread between its steps,
// and nothing else may write meanwhile.
class Progress {
public:
    Progress(QWidget *parent, const QString &caption, const QString &label)
        : m_dialog(label, QStringLiteral("Отмена"), 0, 100, parent)
    {
        m_dialog.setWindowTitle(caption);
        m_dialog.setObjectName(QStringLiteral("RecordsProgress"));
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setValue(0);
    }
    bool step(int done, int total, const QString &file)
    {
        m_dialog.setMaximum(qMax(total, 1));
        m_dialog.setValue(done);
        if (!file.isEmpty())
            m_dialog.setLabelText(file);
        QApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

QString manifestText(const BackupManifest &m)
{
    QStringList lines{QStringLiteral("Копия от %1").arg(m.created.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"))),
                      QStringLiteral("Программа версии %1").arg(m.programVersion.isEmpty() ? QStringLiteral("?") : m.programVersion)};
    for (const BackupFile &f : m.files)
        lines << (f.records >= 0 ? QStringLiteral("%1: записей %2").arg(f.name).arg(f.records) : f.name);
    return lines.join(QLatin1Char('\n'));
}

// The findings of a data check, with the record each concerns; printable.
class FindingsWindow : public QWidget {
public:
    explicit FindingsWindow(std::vector<DataFinding> found) : m_found(std::move(found))
    {
        setObjectName(QStringLiteral("DataCheck"));
        setWindowTitle(kCheckCaption);
        auto *table = new QTableWidget(int(m_found.size()), 3, this);
        table->setObjectName(QStringLiteral("Findings"));
        table->setHorizontalHeaderLabels({QStringLiteral("Файл"), QStringLiteral("Запись"), QStringLiteral("Что найдено")});
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->verticalHeader()->hide();
        table->horizontalHeader()->setStretchLastSection(true);
        for (int r = 0; r < int(m_found.size()); ++r) {
            const DataFinding &f = m_found[std::size_t(r)];
            table->setItem(r, 0, new QTableWidgetItem(f.file));
            table->setItem(r, 1, new QTableWidgetItem(f.record));
            table->setItem(r, 2, new QTableWidgetItem(f.problem));
        }
        table->resizeColumnsToContents();
        auto *print = new QPushButton(QStringLiteral("&Печать"), this);
        print->setObjectName(QStringLiteral("PrintFindings"));
        auto *close = new QPushButton(QStringLiteral("&Закрыть"), this);
        close->setObjectName(QStringLiteral("CloseFindings"));
        connect(print, &QPushButton::clicked, this, [this] { previewReport(document(), kCheckCaption); });
        connect(close, &QPushButton::clicked, this, &QWidget::close);
        auto *buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(print);
        buttons->addWidget(close);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Найдено: %1 (%2)").arg(m_found.size()).arg(QDir::toNativeSeparators(workDir())), this));
        layout->addWidget(table);
        layout->addLayout(buttons);
        resize(820, 420);
    }

    std::shared_ptr<ReportDocument> document() const
    {
        using namespace reportalign;
        ReportTable t;
        t.title = kCheckCaption;
        t.columns = {{QStringLiteral("Файл"), 22, kLeft}, {QStringLiteral("Запись"), 60, kLeft | kWrap},
                     {QStringLiteral("Что найдено"), 100, kLeft | kWrap}};
        ReportDocument::Layout page;
        page.leftMm = 15;
        auto doc = std::make_shared<ReportDocument>(t.layout(page));
        for (const DataFinding &f : m_found)
            doc->printDetail(t.rowOf({f.file, f.record, f.problem}));
        doc->finish();
        return doc;
    }

private:
    std::vector<DataFinding> m_found;
};

} // namespace

void backupFromMenu(QWidget *frame)
{
    QDir().mkpath(backupFolder(workDir())); // offered in the dialog, which chooses only folders that exist
    const QString parent = QFileDialog::getExistingDirectory(frame, QStringLiteral("Папка для резервных копий"),
                                                             backupFolder(workDir()));
    if (parent.isEmpty())
        return;
    Progress progress(frame, kBackupCaption, QStringLiteral("Копирование файлов данных..."));
    QString made, error;
    const bool done = writeBackup(workDir(), parent, &made, &error,
                                  [&](int i, int n, const QString &file) { return progress.step(i, n, file); });
    if (!done) {
        showMessage(QStringLiteral("Резервная копия не записана: %1\nРабочие данные не изменены.").arg(error), kBackupCaption,
                    MessageIcon::Exclamation);
        return;
    }
    showMessage(QStringLiteral("Резервная копия записана в папку\n%1").arg(QDir::toNativeSeparators(made)), kBackupCaption,
                MessageIcon::None);
}

void restoreFromMenu(QWidget *frame, QMdiArea *windows)
{
    const QString backup = QFileDialog::getExistingDirectory(frame, QStringLiteral("Папка резервной копии"),
                                                             backupFolder(workDir()));
    if (backup.isEmpty())
        return;
    BackupManifest manifest;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool sound = checkBackup(backup, &manifest, &error);
    QApplication::restoreOverrideCursor();
    if (!sound) {
        showMessage(QStringLiteral("%1\nДанные не изменены.").arg(error), kRestoreCaption, MessageIcon::Exclamation);
        return;
    }
    const QString question = manifestText(manifest)
                             + QStringLiteral("\n\nВсе окна будут закрыты, текущие данные сохранены в резервную копию и "
                                              "заменены данными этой копии. Восстановить?");
    if (showMessage(question, kRestoreCaption, MessageIcon::Question, MsgYes | MsgNo, MsgNo) != MsgYes)
        return;
    windows->closeAllSubWindows();
    if (!windows->subWindowList().isEmpty()) {
        showMessage(QStringLiteral("Не все окна закрыты; восстановление не начато."), kRestoreCaption, MessageIcon::Exclamation);
        return;
    }
    for (DataFile *f : files::all())
        if (f->isOpen())
            f->close();
    QString safety;
    if (!restoreBackup(backup, workDir(), backupFolder(workDir()), &safety, &error)) {
        showMessage(error, kRestoreCaption, MessageIcon::Exclamation);
        return;
    }
    showMessage(QStringLiteral("Данные восстановлены из копии от %1.\nПрежние данные сохранены в папке\n%2")
                    .arg(manifest.created.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                         QDir::toNativeSeparators(safety)),
                kRestoreCaption, MessageIcon::None);
}

void checkFromMenu(QWidget *frame)
{
    std::vector<DataFinding> found;
    {
        Progress progress(frame, kCheckCaption, QStringLiteral("Проверка файлов данных..."));
        found = checkData([&](int i, int n, const QString &file) { return progress.step(i, n, file); });
    }
    if (found.empty()) {
        showMessage(QStringLiteral("Ошибок не найдено."), kCheckCaption, MessageIcon::None);
        return;
    }
    showInFrame(new FindingsWindow(std::move(found)));
}
