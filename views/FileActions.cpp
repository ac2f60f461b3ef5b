// The file actions' decisions, kept apart from the window so that they can be tested on real files.
#include "views/FileActions.h"

namespace {

constexpr std::size_t kNamedFailures = 20; // a longer list would not fit on the screen

} // namespace

std::vector<std::size_t> RowsInFolder(const CDuplicateRows& rows, const std::string& folder)
{
    std::vector<std::size_t> found;
    for (std::size_t row = rows.RowCount(); row-- > 0;)
        if (LocationText(rows.Row(row).fullPath) == folder)
            found.push_back(row);
    return found;
}

std::vector<std::size_t> TrashFilesOfRows(const CDuplicateRows& rows, const std::vector<std::size_t>& which,
                                          std::vector<TrashFailure>& failures, TrashCall trash)
{
    std::vector<std::size_t> gone;
    for (const std::size_t row : which) {
        const std::string path(rows.Row(row).fullPath);
        std::string reason;
        if (trash(path, reason))
            gone.push_back(row);
        else
            failures.push_back({path, reason});
    }
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
