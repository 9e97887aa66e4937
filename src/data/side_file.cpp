#include "data/side_file.h"

namespace {

// The row as read.
class RowBuffer final : public RecordBuffer {
public:
    explicit RowBuffer(std::size_t columns) : m_row(columns) {}
    Row save() override { return m_row; }
    int load(const Row &row) override
    {
        m_row = row;
        return 0;
    }
    void clear() override { m_row.assign(m_row.size(), Value{}); }

private:
    Row m_row;
};

} // namespace

SideFile::SideFile(const DataFile &shared, const QString &purpose)
{
    FileDesc desc = shared.desc();
    desc.group = purpose + QLatin1Char(':') + desc.name; // never the connection of the windows' files
    const std::size_t columns = desc.columns.size();
    m_file = std::make_unique<DataFile>(std::move(desc), std::make_unique<RowBuffer>(columns));
}
