// A group is a run of neighbouring rows with one group number: rows are only ever appended and
// removed, never moved, so the rows of one scan's group stay together; pasted rows have none.
#include "views/RowGroups.h"

#include <algorithm>

void CRowGroups::Read(const CDuplicateRows& rows)
{
    m_runs.clear();
    m_rows = rows.RowCount();
    m_groups = 0;
    for (std::size_t row = 0; row < m_rows; ++row) {
        const std::int32_t group = rows.Row(row).group;
        if (row > 0 && rows.Row(row - 1).group == group)
            continue;
        m_runs.push_back({row, group >= 0 ? ++m_groups : 0});
    }
}

GroupPosition CRowGroups::Find(std::size_t row) const
{
    if (row >= m_rows)
        return {};
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), row,
                                        [](std::size_t r, const Run& run) { return r < run.first; });
    const Run& run = *(after - 1);
    const std::size_t end = after != m_runs.end() ? after->first : m_rows;
    if (run.group == 0)
        return {0, m_groups, 0, 0};
    return {run.group, m_groups, row - run.first + 1, end - run.first};
}

std::string GroupPositionText(const GroupPosition& position)
{
    if (position.group == 0)
        return "pasted, in no group";
    return "group " + CountText(position.group) + " of " + CountText(position.groups) + ", copy " +
           CountText(position.copy) + " of " + CountText(position.copies);
}

std::string CountText(std::uint64_t count)
{
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}
