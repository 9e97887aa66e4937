#include "data/history.h"

#include "data/cp1251.h"
#include "data/datafile.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QSysInfo>

#include <algorithm>
#include <bit>
#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString g_window;
bool g_recording = true;
history::ReasonAsker g_asker;
std::optional<QString> g_transactionReason;

QString valueText(const Value &v)
{
    if (auto *i = std::get_if<qint64>(&v))
        return QString::number(*i);
    if (auto *d = std::get_if<double>(&v))
        return QString::number(*d, 'g', QLocale::FloatingPointShortest);
    if (auto *b = std::get_if<QByteArray>(&v))
        return cp1251::decode(*b);
    return {};
}

// Bit for bit (a zero and a negative zero read differently).
bool sameValue(const Value &a, const Value &b)
{
    const double *x = std::get_if<double>(&a), *y = std::get_if<double>(&b);
    return x && y ? std::bit_cast<quint64>(*x) == std::bit_cast<quint64>(*y) : a == b;
}

QString keysText(const FileDesc &desc, const Row &row)
{
    if (desc.keys.empty() || row.empty())
        return {};
    // The unique key names the record best (a test's number); else the first key.
    const auto unique = std::find_if(desc.keys.begin(), desc.keys.end(), [](const KeyDesc &k) { return k.unique; });
    QStringList parts;
    for (auto &p : (unique != desc.keys.end() ? *unique : desc.keys.front()).parts)
        parts << desc.columns[p.column].name + QLatin1Char('=') + valueText(row[p.column]);
    return parts.join(QStringLiteral("; "));
}

QString accountName()
{
#ifdef Q_OS_UNIX
    if (const passwd *account = getpwuid(getuid()))
        return QString::fromLocal8Bit(account->pw_name);
#endif
    for (const char *name : {"USERNAME", "USER", "LOGNAME"})
        if (QString u = qEnvironmentVariable(name); !u.isEmpty())
            return u;
    return QStringLiteral("?");
}

} // namespace

QDateTime HistoryEntry::localTime() const { return QDateTime::fromString(at, Qt::ISODateWithMs).toLocalTime(); }

namespace history {

QString actionName(HistoryAction a)
{
    switch (a) {
    case HistoryAction::Add: return QStringLiteral("add");
    case HistoryAction::Change: return QStringLiteral("change");
    case HistoryAction::Delete: return QStringLiteral("delete");
    }
    return {};
}

std::optional<HistoryAction> actionOf(const QString &name)
{
    for (auto a : {HistoryAction::Add, HistoryAction::Change, HistoryAction::Delete})
        if (actionName(a) == name)
            return a;
    return std::nullopt;
}

QString actionText(HistoryAction a)
{
    switch (a) {
    case HistoryAction::Add: return QStringLiteral("Добавление");
    case HistoryAction::Change: return QStringLiteral("Изменение");
    case HistoryAction::Delete: return QStringLiteral("Удаление");
    }
    return {};
}

HistoryEntry entryFor(const FileDesc &desc, HistoryAction action, qint64 record, const Row &before, const Row &after)
{
    HistoryEntry e;
    e.at = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    e.user = systemUser();
    e.station = station();
    e.window = g_window;
    e.file = desc.name;
    e.record = record;
    e.action = action;
    e.keys = keysText(desc, action == HistoryAction::Delete ? before : after);
    std::vector<HistoryField> fields;
    for (int i = 0; i < int(desc.columns.size()); ++i) {
        const bool hadValue = action != HistoryAction::Add && i < int(before.size());
        const bool hasValue = action != HistoryAction::Delete && i < int(after.size());
        if (action == HistoryAction::Change && hadValue && hasValue && sameValue(before[i], after[i]))
            continue; // the same text: not formatted
        const QString was = hadValue ? valueText(before[i]) : QString();
        const QString now = hasValue ? valueText(after[i]) : QString();
        if (action != HistoryAction::Change || was != now)
            fields.push_back({desc.columns[i].name, was, now});
    }
    e.fields = fields.empty() ? QString() : fieldsText(fields);
    return e;
}

QString fieldsText(const std::vector<HistoryField> &fields)
{
    QJsonArray out;
    for (auto &f : fields)
        out.append(QJsonArray{f.name, f.before, f.after});
    return QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact));
}

std::vector<HistoryField> fieldsOf(const QString &text)
{
    std::vector<HistoryField> out;
    for (const auto &v : QJsonDocument::fromJson(text.toUtf8()).array()) {
        const QJsonArray f = v.toArray();
        out.push_back({f.at(0).toString(), f.at(1).toString(), f.at(2).toString()});
    }
    return out;
}

namespace {
QByteArray hashed(const HistoryEntry &e, qint64 record)
{
    const QJsonArray content{e.at, e.user, e.role, e.station, e.window, e.file, QString::number(record), e.keys,
                             actionName(e.action), e.fields, e.reason, e.prev};
    return QJsonDocument(content).toJson(QJsonDocument::Compact);
}
} // namespace

QString hashOf(const HistoryEntry &e)
{
    return QString::fromLatin1(QCryptographicHash::hash(hashed(e, e.record), QCryptographicHash::Sha256).toHex());
}

std::pair<QByteArray, QByteArray> hashedAroundRecord(const HistoryEntry &e)
{
    const QByteArray zero = hashed(e, 0), one = hashed(e, 1); // they differ in the record's digit alone
    qsizetype at = 0;
    while (zero[at] == one[at])
        ++at;
    return {zero.left(at), zero.mid(at + 1)};
}

void seal(HistoryEntry &e, const QString &previous)
{
    e.prev = previous;
    e.hash = hashOf(e);
}

std::vector<const HistoryEntry *> brokenLinks(const std::vector<HistoryEntry> &chain)
{
    std::vector<const HistoryEntry *> out;
    QString previous;
    for (auto &e : chain) {
        if (e.prev != previous || e.hash != hashOf(e))
            out.push_back(&e);
        previous = e.hash;
    }
    return out;
}

void setRecording(bool on) { g_recording = on; }
bool recording() { return g_recording; }

void setWindow(const QString &title) { g_window = title; }
QString window() { return g_window; }

QString systemUser()
{
    static const QString user = accountName(); // the process runs under one account
    return user;
}

QString station()
{
    static const QString host = QSysInfo::machineHostName();
    return host;
}

bool needsReason(const QString &file) { return file == QLatin1String("GUR") || file == QLatin1String("OBRGIDRO"); }

void setReasonAsker(ReasonAsker asker) { g_asker = std::move(asker); }

std::optional<QString> reasonFor(const DataFile &file, HistoryAction action, const Row &before, bool inTransaction)
{
    if (action == HistoryAction::Add || !needsReason(file.name()) || !g_asker
        || !QSettings().value(QStringLiteral("history/reasonRequired"), true).toBool())
        return QString();
    if (inTransaction && g_transactionReason)
        return g_transactionReason;
    std::optional<QString> reason = g_asker(file.name(), action, keysText(file.desc(), before));
    if (inTransaction)
        g_transactionReason = reason;
    return reason;
}

void forgetTransactionReason() { g_transactionReason.reset(); }

} // namespace history
