#include "app/records_window.h"

#include "app/commands.h"
#include "data/backup.h"
#include "data/datacheck.h"
#include "data/files.h"
#include "framework/procedures_ui.h"
#include "framework/report_engine.h"
#include "framework/reportprogress_window.h"
#include "framework/table_window_ui.h"
#include "framework/warnings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressDialog>

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
QWidget *findingsWindow(const std::vector<DataFinding> &found)
{
    auto *w = new TableWindow(QStringLiteral("DataCheck"), kCheckCaption, QStringLiteral("Findings"),
                              {{QStringLiteral("Файл"), 22}, {QStringLiteral("Запись"), 60}, {QStringLiteral("Что найдено"), 100}});
    std::vector<QStringList> rows;
    for (const DataFinding &f : found)
        rows.push_back({f.file, f.record, f.problem});
    w->setRows(std::move(rows), QStringLiteral("Найдено: %1 (%2)").arg(found.size()).arg(QDir::toNativeSeparators(workDir())));
    w->resize(820, 420);
    return w;
}

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
    showInFrame(findingsWindow(found));
}
