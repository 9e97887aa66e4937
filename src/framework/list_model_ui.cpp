// The list's columns and its page queue: the rows shown, each with its texts, record and position.
#include "framework/list_window.h"

// ---- columns --------------------------------------------------------------------------------

BrowseColumn BrowseColumn::number(const QString &header, const char *picture, std::function<REAL()> value)
{
    Picture p = Picture::of(picture);
    return {header, p, [p, value = std::move(value)] { return p.formatNumber(value()); }, 0};
}

// ---- the page queue -------------------------------------------------------------------------

BrowsePageModel::BrowsePageModel(const std::vector<BrowseColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_columns(columns)
{
}

int BrowsePageModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int BrowsePageModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant BrowsePageModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_entries.size()))
        return {};
    if (role == Qt::DisplayRole)
        return m_entries[std::size_t(index.row())].texts.value(index.column());
    if (role == Qt::TextAlignmentRole) {
        const Picture &p = m_columns[std::size_t(index.column())].picture;
        const bool right = p.kind() == PictureKind::Number && !p.leftAligned();
        return int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return {};
}

QVariant BrowsePageModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < int(m_columns.size())) {
        if (role == Qt::DisplayRole)
            return m_columns[std::size_t(section)].header;
        if (role == GroupRole)
            return m_columns[std::size_t(section)].group;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void BrowsePageModel::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

void BrowsePageModel::append(Entry e)
{
    const int row = int(m_entries.size());
    beginInsertRows({}, row, row);
    m_entries.push_back(std::move(e));
    endInsertRows();
}

void BrowsePageModel::prepend(Entry e)
{
    beginInsertRows({}, 0, 0);
    m_entries.insert(m_entries.begin(), std::move(e));
    endInsertRows();
}

void BrowsePageModel::removeAt(int row)
{
    if (row < 0 || row >= int(m_entries.size()))
        return;
    beginRemoveRows({}, row, row);
    m_entries.erase(m_entries.begin() + row);
    endRemoveRows();
}

void BrowsePageModel::removeFirst() { removeAt(0); }
void BrowsePageModel::removeLast() { removeAt(int(m_entries.size()) - 1); }
