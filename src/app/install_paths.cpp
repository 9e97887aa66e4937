#include "app/install_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString firstFound(const QStringList &relativeToProgram, const QString &marker)
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const QString &candidate : relativeToProgram) {
        const QString dir = QDir::cleanPath(programDir.filePath(candidate));
        if (QFileInfo::exists(QDir(dir).filePath(marker)))
            return dir;
    }
    return {};
}

} // namespace

QString seedFolder()
{
    return firstFound({QStringLiteral("../share/asphalt/seed"), QStringLiteral("../data/seed")}, QStringLiteral("NORMA.csv"));
}

QString guideFolder()
{
    return firstFound({QStringLiteral("../share/asphalt/guide"), QStringLiteral("../docs/guide")}, QStringLiteral("index.md"));
}
