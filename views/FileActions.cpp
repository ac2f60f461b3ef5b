// The file actions' decisions, kept apart from the window so that they can be tested on real files.
#include "views/FileActions.h"

#include "platform/EntryFacts.h"
#include "platform/InputFile.h"

#include <string_view>
#include <unordered_set>

namespace {

constexpr std::size_t kNamedFailures = 20; // a longer list would not fit on the screen

// Why the row's file must stay where it is; empty when it may go.
std::string Refusal(const RowRecord& record, const std::string& path)
{
    if (record.Scanned())
        return platform::StillSame(path, record.Stamp()) ? std::string() : kChangedSinceScan;
    platform::EntryFacts facts;
    if (!platform::LookUpEntry(path, facts))
        return "there is no file or folder of that name";
    return facts.isFile || facts.isFolder ? std::string() : "not a file or folder";
}

} // namespace

std::vector<std::size_t> RowsInFolder(const CDuplicateRows& rows, const std::string& folder)
{
    std::vector<std::size_t> found;
    for (std::size_t row = rows.RowCount(); row-- > 0;)
        if (LocationView(rows.Row(row).fullPath) == folder)
            found.push_back(row);
    return found;
}

std::vector<std::size_t> TrashFilesOfRows(const CDuplicateRows& rows, const std::vector<std::size_t>& which,
                                          std::vector<TrashFailure>& failures, TrashCall trash,
                                          const TrashProgress& progress)
{
    std::vector<std::size_t> gone;
    std::unordered_set<std::string_view> moved; // views into the rows' own text, which outlives this
    std::vector<TrashFailure> stayed;
    for (std::size_t i = 0; i < which.size(); ++i) {
        if (progress && !progress(i, which.size()))
            break;
        const std::size_t row = which[i];
        const RowRecord& record = rows.Row(row);
        if (moved.count(record.fullPath) != 0) { // a second row of a file already in the trash
            gone.push_back(row);
            continue;
        }
        const std::string path(record.fullPath);
        std::string reason = Refusal(record, path);
        if (reason.empty() && trash(path, reason)) {
            gone.push_back(row);
            moved.insert(record.fullPath);
        } else {
            stayed.push_back({path, std::move(reason)});
        }
    }
    // Only pasted rows can name a path twice: their files may have gone with another row.
    if (rows.HasPastedRows() && !moved.empty()) {
        gone.clear();
        for (std::size_t row = 0; row < rows.RowCount(); ++row)
            if (moved.count(rows.Row(row).fullPath) != 0)
                gone.push_back(row);
    }
    for (TrashFailure& failure : stayed)
        if (moved.count(failure.path) == 0)
            failures.push_back(std::move(failure));
    return gone;
}

std::string TrashFailureText(const std::vector<TrashFailure>& failures, const std::string& trashName)
{
    std::string text =
        failures.size() == 1
            ? "This file could not be moved to the " + trashName + " and stays in the list:\n"
            : "These files could not be moved to the " + trashName + " and stay in the list:\n";
    for (std::size_t i = 0; i < failures.size() && i < kNamedFailures; ++i)
        text += "\n" + failures[i].path + ": " + failures[i].reason;
    if (failures.size() > kNamedFailures)
        text += "\nand " + std::to_string(failures.size() - kNamedFailures) + " more";
    return text;
}
