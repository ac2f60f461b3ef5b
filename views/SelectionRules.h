// Cleanup by rule: which rows of the duplicates list to select so that each group keeps one copy (or
// the copies in one folder), and what a selection holds. No window code.
#pragma once

#include "views/DuplicateRows.h"
#include "views/FileActions.h"
#include "views/MessageText.h"
#include "views/RowSelection.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class EKeepRule
{
    First,        // the first row of the group in list order
    Oldest,       // the earliest last-modified time; a tie keeps the row higher in the list
    Newest,       // the latest last-modified time; likewise
    ShortestPath, // the fewest bytes of path; likewise
    InFolder,     // every row whose Location is the given folder, in groups that have one there
    UnderFolder,  // every row at or anywhere under the given folder, in groups that have one there
};

// Whether `path` is `folder` itself or lies anywhere under it, by whole names ("/a/bc" is not under
// "/a/b"). Windows takes either separator and ignores the letter case of ASCII names.
bool IsAtOrUnder(std::string_view path, std::string_view folder);

// Whether a row's file may be kept as the group's copy; Delete's own check unless a test says.
using CopyCheck = std::function<bool(const RowRecord& record)>;

// Replaces the selection with every row of a group that the rule does not keep. The row a rule keeps
// must pass `check`: where the one it prefers does not, it keeps the next in its own order that does,
// and a group where none does is left alone (InFolder: one of the rows in the folder must pass). A
// rule never picks every row a group has left, nor a pasted row, which belongs to no group.
// Returns how many groups the rule selected rows in.
std::size_t SelectDuplicates(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder,
                             CRowSelection& selection, const CopyCheck& check = StillScannedFile);

// A text of the selection pane: a folder it names sits between `before` and `after`, so that the
// folder alone is cut from its middle where the pane is too narrow for the whole.
struct PaneNote
{
    std::string before;
    std::string folder;
    std::string after;

    // The whole text; where `fit.width` is given, at most `fit.lineBudget` wide with the folder cut.
    std::string Text(const MessageFit& fit = {}) const;
};

// What the selection pane says while a rule's selection stands: "N files selected, S in M groups", for
// Keep Those Under a Folder followed by ", keeping those under NAME", the folder's own name; or why
// the rule selected nothing: no group has a copy in (under) the folder, every copy of the groups that
// have one is there, or none of their copies there is unchanged since the scan.
PaneNote RuleSummaryNote(const CDuplicateRows& rows, const CRowSelection& selection, std::size_t groups,
                         EKeepRule rule, const std::string& folder);
inline std::string RuleSummaryText(const CDuplicateRows& rows, const CRowSelection& selection,
                                   std::size_t groups, EKeepRule rule, const std::string& folder,
                                   const MessageFit& fit = {})
{
    return RuleSummaryNote(rows, selection, groups, rule, folder).Text(fit);
}

// Where the folder picker of Keep Those Under a Folder opens: the listed folder that holds the current
// row's file, else that file's own folder; without a current row the first listed folder, and
// `fallback` where none is listed.
std::string UnderFolderStart(const std::vector<std::string>& listed, std::string_view currentRowPath,
                             const std::string& fallback);

// "N files selected, S" while rows are selected, S their total size; empty otherwise.
std::string SelectionSummaryText(const CDuplicateRows& rows, const CRowSelection& selection);
// The longest text of numbers the pane shows: a rule's selection of as many rows and groups as a
// scan's 32-bit counts allow, and as many bytes as a file's signed 64-bit size holds.
std::string LongestSelectionSummary();

// What keeping one copy of each group of the rows would free: "N copies, S could be freed". A copy
// with other names (hard links) frees nothing when it goes, so where a group has one, that is the copy
// counted as kept. Pasted rows belong to no group and count for nothing.
std::string CopiesCostText(const CDuplicateRows& rows);
// What a scan's options left out, to follow that text: "; options leave out N files", "... N files
// and folders" where folders were left out too (their files never listed, so not counted), or
// "; options leave out folders"; empty where nothing was left out.
std::string LeftOutText(std::size_t files, std::size_t folders);

// A size as desktops show it: bytes below 1,000, then KB, MB, GB and TB of 1,000 with one decimal.
std::string SizeText(std::uint64_t bytes);
