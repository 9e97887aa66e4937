#pragma once
// The choice of the working folder ("WORKFOLDER"): asked at the first start, when the folder of
// the last run (or of the command line) cannot be used, and from "Файл → Рабочая папка...".
// The user types or browses a folder or picks a recent one; a new folder is created on
// confirmation and, when wanted, filled with the sample data. A folder that cannot be used
// (not writable, data of another program version, a server that does not answer) is refused
// with its reason and the dialog stays open for another choice. The choice is remembered in
// the program's settings with the recent folders.
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

class WorkFolderDialog : public QDialog {
    Q_OBJECT
public:
    // `proposed` fills the folder field; `problem`, when given, says why a choice is needed.
    WorkFolderDialog(QWidget *parent, const QString &proposed, const QString &problem = {});

    QString folder() const { return m_folder; } // the folder accepted
    // Called once the chosen folder proved usable, before the sample data are loaded into it:
    // lets go of the folder in use (its windows and files). False keeps the dialog open.
    void setReleaseCurrent(std::function<bool()> release) { m_release = std::move(release); }

    void accept() override;

private:
    void browse();
    void showProblem(const QString &text);
    void updateSeedChoice();

    QLabel *m_problem;
    QLineEdit *m_path;
    QListWidget *m_recent;
    QCheckBox *m_seed;
    QString m_folder;
    std::function<bool()> m_release;
};

// The folder proposed the first time: "Асфальт" in the user's documents folder.
QString defaultWorkFolder();
// The folder chosen last (empty before the first choice) and the recent ones, newest first.
QString rememberedWorkFolder();
QStringList recentWorkFolders();
void rememberWorkFolder(const QString &dir);

// The working folder to start on: `given` (from the command line), else the one chosen last,
// when it can be used; otherwise the user chooses in the dialog, told what is wrong with it.
// Empty when the user cancels.
QString chooseStartFolder(const QString &given);
