// asphalt [WORKDIR]: opens the frame on WORKDIR (default: the current
// directory), where the data files are created as the windows first use them.
// asphalt --seed DIR [WORKDIR]: creates the data files of WORKDIR (made when missing) from the
// sample data of DIR (CSV files) and ends, without opening a window.
// asphalt --copy-to CONNECTION [WORKDIR]: copies the data files of WORKDIR into the empty
// PostgreSQL database that the libpq connection string (or "service=NAME") reaches, all or
// nothing, and says how many records of each file it copied.
#include "app/emblems.h"
#include "app/frame_window.h"
#include "app/startup.h"
#include "data/datafile.h"
#include "data/globals.h"
#include "data/seed.h"
#include "data/storage.h"
#include "framework/messagebox_ui.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {
// Loading the seed and copying to a database need no display, so they run without the widgets.
bool headlessRequested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--seed") == 0 || std::strncmp(argv[i], "--seed=", 7) == 0
            || std::strcmp(argv[i], "--copy-to") == 0 || std::strncmp(argv[i], "--copy-to=", 10) == 0)
            return true;
    return false;
}
} // namespace

int main(int argc, char **argv)
{
    const bool headless = headlessRequested(argc, argv);
    std::unique_ptr<QCoreApplication> app = headless ? std::make_unique<QCoreApplication>(argc, argv)
                                                    : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("asphalt"));

    QCommandLineParser parser;
    parser.setApplicationDescription(FrameWindow::kTitle);
    parser.addHelpOption();
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Load the sample data of DIR into WORKDIR and exit."),
                                        QStringLiteral("DIR"));
    parser.addOption(seedOption);
    const QCommandLineOption copyOption(QStringLiteral("copy-to"),
                                        QStringLiteral("Copy the data of WORKDIR into the empty database CONNECTION and exit."),
                                        QStringLiteral("CONNECTION"));
    parser.addOption(copyOption);
    parser.addPositionalArgument(QStringLiteral("WORKDIR"), QStringLiteral("The working directory."));
    parser.process(*app);

    glob::resetGlobals();
    const bool seeding = parser.isSet(seedOption);
    // Resolved before changing to WORKDIR, so that a relative DIR means what the user typed.
    const QString seedDir = seeding ? QFileInfo(parser.value(seedOption)).absoluteFilePath() : QString();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(parser.helpText()));
        return 1;
    }
    if (parser.isSet(copyOption)) {
        const QString workDir = QFileInfo(positional.isEmpty() ? QDir::currentPath() : positional.first()).absoluteFilePath();
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
    if (seeding) {
        const QString workDir = QFileInfo(positional.isEmpty() ? QDir::currentPath() : positional.first()).absoluteFilePath();
        QString error;
        if (!seedDirectory(seedDir, workDir, &error)) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(error));
            return 1;
        }
        return 0;
    }
    if (!positional.isEmpty() && !QDir::setCurrent(positional.first())) {
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(QStringLiteral("Рабочий каталог не найден: %1").arg(positional.first())));
        return 1;
    }

    loadQtTranslations(); // without them the standard dialogs stay in English
    installMessageBoxSink(FrameWindow::kTitle);
    registerProgramProcedures();
    QApplication::setWindowIcon(applicationIcon()); // on every subwindow as on the frame
    FrameWindow frame;
    frame.show();
    return QApplication::exec();
}
