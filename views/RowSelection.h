// Which rows of a list are selected: one bit a row, so that asking about a row, selecting one and
// toggling one take constant time, a range or all rows take a pass over 64 rows at a time, and the
// selected rows are read in order in time that grows with the list's size / 64 plus their number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CRowSelection
{
public:
    static constexpr std::size_t npos = std::string::npos;

    std::size_t RowCount() const { return m_rows; }
    // New rows come unselected; rows past a smaller count are forgotten.
    void SetRowCount(std::size_t rows);

    std::size_t Count() const { return m_count; }
    // Moves on with every change of the selection or of the rows under it, so that whoever shows
    // something of the selection can tell when to look again.
    std::uint64_t Version() const { return m_version; }
    bool Empty() const { return m_count == 0; }
    bool IsSelected(std::size_t row) const;

    // Each returns whether any row changed; rows past the end are left alone.
    bool Select(std::size_t row, bool on = true);
    bool Toggle(std::size_t row);
    // The rows from `first` to `last`, both included, in either order.
    bool SelectRange(std::size_t first, std::size_t last, bool on = true);
    bool SelectAll();
    bool Clear();

    // The first selected row at or after `row`, or npos.
    std::size_t Next(std::size_t row) const;
    std::vector<std::size_t> Rows() const;

    // The given rows (ascending; a repeat counts once) leave the list: the others move up past them and keep
    // their state. One pass over the rows.
    void RemoveRows(const std::vector<std::size_t>& removed);

private:
    std::vector<std::uint64_t> m_words;
    std::size_t m_rows = 0;
    std::size_t m_count = 0;
    std::uint64_t m_version = 0;
};
