// A group is a run of neighbouring rows with one group number: rows are only ever appended and
// removed, never moved, so the rows of one scan's group stay together and in their order.
#include "views/SelectionRules.h"

#include "platform/Path.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <system_error>
#include <thread>
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
using RowCheck = std::function<bool(std::size_t row)>;

std::size_t KeptRow(const CDuplicateRows& rows, EKeepRule rule, std::size_t first, std::size_t end,
                    const RowCheck& check)
{
    return KeptCopyOf(
        first, end, [](std::size_t) { return true; },
        [&](std::size_t candidate, std::size_t best) {
            return Prefers(rule, rows.Row(candidate), rows.Row(best));
        },
        check);
}

// Whether the row is one that a folder rule keeps.
bool InKeptFolder(const RowRecord& record, EKeepRule rule, const std::string& folder)
{
    return rule == EKeepRule::InFolder ? LocationView(record.fullPath) == folder
                                       : IsAtOrUnder(record.fullPath, folder);
}

void SelectOutsideFolder(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder,
                         std::size_t first, std::size_t end, CRowSelection& selection, const RowCheck& check)
{
    const std::size_t kept = KeptCopyOf(
        first, end, [&](std::size_t row) { return InKeptFolder(rows.Row(row), rule, folder); },
        [](std::size_t, std::size_t) { return false; }, check);
    if (kept == CRowSelection::npos)
        return;
    for (std::size_t row = first; row < end; ++row)
        if (!InKeptFolder(rows.Row(row), rule, folder))
            selection.Select(row);
}

// Calls `visit(first, end)` for every group of the scan that still has two rows or more.
template <class Visit> void ForEachGroup(const CDuplicateRows& rows, Visit visit)
{
    for (std::size_t first = 0; first < rows.RowCount();) {
        const std::int32_t group = rows.Row(first).group;
        std::size_t end = first + 1;
        while (end < rows.RowCount() && rows.Row(end).group == group)
            ++end;
        if (group >= 0 && end - first > 1)
            visit(first, end);
        first = end;
    }
}

bool IsFolderRule(EKeepRule rule)
{
    return rule == EKeepRule::InFolder || rule == EKeepRule::UnderFolder;
}

// The row each group would keep if its file passes the check; a group with none is left out.
std::vector<std::size_t> PreferredRows(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder)
{
    std::vector<std::size_t> preferred;
    const RowCheck any = [](std::size_t) { return true; };
    ForEachGroup(rows, [&](std::size_t first, std::size_t end) {
        if (!IsFolderRule(rule)) {
            preferred.push_back(KeptRow(rows, rule, first, end, any));
            return;
        }
        for (std::size_t row = first; row < end; ++row)
            if (InKeptFolder(rows.Row(row), rule, folder)) {
                preferred.push_back(row);
                return;
            }
    });
    return preferred;
}

// The check's answers for the given rows, indexed by row (-1 for a row not asked about). Each answer
// is a look-up in the file system, and the system answers several at once, so they are asked from
// a few threads; the check must be safe to call from any thread.
std::vector<signed char> CheckAll(const CDuplicateRows& rows, const std::vector<std::size_t>& which,
                                  const CopyCheck& check)
{
    std::vector<signed char> answers(rows.RowCount(), -1);
    constexpr std::size_t kPerTask = 512;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t start; (start = next.fetch_add(kPerTask)) < which.size();)
            for (std::size_t i = start; i < std::min(start + kPerTask, which.size()); ++i)
                answers[which[i]] = check(rows.Row(which[i])) ? 1 : 0;
    };
    std::vector<std::thread> helpers;
    const std::size_t threads =
        std::min<std::size_t>(std::max(2u, std::thread::hardware_concurrency()) * 2, which.size() / kPerTask);
    try {
        for (std::size_t i = 1; i < threads; ++i)
            helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No thread to spare: the threads there are, this one included, ask about every row.
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return answers;
}

bool SameNameChar(char a, char b)
{
    if (platform::IsPathSeparator(a) && platform::IsPathSeparator(b))
        return true;
    if (platform::kPathSeparator == '\\' && a >= 'A' && a <= 'Z')
        a = static_cast<char>(a - 'A' + 'a');
    if (platform::kPathSeparator == '\\' && b >= 'A' && b <= 'Z')
        b = static_cast<char>(b - 'A' + 'a');
    return a == b;
}

} // namespace

bool IsAtOrUnder(std::string_view path, std::string_view folder)
{
    if (folder.empty())
        return false;
    // A folder's trailing separators say nothing; the root keeps its own ("/" holds every path).
    while (!folder.empty() && platform::IsPathSeparator(folder.back()))
        folder.remove_suffix(1);
    if (path.size() < folder.size() || !std::equal(folder.begin(), folder.end(), path.begin(), SameNameChar))
        return false;
    return path.size() == folder.size() || platform::IsPathSeparator(path[folder.size()]);
}

std::size_t SelectDuplicates(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder,
                             CRowSelection& selection, const CopyCheck& check)
{
    selection.Clear();
    std::size_t groups = 0;
    // The rows each group would keep are checked at once; only where one fails are others asked.
    const std::vector<signed char> answers = CheckAll(rows, PreferredRows(rows, rule, folder), check);
    const RowCheck checkRow = [&](std::size_t row) {
        return answers[row] >= 0 ? answers[row] == 1 : check(rows.Row(row));
    };
    ForEachGroup(rows, [&](std::size_t first, std::size_t end) {
        const std::size_t before = selection.Count();
        if (IsFolderRule(rule)) {
            SelectOutsideFolder(rows, rule, folder, first, end, selection, checkRow);
        } else {
            const std::size_t kept = KeptRow(rows, rule, first, end, checkRow);
            if (kept != CRowSelection::npos) {
                if (kept > first)
                    selection.SelectRange(first, kept - 1);
                if (kept + 1 < end)
                    selection.SelectRange(kept + 1, end - 1);
            }
        }
        groups += selection.Count() > before ? 1 : 0;
    });
    return groups;
}

namespace {

// Where a folder rule's copies lie, among the groups that have one in the folder.
enum class EFolderReach
{
    NoGroup,    // no group has a copy there
    EveryCopy,  // each group that has one there has all its copies there
    SomeOutside // some of those groups have copies elsewhere too
};

EFolderReach FolderReach(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder)
{
    EFolderReach reach = EFolderReach::NoGroup;
    ForEachGroup(rows, [&](std::size_t first, std::size_t end) {
        std::size_t inside = 0;
        for (std::size_t row = first; row < end; ++row)
            inside += InKeptFolder(rows.Row(row), rule, folder) ? 1 : 0;
        if (inside > 0 && inside < end - first)
            reach = EFolderReach::SomeOutside;
        else if (inside > 0 && reach == EFolderReach::NoGroup)
            reach = EFolderReach::EveryCopy;
    });
    return reach;
}

// The folder's own name: its last part, or the folder itself where it has none (the root).
std::string_view FolderName(std::string_view folder)
{
    while (folder.size() > 1 && platform::IsPathSeparator(folder.back()))
        folder.remove_suffix(1);
    std::size_t start = folder.size();
    while (start > 0 && !platform::IsPathSeparator(folder[start - 1]))
        --start;
    return start < folder.size() ? folder.substr(start) : folder;
}

PaneNote NothingSelectedNote(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder)
{
    if (!IsFolderRule(rule))
        return {"No duplicates to select", "", ""};
    const std::string where = rule == EKeepRule::InFolder ? " in " : " under ";
    switch (FolderReach(rows, rule, folder)) {
    case EFolderReach::NoGroup:
        break;
    case EFolderReach::EveryCopy:
        return {"Every copy is" + where, folder, ", so there is nothing outside it to select"};
    case EFolderReach::SomeOutside:
        return {"No copy" + where, folder, " is unchanged since the scan"};
    }
    return {"No group has a copy" + where, folder, ""};
}

} // namespace

std::string PaneNote::Text(const MessageFit& fit) const
{
    if (!fit.width || folder.empty())
        return before + folder + after;
    return before + ShortenPath(folder, fit.lineBudget - fit.width(before + after), fit.width) + after;
}

PaneNote RuleSummaryNote(const CDuplicateRows& rows, const CRowSelection& selection, std::size_t groups,
                         EKeepRule rule, const std::string& folder)
{
    if (selection.Empty())
        return NothingSelectedNote(rows, rule, folder);
    const std::string text = SelectionSummaryText(rows, selection) + " in " + std::to_string(groups) +
                             (groups == 1 ? " group" : " groups");
    if (rule != EKeepRule::UnderFolder)
        return {text, "", ""};
    return {text + ", keeping those under ", std::string(FolderName(folder)), ""};
}

std::string UnderFolderStart(const std::vector<std::string>& listed, std::string_view currentRowPath,
                             const std::string& fallback)
{
    if (currentRowPath.empty())
        return listed.empty() ? fallback : listed.front();
    for (const std::string& folder : listed)
        if (IsAtOrUnder(currentRowPath, folder))
            return folder;
    return LocationText(currentRowPath);
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
    // A rule's selection, which names its groups too, is the longest the pane shows for numbers; a
    // folder the pane names is cut from its middle to fit as wide a text.
    const auto most = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    return SelectionSummary(most, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) +
           " in " + std::to_string(most) + " groups";
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

namespace {

// One group's share: its copies beyond the one kept, and the bytes they hold alone.
void AddGroupCost(const CDuplicateRows& rows, std::size_t first, std::size_t end, std::size_t& copies,
                  std::uint64_t& bytes)
{
    std::size_t alone = 0; // rows whose file has no other name
    for (std::size_t row = first; row < end; ++row)
        alone += rows.Row(row).otherNames ? 0 : 1;
    copies += end - first - 1;
    const std::size_t freeing = alone == end - first ? alone - 1 : alone;
    bytes += freeing * static_cast<std::uint64_t>(std::max<std::int64_t>(rows.Row(first).size, 0));
}

} // namespace

std::string CopiesCostText(const CDuplicateRows& rows)
{
    std::size_t copies = 0;
    std::uint64_t bytes = 0;
    for (std::size_t first = 0; first < rows.RowCount();) {
        std::size_t end = first + 1;
        const std::int32_t group = rows.Row(first).group;
        while (end < rows.RowCount() && rows.Row(end).group == group)
            ++end;
        if (group >= 0)
            AddGroupCost(rows, first, end, copies, bytes);
        first = end;
    }
    return std::to_string(copies) + (copies == 1 ? " copy, " : " copies, ") + SizeText(bytes) +
           " could be freed";
}

std::string LeftOutText(std::size_t files, std::size_t folders)
{
    if (files == 0 && folders == 0)
        return std::string();
    std::string text = "; options leave out ";
    if (files > 0)
        text += std::to_string(files) + (files == 1 ? " file" : " files") + (folders > 0 ? " and " : "");
    return text + (folders > 0 ? "folders" : "");
}
