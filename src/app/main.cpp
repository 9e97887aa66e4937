// asphalt [WORKDIR]: opens the frame on the working folder WORKDIR, where the data files are
// created as the windows first use them. Without WORKDIR: on the folder chosen last, or, the
// first time, on one the user chooses (app/work_folder_dialog.h). A folder that cannot be used
// is reported and another one chosen.
// asphalt --seed DIR [WORKDIR]: creates the data files of WORKDIR (made when missing) from the
// sample data of DIR (CSV files) and ends, without opening a window.
// asphalt --copy-to CONNECTION [WORKDIR]: copies the data files of WORKDIR into the empty
// PostgreSQL database that the libpq connection string (or "service=NAME") reaches, all or
// nothing, and says how many records of each file it copied.
// asphalt --backup DIR [WORKDIR], --restore BACKUP [WORKDIR], --check [WORKDIR]: a backup, a
// restore and the data check for scheduled jobs (see app/commands.h).
// asphalt --help, --version: print and end. A mistyped option: the error and the usage, exit 2.
#include "app/commands.h"
#include "app/emblems.h"
#include "app/frame_window.h"
#include "app/startup.h"
#include "app/work_folder_dialog.h"
#include "data/datafile.h"
#include "data/globals.h"
#include "data/seed.h"
#include "data/storage.h"
#include "data/work_folder.h"
#include "framework/messagebox_ui.h"
#include "framework/warnings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {
constexpr int kUsageError = 2;

// Qt's own window-system options ("-style fusion", "-platform offscreen"), taken by
// QApplication: known to the parser so that they are not refused, and kept out of the help.
void acceptWindowSystemOptions(QCommandLineParser &parser)
{
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet",
                             "session", "qwindowgeometry", "qwindowtitle", "qwindowicon", "display", "geometry"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("asphalt"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ASPHALT_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("asphalt")); // where the frame's place is kept

    QCommandLineParser parser;
    parser.setApplicationDescription(FrameWindow::kTitle);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions); // "-style fusion"
    // Not addHelpOption(): its --help-all would list Qt's own options, which only a window
    // system's application knows.
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("?"), QStringLiteral("help")},
                                        QStringLiteral("Displays help on commandline options."));
    parser.addOption(helpOption);
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Load the sample data of DIR into WORKDIR and exit."),
                                        QStringLiteral("DIR"));
    parser.addOption(seedOption);
    const QCommandLineOption copyOption(QStringLiteral("copy-to"),
                                        QStringLiteral("Copy the data of WORKDIR into the empty database CONNECTION and exit."),
                                        QStringLiteral("CONNECTION"));
    parser.addOption(copyOption);
    const QCommandLineOption backupOption(QStringLiteral("backup"),
                                          QStringLiteral("Write a backup of the data of WORKDIR into a new folder under DIR and exit."),
                                          QStringLiteral("DIR"));
    parser.addOption(backupOption);
    const QCommandLineOption restoreOption(QStringLiteral("restore"),
                                           QStringLiteral("Replace the data of WORKDIR by the backup BACKUP (the current data are "
                                                          "backed up first) and exit."),
                                           QStringLiteral("BACKUP"));
    parser.addOption(restoreOption);
    const QCommandLineOption checkOption(QStringLiteral("check"),
                                         QStringLiteral("Check the data of WORKDIR, list what is wrong and exit (1 when something is found)."));
    parser.addOption(checkOption);
    acceptWindowSystemOptions(parser);
    parser.addPositionalArgument(QStringLiteral("WORKDIR"), QStringLiteral("The working folder. Without it the window opens on the folder chosen last (asking the first "
                                                "time), and the options work on the current directory."),
                                 QStringLiteral("[WORKDIR]"));

    // Parsed before any window system is needed: a QApplication without a display ends the
    // program, and the help, the version, a mistake on the command line, loading the seed and
    // copying to a database need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool parsed = parser.parse(arguments);
    const QStringList positional = parsed ? parser.positionalArguments() : QStringList();
    const bool headless = !parsed || positional.size() > 1 || parser.isSet(helpOption)
                          || parser.isSet(versionOption) || parser.isSet(seedOption) || parser.isSet(copyOption)
                          || parser.isSet(backupOption) || parser.isSet(restoreOption) || parser.isSet(checkOption);
    std::unique_ptr<QCoreApplication> app = headless ? std::make_unique<QCoreApplication>(argc, argv)
                                                    : std::make_unique<QApplication>(argc, argv);
    if (!parsed || positional.size() > 1) {
        const QString error = parsed ? QStringLiteral("Too many arguments: %1").arg(positional.mid(1).join(QLatin1Char(' ')))
                                     : parser.errorText();
        std::fprintf(stderr, "asphalt: %s\n\n%s", qUtf8Printable(error), qUtf8Printable(parser.helpText()));
        return kUsageError;
    }
    if (parser.isSet(helpOption)) {
        std::printf("%s", qUtf8Printable(parser.helpText()));
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("asphalt %s\n", ASPHALT_VERSION);
        return 0;
    }

    glob::resetGlobals();
    const QString workDir = QFileInfo(positional.isEmpty() ? QDir::currentPath() : positional.first()).absoluteFilePath();
    const auto absolute = [&](const QCommandLineOption &o) { return QFileInfo(parser.value(o)).absoluteFilePath(); };
    if (parser.isSet(backupOption))
        return backupCommand(absolute(backupOption), workDir);
    if (parser.isSet(restoreOption))
        return restoreCommand(absolute(restoreOption), workDir);
    if (parser.isSet(checkOption))
        return checkCommand(workDir);
    if (parser.isSet(copyOption)) {
        if (!QFileInfo(workDir).isDir()) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(QStringLiteral("Рабочий каталог не найден: %1").arg(workDir)));
            return 1;
        }
        std::vector<CopyCount> counts;
        QString error;
        if (!copyToServer(parser.value(copyOption), workDir, &counts, &error)) {
            std::fprintf(stderr, "%s\n%s\n", qUtf8Printable(error), "Ничего не скопировано.");
            return 1;
        }
        for (const CopyCount &c : counts)
            std::printf("%s: %lld\n", qUtf8Printable(c.file), static_cast<long long>(c.records));
        return 0;
    }
    if (parser.isSet(seedOption)) {
        QString error;
        if (!seedDirectory(absolute(seedOption), workDir, &error)) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(error));
            return 1;
        }
        return 0;
    }
    loadQtTranslations(); // without them the standard dialogs stay in English
    installMessageBoxSink(FrameWindow::kTitle);
    QApplication::setWindowIcon(applicationIcon()); // on every subwindow as on the frame
    const QString folder = chooseStartFolder(positional.isEmpty() ? QString() : workDir);
    if (folder.isEmpty())
        return 0; // the user gave up choosing
    QDir::setCurrent(folder);
    registerProgramProcedures();
    FrameWindow frame;
    frame.restorePlacement();
    frame.show();
    // A restore cut short is finished and, when the newest backup is old, a new one is made,
    // before any window opens a file.
    QString backupError;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool backedUp = startupBackup(QDir::currentPath(), &backupError);
    QApplication::restoreOverrideCursor();
    if (!backedUp)
        showMessage(QStringLiteral("Автоматическая резервная копия не записана: %1").arg(backupError), FrameWindow::kTitle,
                    MessageIcon::Exclamation);
    return QApplication::exec();
}
