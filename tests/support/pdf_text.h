#pragma once
// The text of a PDF as pdftotext reads it (with -layout: columns kept on their lines).
#include <QProcess>
#include <QStringList>

inline QString pdfText(const QString &pdf, bool layout = false)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), (layout ? QStringList{QStringLiteral("-layout")} : QStringList()) + QStringList{pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
