#pragma once
// "Журнал изменений": the history entries of every data file, read on connections of their own,
// newest first, narrowed by period, user and file.
#include "data/history.h"

#include <QDate>

struct JournalFilter {
    QDate from;       // local dates, inclusive; null: open
    QDate to;
    QString user;     // empty: every user
    QString file;     // data file name; empty: every file
    bool accepts(const HistoryEntry &e) const;
};

// The files that could not be read are named in `unread`.
std::vector<HistoryEntry> readJournal(const JournalFilter &filter, QStringList *unread = nullptr);
