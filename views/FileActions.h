// What the duplicates list's file actions decide without a window: which rows share a folder, the
// trash run over rows, and the text that names the files that stayed.
#pragma once

#include "views/DuplicateRows.h"
#include "views/MessageText.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TrashFailure
{
    std::string path;
    std::string reason; // the system's words
};

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

// Whether a row's file is still the very file the scan compared (identity, size, last write): the
// check made before a file goes, and on the copy that is to stay.
bool StillScannedFile(const RowRecord& record);

// Moves the files of the given rows to the trash, one call per row in the given order. A row of a
// group goes only while its path still leads to the very file the scan compared (a folder swapped
// for a link, or a file replaced or rewritten, is another file), and only while a row of its group
// that stays, if any does, still passes that check too: a group whose every row was given goes
// whole, but no group is left with only changed or missing copies. A pasted row goes only while it
// names a file or a folder. Returns the rows whose files went, with every other row naming a path
// that went or lying under a folder that went; each file that stayed is added to `failures`. Rows
// after a stop are neither moved nor failures.
std::vector<std::size_t> TrashFilesOfRows(const CDuplicateRows& rows, const std::vector<std::size_t>& which,
                                          std::vector<TrashFailure>& failures, TrashCall trash,
                                          const TrashProgress& progress = nullptr,
                                          TrashTotals* totals = nullptr);

// "N files moved to the trash, S" after a run that moved some.
std::string TrashTotalsText(const TrashTotals& totals, const std::string& trashName);

// One message for every file that stayed: the first few (as many as the box names) with their reasons,
// then how many more. Each path is shortened from its middle so that its line, reason included, fits
// the box's line.
std::string TrashFailureText(const std::vector<TrashFailure>& failures, const std::string& trashName,
                             const MessageFit& fit);
