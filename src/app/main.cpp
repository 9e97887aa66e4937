// asphalt [--seed SEEDDIR] [WORKDIR]: opens the frame on WORKDIR (default: the current
// directory), where the data files are created as the windows first use them.
#include "app/frame_window.h"
#include "catalogues/catalogues_ui.h"
#include "data/globals.h"
#include "framework/messagebox_ui.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("asphalt"));

    QCommandLineParser parser;
    parser.setApplicationDescription(MAIN::kTitle);
    parser.addHelpOption();
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Load the seed data from DIR."),
                                  QStringLiteral("DIR"));
    parser.addOption(seed);
    parser.addPositionalArgument(QStringLiteral("WORKDIR"), QStringLiteral("The working directory."));
    parser.process(app);

    if (parser.isSet(seed)) {
        std::fprintf(stderr, "seed loading is not available yet\n");
        return 0;
    }
    glob::resetGlobals();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(parser.helpText()));
        return 1;
    }
    if (!positional.isEmpty() && !QDir::setCurrent(positional.first())) {
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(QStringLiteral("Рабочий каталог не найден: %1").arg(positional.first())));
        return 1;
    }

    installMessageBoxSink(MAIN::kTitle);
    registerCatalogueProcedures();
    MAIN frame;
    frame.show();
    return app.exec();
}
