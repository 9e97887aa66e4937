#include "data/conformity_zone.h"

#include "data/globals.h"

#include <QSettings>

namespace conformity_zone {

namespace {
const QString kKey = QStringLiteral("conformity/zone");

// The saved zone, read once (lists ask for it on every row).
QString &saved()
{
    static QString zone = QSettings().value(kKey).toString().trimmed();
    return zone;
}
} // namespace

QString current()
{
    const QString zone = glob::DKZ.text().trimmed();
    if (!zone.isEmpty())
        return zone;
    return saved().isEmpty() ? QStringLiteral("I") : saved();
}

void choose(const QString &zone)
{
    glob::DKZ = zone;
    if (saved() == zone.trimmed())
        return;
    saved() = zone.trimmed();
    QSettings().setValue(kKey, saved());
}

} // namespace conformity_zone
