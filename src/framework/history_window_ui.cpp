#include "framework/history_window_ui.h"

#include "data/files.h"
#include "data/history_journal.h"
#include "framework/table_window_ui.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include <set>

namespace {

QString timeText(const HistoryEntry &e) { return e.localTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")); }

QString userText(const HistoryEntry &e)
{
    QString who = e.user + QLatin1Char('@') + e.station;
    return e.role.isEmpty() || e.role == e.user ? who : who + QStringLiteral(" (") + e.role + QLatin1Char(')');
}

// The fields an entry shows: what changed, or the values a whole record added or deleted holds.
std::vector<HistoryField> shownFields(const HistoryEntry &e)
{
    std::vector<HistoryField> out;
    for (auto &f : history::fieldsOf(e.fields)) {
        const QString &value = e.action == HistoryAction::Add ? f.after : f.before;
        if (e.action == HistoryAction::Change || (!value.isEmpty() && value != QLatin1String("0")))
            out.push_back(f);
    }
    return out;
}

QString changesText(const HistoryEntry &e)
{
    QStringList parts;
    for (auto &f : shownFields(e))
        parts << (e.action == HistoryAction::Change ? QStringLiteral("%1: %2 → %3").arg(f.name, f.before, f.after)
                                                    : QStringLiteral("%1=%2").arg(f.name, e.action == HistoryAction::Add ? f.after : f.before));
    return parts.join(QStringLiteral("; "));
}

std::vector<QStringList> recordRows(const std::vector<HistoryEntry> &entries)
{
    std::vector<QStringList> rows;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const HistoryEntry &e = *it;
        const QStringList head{timeText(e), userText(e), e.window, history::actionText(e.action)};
        const std::vector<HistoryField> fields = shownFields(e);
        if (fields.empty())
            rows.push_back(head + QStringList{QString(), QString(), QString(), e.reason});
        for (std::size_t i = 0; i < fields.size(); ++i)
            rows.push_back((i == 0 ? head : QStringList{QString(), QString(), QString(), QString()})
                           + QStringList{fields[i].name, fields[i].before, fields[i].after, i == 0 ? e.reason : QString()});
    }
    return rows;
}

class ChangeJournal : public TableWindow {
public:
    ChangeJournal()
        : TableWindow(QStringLiteral("ChangeJournal"), QStringLiteral("Журнал изменений"), QStringLiteral("Entries"),
                      {{QStringLiteral("Время"), 24}, {QStringLiteral("Пользователь"), 30}, {QStringLiteral("Окно"), 28},
                       {QStringLiteral("Файл"), 18}, {QStringLiteral("Запись"), 30}, {QStringLiteral("Действие"), 20},
                       {QStringLiteral("Изменения"), 90}, {QStringLiteral("Причина"), 40}})
    {
        m_from = dateEdit(QStringLiteral("JournalFrom"), QDate::currentDate().addDays(-30));
        m_to = dateEdit(QStringLiteral("JournalTo"), QDate::currentDate());
        m_user = new QComboBox(this);
        m_user->setObjectName(QStringLiteral("JournalUser"));
        m_user->setEditable(true);
        m_file = new QComboBox(this);
        m_file->setObjectName(QStringLiteral("JournalFile"));
        m_file->addItem(QStringLiteral("Все файлы"), QString());
        for (DataFile *f : files::all())
            if (f->desc().driver != Driver::DBase)
                m_file->addItem(f->name(), f->name());
        auto *show = new QPushButton(QStringLiteral("&Показать"), this);
        show->setObjectName(QStringLiteral("JournalShow"));
        show->setDefault(true);
        connect(show, &QPushButton::clicked, this, [this] { load(); });
        auto *bar = new QHBoxLayout;
        for (auto [label, control] : {std::pair<const char *, QWidget *>{"С", m_from}, {"по", m_to}, {"Пользователь", m_user}, {"Файл", m_file}}) {
            bar->addWidget(new QLabel(QString::fromUtf8(label), this));
            bar->addWidget(control);
        }
        bar->addWidget(show);
        bar->addStretch();
        top()->addLayout(bar);
        resize(1100, 520);
        load();
    }

private:
    QDateEdit *dateEdit(const QString &name, const QDate &date)
    {
        auto *d = new QDateEdit(date, this);
        d->setObjectName(name);
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        return d;
    }

    void load()
    {
        JournalFilter filter{m_from->date(), m_to->date(), m_user->currentText().trimmed(), m_file->currentData().toString()};
        QStringList unread;
        const std::vector<HistoryEntry> entries = readJournal(filter, &unread);
        std::vector<QStringList> rows;
        std::set<QString> users;
        for (const HistoryEntry &e : entries) {
            rows.push_back({timeText(e), userText(e), e.window, e.file, e.keys, history::actionText(e.action), changesText(e), e.reason});
            users.insert(e.user);
        }
        QString summary = QStringLiteral("Записей: %1 за %2 – %3").arg(entries.size()).arg(filter.from.toString(QStringLiteral("dd.MM.yyyy")),
                                                                                   filter.to.toString(QStringLiteral("dd.MM.yyyy")));
        if (!unread.isEmpty())
            summary += QStringLiteral(". Не прочитаны: ") + unread.join(QStringLiteral(", "));
        setRows(std::move(rows), summary);
        const QString typed = m_user->currentText();
        m_user->clear();
        m_user->addItem(QString());
        for (const QString &u : users)
            m_user->addItem(u);
        m_user->setCurrentText(typed);
    }

    QDateEdit *m_from, *m_to;
    QComboBox *m_user, *m_file;
};

// "Причина изменения": one line, required.
std::optional<QString> askReason(const QString &file, HistoryAction action, const QString &keys)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("HistoryReason"));
    dialog.setWindowTitle(QStringLiteral("Причина изменения"));
    auto *reason = new QLineEdit(&dialog);
    reason->setObjectName(QStringLiteral("Reason"));
    reason->setMaxLength(200);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("ReasonOk"));
    ok->setEnabled(false);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(reason, &QLineEdit::textChanged, ok, [ok](const QString &t) { ok->setEnabled(!t.trimmed().isEmpty()); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("%1 результата испытания (%2%3).\nУкажите причину:")
                                     .arg(action == HistoryAction::Delete ? QStringLiteral("Удаление") : QStringLiteral("Изменение"), file,
                                          keys.isEmpty() ? QString() : QStringLiteral(", ") + keys),
                                 &dialog));
    layout->addWidget(reason);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return reason->text().trimmed();
}

// The title of the window a widget belongs to; empty for a dialog (a question or this prompt is
// not where a change is made).
QString windowNameOf(QWidget *w)
{
    for (QWidget *p = w; p; p = p->parentWidget()) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(p))
            return sub->windowTitle();
        if (p->isWindow())
            return qobject_cast<QDialog *>(p) ? QString() : p->windowTitle();
    }
    return {};
}

} // namespace

QWidget *recordHistoryWindow(DataFile &file, Position record, const QString &what)
{
    auto *w = new TableWindow(QStringLiteral("RecordHistory"), QStringLiteral("История изменений"), QStringLiteral("Entries"),
                              {{QStringLiteral("Время"), 24}, {QStringLiteral("Пользователь"), 34}, {QStringLiteral("Окно"), 30},
                               {QStringLiteral("Действие"), 22}, {QStringLiteral("Поле"), 24}, {QStringLiteral("Было"), 40},
                               {QStringLiteral("Стало"), 40}, {QStringLiteral("Причина"), 50}});
    std::vector<HistoryEntry> entries;
    const FileError e = file.readHistory(record, &entries);
    QString summary = QStringLiteral("%1: %2").arg(what, entries.empty() ? QStringLiteral("изменений нет") : QStringLiteral("изменений %1").arg(entries.size()));
    if (e != FileError::None)
        summary = QStringLiteral("%1: история не читается (%2)").arg(what, fileErrorText(e));
    w->setRows(recordRows(entries), summary);
    return w;
}

QWidget *changeJournalWindow() { return new ChangeJournal; }

void installHistoryPrompts()
{
    history::setReasonAsker(askReason);
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget *, QWidget *now) {
        if (const QString name = windowNameOf(now); !name.isEmpty())
            history::setWindow(name);
    });
}
