// A group is a run of neighbouring rows with one group number: rows are only ever appended and
// removed, never moved, so the rows of one scan's group stay together and in their order.
#include "views/SelectionRules.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <vector>

namespace {

// Whether the rule prefers `candidate` to `best`; between equals, the row higher in the list wins.
bool Prefers(EKeepRule rule, const RowRecord& candidate, const RowRecord& best)
{
    return rule == EKeepRule::Oldest         ? candidate.modified < best.modified
           : rule == EKeepRule::Newest       ? candidate.modified > best.modified
           : rule == EKeepRule::ShortestPath ? candidate.fullPath.size() < best.fullPath.size()
                                             : false;
}

// The row of [first, end) that the rule keeps alone: the one it prefers among those whose file still
// passes the check, asking the disk only about the rows it would keep; npos when none passes.
std::size_t KeptRow(const CDuplicateRows& rows, EKeepRule rule, std::size_t first, std::size_t end,
                    const CopyCheck& check)
{
    std::vector<bool> failed; // made only once a preferred row fails
    for (;;) {
        std::size_t kept = CRowSelection::npos;
        for (std::size_t row = first; row < end; ++row) {
            const bool candidate = failed.empty() || !failed[row - first];
            if (candidate && (kept == CRowSelection::npos || Prefers(rule, rows.Row(row), rows.Row(kept))))
                kept = row;
        }
        if (kept == CRowSelection::npos || check(rows.Row(kept)))
            return kept;
        if (failed.empty())
            failed.assign(end - first, false);
        failed[kept - first] = true;
    }
}

void SelectOutsideFolder(const CDuplicateRows& rows, const std::string& folder, std::size_t first,
                         std::size_t end, CRowSelection& selection, const CopyCheck& check)
{
    bool keptThere = false;
    for (std::size_t row = first; row < end && !keptThere; ++row)
        keptThere = LocationView(rows.Row(row).fullPath) == folder && check(rows.Row(row));
    if (!keptThere)
        return;
    for (std::size_t row = first; row < end; ++row)
        if (LocationView(rows.Row(row).fullPath) != folder)
            selection.Select(row);
}

} // namespace

void SelectDuplicates(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder,
                      CRowSelection& selection, const CopyCheck& check)
{
    selection.Clear();
    for (std::size_t first = 0; first < rows.RowCount();) {
        const std::int32_t group = rows.Row(first).group;
        std::size_t end = first + 1;
        while (end < rows.RowCount() && rows.Row(end).group == group)
            ++end;
        if (group >= 0 && end - first > 1) {
            if (rule == EKeepRule::InFolder) {
                SelectOutsideFolder(rows, folder, first, end, selection, check);
            } else {
                const std::size_t kept = KeptRow(rows, rule, first, end, check);
                if (kept != CRowSelection::npos) {
                    if (kept > first)
                        selection.SelectRange(first, kept - 1);
                    if (kept + 1 < end)
                        selection.SelectRange(kept + 1, end - 1);
                }
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

namespace {

std::string SelectionSummary(std::size_t count, std::uint64_t bytes)
{
    return std::to_string(count) + (count == 1 ? " file selected, " : " files selected, ") + SizeText(bytes);
}

} // namespace

std::string LongestSelectionSummary()
{
    return SelectionSummary(static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()),
                            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()));
}

std::string SelectionSummaryText(const CDuplicateRows& rows, const CRowSelection& selection)
{
    if (selection.Empty())
        return std::string();
    std::uint64_t bytes = 0;
    for (std::size_t row = selection.Next(0); row != CRowSelection::npos; row = selection.Next(row + 1))
        bytes += static_cast<std::uint64_t>(std::max<std::int64_t>(rows.Row(row).size, 0));
    return SelectionSummary(selection.Count(), bytes);
}
