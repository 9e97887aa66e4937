#include "data/history_journal.h"

#include "data/files.h"
#include "data/side_file.h"

#include <algorithm>

bool JournalFilter::accepts(const HistoryEntry &e) const
{
    const QDate day = e.localTime().date();
    return (from.isNull() || day >= from) && (to.isNull() || day <= to) && (user.isEmpty() || e.user == user)
           && (file.isEmpty() || e.file == file);
}

std::vector<HistoryEntry> readJournal(const JournalFilter &filter, QStringList *unread)
{
    std::vector<HistoryEntry> out;
    for (DataFile *shared : files::all()) {
        if (shared->desc().driver == Driver::DBase || (!filter.file.isEmpty() && shared->name() != filter.file))
            continue;
        SideFile side(*shared, QStringLiteral("journal"));
        std::vector<HistoryEntry> entries;
        const FileError opened = side.file().open();
        if (opened == FileError::NotFound)
            continue;
        if (opened != FileError::None || side.file().readHistory({}, &entries) != FileError::None) {
            if (unread)
                *unread << shared->name();
            continue;
        }
        for (auto &e : entries)
            if (filter.accepts(e))
                out.push_back(std::move(e));
    }
    std::stable_sort(out.begin(), out.end(), [](const HistoryEntry &a, const HistoryEntry &b) { return a.at > b.at; });
    return out;
}
