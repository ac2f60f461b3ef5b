// Cleanup by rule: which rows of the duplicates list to select so that each group keeps one copy (or
// the copies in one folder), and what a selection holds. No window code.
#pragma once

#include "views/DuplicateRows.h"
#include "views/FileActions.h"
#include "views/RowSelection.h"

#include <cstdint>
#include <functional>
#include <string>

enum class EKeepRule
{
    First,        // the first row of the group in list order
    Oldest,       // the earliest last-modified time; a tie keeps the row higher in the list
    Newest,       // the latest last-modified time; likewise
    ShortestPath, // the fewest bytes of path; likewise
    InFolder,     // every row whose Location is the given folder, in groups that have one there
};

// Whether a row's file may be kept as the group's copy; Delete's own check unless a test says.
using CopyCheck = std::function<bool(const RowRecord& record)>;

// Replaces the selection with every row of a group that the rule does not keep. The row a rule keeps
// must pass `check`: where the one it prefers does not, it keeps the next in its own order that does,
// and a group where none does is left alone (InFolder: one of the rows in the folder must pass). A
// rule never picks every row a group has left, nor a pasted row, which belongs to no group.
void SelectDuplicates(const CDuplicateRows& rows, EKeepRule rule, const std::string& folder,
                      CRowSelection& selection, const CopyCheck& check = StillScannedFile);

// "N files selected, S" while rows are selected, S their total size; empty otherwise.
std::string SelectionSummaryText(const CDuplicateRows& rows, const CRowSelection& selection);
// The longest such text: as many rows as a scan's 32-bit counts allow, and as many bytes as a file's
// signed 64-bit size holds.
std::string LongestSelectionSummary();

// A size as desktops show it: bytes below 1,000, then KB, MB, GB and TB of 1,000 with one decimal.
std::string SizeText(std::uint64_t bytes);
