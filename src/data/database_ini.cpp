// The choice of the database per working directory: its database.ini, when there is one.
#include "data/storage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

QString databaseIniPath(const QString &dir) { return QDir(dir).filePath(QStringLiteral("database.ini")); }

DatabaseChoice databaseChoice(const QString &dir)
{
    DatabaseChoice c;
    QFile file(databaseIniPath(dir));
    if (!file.exists())
        return c;
    c.server = true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        c.error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
        return c;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('[')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        const QString name = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (eq > 0 && name == QLatin1String("connection"))
            c.connection = value;
        else if (eq > 0 && name == QLatin1String("service"))
            c.connection = QStringLiteral("service=") + value;
    }
    // libpq's own password file keeps the password; one written here would be readable by
    // everyone who can read the working directory.
    const QString lower = c.connection.toLower();
    static const QRegularExpression uriPassword(QStringLiteral("://[^/@]*:[^/@]*@"));
    if (lower.contains(QLatin1String("password")) || lower.contains(uriPassword))
        c.error = QStringLiteral("%1: пароль не записывается в этот файл (используйте файл паролей PostgreSQL)").arg(file.fileName());
    else if (c.connection.isEmpty())
        c.error = QStringLiteral("%1: нет строки подключения (connection = ... или service = ...)").arg(file.fileName());
    return c;
}
