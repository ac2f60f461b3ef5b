// A group is a run of neighbouring rows with one group number: rows are only ever appended and
// removed, never moved, so the rows of one scan's group stay together and in their order.
#include "views/SelectionRules.h"

#include <iterator>

namespace {

// The row of [first, end) that the rule keeps alone, the first of equals.
std::size_t KeptRow(const CDuplicateRows& rows, EKeepRule rule, std::size_t first, std::size_t end)
{
    std::size_t kept = first;
    for (std::size_t row = first + 1; row < end; ++row) {
        const RowRecord& candidate = rows.Row(row);
        const RowRecord& best = rows.Row(kept);
        const bool better = rule == EKeepRule::Oldest   ? candidate.modified < best.modified
                            : rule == EKeepRule::Newest ? candidate.modified > best.modified
                            : rule == EKeepRule::ShortestPath
                                ? candidate.fullPath.size() < best.fullPath.size()
                                : false;
        if (better)
            kept = row;
    }
    return kept;
}

void SelectOutsideFolder(const CDuplicateRows& rows, const std::string& folder, std::size_t first,
                         std::size_t end, CRowSelection& selection)
{
    bool anyThere = false;
    for (std::size_t row = first; row < end && !anyThere; ++row)
        anyThere = LocationView(rows.Row(row).fullPath) == folder;
    if (!anyThere)
        return;
    for (std::size_t row = first; row < end; ++row)
        if (LocationView(rows.Row(row).fullPath) != folder)
            selection.Select(row);
}

} // namespace

void SelectDuplicates(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder,
                      CRowSelection& selection)
{
    selection.Clear();
    for (std::size_t first = 0; first < rows.RowCount();) {
        const std::int32_t group = rows.Row(first).group;
        std::size_t end = first + 1;
        while (end < rows.RowCount() && rows.Row(end).group == group)
            ++end;
        if (group >= 0 && end - first > 1) {
            if (rule == EKeepRule::InFolder) {
                SelectOutsideFolder(rows, folder, first, end, selection);
            } else {
                const std::size_t kept = KeptRow(rows, rule, first, end);
                if (kept > first)
                    selection.SelectRange(first, kept - 1);
                if (kept + 1 < end)
                    selection.SelectRange(kept + 1, end - 1);
            }
        }
        first = end;
    }
}

std::string SizeText(std::uint64_t bytes)
{
    if (bytes < 1000)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    // Whole tenths of the unit, rounded, in integers: a size that rounds to 1000.0 of one unit is
    // shown as 1.0 of the next, whatever the processor's floating point does with the halves.
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    std::uint64_t tenth = 100; // a tenth of a KB, in bytes
    std::size_t unit = 0;
    std::uint64_t tenths = (bytes + tenth / 2) / tenth;
    while (tenths >= 10000 && unit + 1 < std::size(kUnits)) {
        tenth *= 1000;
        ++unit;
        tenths = bytes / tenth + (bytes % tenth >= tenth / 2 ? 1 : 0);
    }
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + kUnits[unit];
}

std::string SelectionSummaryText(const CDuplicateRows& rows, const CRowSelection& selection)
{
    if (selection.Empty())
        return std::string();
    std::uint64_t bytes = 0;
    for (std::size_t row = selection.Next(0); row != CRowSelection::npos; row = selection.Next(row + 1))
        bytes += static_cast<std::uint64_t>(std::max<std::int64_t>(rows.Row(row).size, 0));
    const std::size_t count = selection.Count();
    return std::to_string(count) + (count == 1 ? " file selected, " : " files selected, ") + SizeText(bytes);
}
