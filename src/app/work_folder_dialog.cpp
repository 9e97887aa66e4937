#include "app/work_folder_dialog.h"

#include "app/install_paths.h"
#include "data/seed.h"
#include "data/work_folder.h"
#include "framework/warnings.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {
const QString kCurrentKey = QStringLiteral("workfolder/current");
const QString kRecentKey = QStringLiteral("workfolder/recent");
constexpr int kRecentKept = 6;
} // namespace

QString defaultWorkFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QStringLiteral("Асфальт"));
}

QString rememberedWorkFolder() { return QSettings().value(kCurrentKey).toString(); }

QStringList recentWorkFolders() { return QSettings().value(kRecentKey).toStringList(); }

void rememberWorkFolder(const QString &dir)
{
    QSettings settings;
    QStringList recent = settings.value(kRecentKey).toStringList();
    recent.removeAll(dir);
    recent.prepend(dir);
    settings.setValue(kRecentKey, recent.mid(0, kRecentKept));
    settings.setValue(kCurrentKey, dir);
}

WorkFolderDialog::WorkFolderDialog(QWidget *parent, const QString &proposed, const QString &problem) : QDialog(parent)
{
    setObjectName(QStringLiteral("WORKFOLDER"));
    setWindowTitle(QStringLiteral("Рабочая папка"));
    auto *layout = new QVBoxLayout(this);

    auto *intro = new QLabel(QStringLiteral("Все данные программы (журналы, требования, рецепты) хранятся в рабочей папке.\n"
                                            "Выберите папку или введите имя новой."),
                             this);
    intro->setObjectName(QStringLiteral("INTRO"));
    layout->addWidget(intro);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("PROBLEM"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #a00000;"));
    layout->addWidget(m_problem);

    auto *row = new QHBoxLayout;
    m_path = new QLineEdit(QDir::toNativeSeparators(proposed), this);
    m_path->setObjectName(QStringLiteral("PATH"));
    m_path->setMinimumWidth(420);
    row->addWidget(m_path);
    auto *browseButton = new QPushButton(QStringLiteral("Обзор..."), this);
    browseButton->setObjectName(QStringLiteral("BROWSE"));
    row->addWidget(browseButton);
    layout->addLayout(row);

    auto *recentLabel = new QLabel(QStringLiteral("Недавние папки:"), this);
    recentLabel->setObjectName(QStringLiteral("RECENTLABEL"));
    layout->addWidget(recentLabel);
    m_recent = new QListWidget(this);
    m_recent->setObjectName(QStringLiteral("RECENT"));
    m_recent->setMaximumHeight(110);
    for (const QString &dir : recentWorkFolders())
        m_recent->addItem(QDir::toNativeSeparators(dir));
    recentLabel->setVisible(m_recent->count() > 0);
    m_recent->setVisible(m_recent->count() > 0);
    layout->addWidget(m_recent);

    m_seed = new QCheckBox(QStringLiteral("Заполнить новую папку примерными данными (требования ГОСТ, материалы, битумы, климат)"), this);
    m_seed->setObjectName(QStringLiteral("SEED"));
    m_seed->setChecked(true);
    layout->addWidget(m_seed);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Открыть"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CANCEL"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    layout->addWidget(buttons);

    connect(browseButton, &QPushButton::clicked, this, &WorkFolderDialog::browse);
    connect(m_recent, &QListWidget::currentTextChanged, m_path, &QLineEdit::setText);
    connect(m_recent, &QListWidget::itemDoubleClicked, this, &WorkFolderDialog::accept);
    connect(m_path, &QLineEdit::textChanged, this, &WorkFolderDialog::updateSeedChoice);
    connect(buttons, &QDialogButtonBox::accepted, this, &WorkFolderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &WorkFolderDialog::reject);
    showProblem(problem);
    updateSeedChoice();
}

void WorkFolderDialog::showProblem(const QString &text)
{
    m_problem->setText(text);
    m_problem->setVisible(!text.isEmpty());
}

// The sample data can only go into a folder that holds no data yet.
void WorkFolderDialog::updateSeedChoice()
{
    const QString dir = QDir::fromNativeSeparators(m_path->text().trimmed());
    m_seed->setEnabled(!dir.isEmpty() && !holdsProgramData(dir) && !seedFolder().isEmpty());
}

void WorkFolderDialog::browse()
{
    const QString start = QDir::fromNativeSeparators(m_path->text().trimmed());
    QString from = start;
    while (!from.isEmpty() && !QFileInfo(from).isDir() && QFileInfo(from).dir().path() != from)
        from = QFileInfo(from).dir().path();
    const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Рабочая папка"), from);
    if (!chosen.isEmpty())
        m_path->setText(QDir::toNativeSeparators(chosen));
}

void WorkFolderDialog::accept()
{
    const QString typed = QDir::fromNativeSeparators(m_path->text().trimmed());
    if (typed.isEmpty()) {
        showProblem(QStringLiteral("Укажите папку."));
        return;
    }
    const QString dir = QFileInfo(typed).absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(dir);
    if (!QFileInfo::exists(dir)) {
        // Never made unasked: a folder on a drive that is not connected would start empty.
        if (showMessage(QStringLiteral("Папки %1 нет. Создать её?").arg(shown), windowTitle(), MessageIcon::Question,
                        MsgYes + MsgNo, MsgYes) != MsgYes)
            return;
        if (!QDir().mkpath(dir)) {
            showProblem(QStringLiteral("Папку %1 нельзя создать: выберите другую.").arg(shown));
            return;
        }
    }
    const FolderCheck check = checkWorkFolder(dir);
    if (!check.ok()) {
        showProblem(check.text);
        return;
    }
    if (m_release && !m_release())
        return;
    if (m_seed->isEnabled() && m_seed->isChecked() && !holdsProgramData(dir)) {
        QString error;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool seeded = seedDirectory(seedFolder(), dir, &error);
        QApplication::restoreOverrideCursor();
        if (!seeded) {
            showProblem(QStringLiteral("Примерные данные не загружены: %1").arg(error));
            return;
        }
    }
    m_folder = dir;
    rememberWorkFolder(dir);
    QDialog::accept();
}

QString chooseStartFolder(const QString &given)
{
    const QString dir = given.isEmpty() ? rememberedWorkFolder() : given;
    QString problem;
    if (!dir.isEmpty()) {
        const FolderCheck check = checkWorkFolder(dir);
        if (check.ok())
            return dir;
        problem = check.text + QStringLiteral("\nВыберите другую папку.");
    }
    WorkFolderDialog dialog(nullptr, dir.isEmpty() ? defaultWorkFolder() : dir, problem);
    return dialog.exec() == QDialog::Accepted ? dialog.folder() : QString();
}
