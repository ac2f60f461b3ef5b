// What the duplicates list's file actions decide without a window: which rows share a folder, the
// plan of a file action and its run over rows, and the text that names the files that stayed.
#pragma once

#include "platform/ReplaceFile.h"
#include "views/DuplicateRows.h"
#include "views/MessageText.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A file that stayed, and why.
struct FileFailure
{
    std::string path;
    std::string reason; // the system's words, or the check's
};
using TrashFailure = FileFailure;

// Moves one file to the trash; false with the reason when it stayed.
using TrashCall = bool (*)(const std::string& path, std::string& reason);
// What a trash run moved: its files and their bytes as the rows list them.
struct TrashTotals
{
    std::size_t files = 0;
    std::uint64_t bytes = 0;
};

// Asked before each file with how many of how many are done; false stops the run there.
using TrashProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The rows whose Location is exactly `folder`, byte for byte (files in subfolders and folders that
// differ in letter case are others), from the last row to the first.
std::vector<std::size_t> RowsInFolder(const CDuplicateRows& rows, const std::string& folder);

// What a failure says when a row's path no longer leads to the file that the scan compared.
inline constexpr const char* kChangedSinceScan = "changed since the scan";
// And when the rows of a group that stay would keep no file the scan compared.
inline constexpr const char* kNoCopyLeft = "no unchanged copy of it would be left";
// And when its move took the very copy its group keeps, seen under another path, and it was put back.
inline constexpr const char* kKeptCopyItself = "it is the copy its group keeps, seen under another path";

// Whether a row's file is still the very file the scan compared (identity, size, last write): the
// check made before a file goes, and on the copy that is to stay.
bool StillScannedFile(const RowRecord& record);

// The copy a group keeps, for the rules and the file actions alike: among the rows of [first, end)
// that `eligible` allows, the one that `prefers` ranks first (between equals, the row higher in the
// list) whose file passes `passes`; npos when none does. `passes` is asked only about the rows that
// would be kept, best first, since each answer may be a look-up on the disk.
template <class Eligible, class Prefers, class Passes>
std::size_t KeptCopyOf(std::size_t first, std::size_t end, Eligible&& eligible, Prefers&& prefers,
                       Passes&& passes)
{
    constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::vector<bool> failed; // made only once a row it would keep fails
    for (;;) {
        std::size_t kept = npos;
        for (std::size_t row = first; row < end; ++row) {
            const bool candidate = (failed.empty() || !failed[row - first]) && eligible(row);
            if (candidate && (kept == npos || prefers(row, kept)))
                kept = row;
        }
        if (kept == npos || passes(kept))
            return kept;
        if (failed.empty())
            failed.assign(end - first, false);
        failed[kept - first] = true;
    }
}

// What a file action does with a row's file: moves it to the trash, or replaces it with a hard link
// to, or a clone of, the copy its group keeps.
enum class EFileAction
{
    Trash,
    HardLink,
    Clone,
};

// One operation of a plan. A link or a clone is made from `kept`: the first row of its group that is
// not in the plan and whose file still passes StillScannedFile, chosen when the group's first
// operation runs so that the answer is as fresh as the change.
struct FileOperation
{
    EFileAction action = EFileAction::Trash;
    std::size_t row = 0;
    std::size_t kept = static_cast<std::size_t>(-1);
};

// The operations on one group's rows, in the order given; pasted rows, which belong to no group,
// come as runs of their own with group -1.
struct GroupOperations
{
    std::int32_t group = -1;
    std::vector<FileOperation> operations;
};
using FilePlan = std::vector<GroupOperations>;

// The plan of one action on the given rows, in their order. Nothing is asked of the disk yet.
FilePlan PlanFileAction(const CDuplicateRows& rows, const std::vector<std::size_t>& which,
                        EFileAction action);

// Replaces a file with a link to or a clone of the kept copy: platform::ReplaceWithCopyOf unless a
// test says.
using ReplaceCall = platform::ReplaceOutcome (*)(platform::EReplaceWay way, const std::string& kept,
                                                 const platform::FileStamp& keptStamp,
                                                 const std::string& path,
                                                 const platform::FileStamp& pathStamp);

struct FileActionCalls
{
    TrashCall trash = nullptr;
    ReplaceCall replace = nullptr;
    // Brings the file the trash call last moved back from the trash; none unless a caller gives it.
    TrashCall putBack = nullptr;
};

// What a run did: the rows that leave the list, each file that stayed with its reason, and the files
// acted on with their bytes (for the trash as the rows list them; for a link or a clone the storage
// that the system says went).
struct FileActionReport
{
    std::vector<std::size_t> gone;
    std::vector<FileFailure> failures;
    std::size_t files = 0;
    std::uint64_t bytes = 0;
};

// Runs the plan, operation by operation, asking `progress` before each; a stop leaves the operations
// after it undone, and they are no failures. Every operation is checked just before it acts: its
// row's file must still be the one the scan compared (a pasted row: must name a file or a folder, and
// only the trash takes one); a file already acted on through another row of the same path (or, for a
// pasted row, of the same file) is done; the trash leaves no group with only changed copies
// (TrashFilesOfRows); a link or a clone needs its
// group's kept copy, and the system compares both files' bytes in full before it replaces anything.
// A kept copy that changed meanwhile gives way to the next that passes. Fills in each run operation's
// `kept`.
FileActionReport RunFilePlan(const CDuplicateRows& rows, FilePlan& plan, const FileActionCalls& calls,
                             const TrashProgress& progress = nullptr);

// The words for a row whose file was not replaced.
inline constexpr const char* kPastedRow = "a pasted row, which no scan compared";
inline constexpr const char* kNoKeptCopy = "no unselected copy of it is unchanged since the scan";
// The words for the system's refusal; empty for None (replaced) and for System, whose words are the
// system's own.
const char* ReplaceRefusalText(platform::EReplaceRefusal refusal);

// Moves the files of the given rows to the trash, one call per row in the given order. A row of a
// group goes only while its path still leads to the very file the scan compared (a folder swapped
// for a link, or a file replaced or rewritten, is another file), and only while a row of its group
// that stays, if any does, still passes that check too: a group whose every row was given goes
// whole, but no group is left with only changed or missing copies. The copy a group keeps is known by
// its identity: one that a pasted row names under another spelling goes with that row, so it is no
// copy that stays. It is looked at again before every move of its group and after it: a move that
// took it (the same file through another view of its folder, which shows other identities) is put
// back with `putBack`, and that row stays, named with kKeptCopyItself. A pasted row goes only while it
// names a file or a folder. Returns the rows whose files went, with every other row naming a path or
// a file that went or lying under a folder that went; each file that stayed is added to `failures`.
// Rows after a stop are neither moved nor failures.
std::vector<std::size_t> TrashFilesOfRows(const CDuplicateRows& rows, const std::vector<std::size_t>& which,
                                          std::vector<TrashFailure>& failures, TrashCall trash,
                                          const TrashProgress& progress = nullptr,
                                          TrashTotals* totals = nullptr, TrashCall putBack = nullptr);

// "N files moved to the trash, S" after a run that moved some.
std::string TrashTotalsText(const TrashTotals& totals, const std::string& trashName);

// One message for every file that stayed: the first few (as many as the box names) with their reasons,
// then how many more. Each path is shortened from its middle so that its line, reason included, fits
// the box's line.
std::string TrashFailureText(const std::vector<TrashFailure>& failures, const std::string& trashName,
                             const MessageFit& fit);

// "N files replaced by links, S freed" or "... by clones, S freed" after a run that replaced some;
// "...; M refused" after it where `refused` files stayed.
std::string ReplaceTotalsText(EFileAction action, std::size_t files, std::uint64_t freed,
                              std::size_t refused = 0);

// The warning after Replace with Hard Links or Replace with Clones, shaped and fitted as the trash's.
std::string ReplaceFailureText(EFileAction action, const std::vector<FileFailure>& failures,
                               const MessageFit& fit);
