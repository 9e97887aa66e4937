// asphalt_guide_images SHOTDIR GUIDEDIR: the guide's pictures from a screenshot walk. Every
// picture the guide names (images/NAME.png) is made from the walk's picture NNN_NAME.png, cut to
// the window it shows (titles.txt of the walk) and scaled down to the guide's width, so that the
// guide's pictures follow the windows. Used by scripts/guide-images.
#include "app/guide_index.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: asphalt_guide_images SHOTDIR GUIDEDIR\n");
        return 2;
    }
    const QDir shots(QString::fromLocal8Bit(argv[1]));
    const QDir guide(QString::fromLocal8Bit(argv[2]));
    constexpr int kWidth = 760; // wide enough to read, small enough to install
    constexpr int kMargin = 4;

    QHash<QString, QRect> places; // walk picture -> the window's place in it
    QFile titles(shots.filePath(QStringLiteral("titles.txt")));
    if (titles.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&titles);
        while (!in.atEnd()) {
            const QStringList f = in.readLine().split(QLatin1Char('\t'));
            if (f.size() >= 7 && f.at(5).toInt() > 0)
                places.insert(f.at(0), QRect(f.at(3).toInt(), f.at(4).toInt(), f.at(5).toInt(), f.at(6).toInt()));
        }
    }
    const QStringList walked = shots.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    int missing = 0;
    for (const QString &picture : GuideIndex(guide.path()).pictures()) {
        const QString name = QFileInfo(picture).fileName();
        QString source; // the last picture of that name: the window in its final state
        for (const QString &w : walked)
            if (w.mid(w.indexOf(QLatin1Char('_')) + 1) == name)
                source = w;
        if (source.isEmpty()) {
            std::fprintf(stderr, "no picture of the walk for %s\n", qUtf8Printable(picture));
            ++missing;
            continue;
        }
        QImage image(shots.filePath(source));
        if (const QRect place = places.value(source); place.isValid())
            image = image.copy(place.adjusted(-kMargin, -kMargin, kMargin, kMargin).intersected(image.rect()));
        if (image.width() > kWidth)
            image = image.scaledToWidth(kWidth, Qt::SmoothTransformation);
        image = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::PreferDither);
        const QString target = guide.filePath(picture);
        QDir().mkpath(QFileInfo(target).path());
        if (!image.save(target, "PNG", 9)) {
            std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(target));
            ++missing;
        }
    }
    return missing == 0 ? 0 : 1;
}
