// The file actions' decisions, kept apart from the window so that they can be tested on real files.
#include "views/FileActions.h"

#include "platform/EntryFacts.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "views/SelectionRules.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

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

// A path as a key to compare folders by: Windows spells one path with either separator and in any
// letter case, and a folder with or without a separator after it.
std::string FolderKey(std::string_view path)
{
    std::string key(path);
    for (char& c : key) {
        if (platform::IsPathSeparator(c))
            c = platform::kPathSeparator;
        else if (platform::kPathSeparator == '\\' && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    while (key.size() > 1 && key.back() == platform::kPathSeparator)
        key.pop_back();
    return key;
}

// Whether `path` lies under one of the folders, at any depth; `folders` holds their keys.
bool UnderAny(std::string_view path, const std::unordered_set<std::string>& folders)
{
    const std::string key = FolderKey(path);
    for (std::size_t i = key.size(); i-- > 0;)
        if (key[i] == platform::kPathSeparator && folders.count(key.substr(0, i == 0 ? 1 : i)) != 0)
            return true;
    return false;
}

// Whether each group that rows are taken from keeps a copy that passes the check: asked once per
// group, at the first of its rows to go, so that the answer is as fresh as the move.
class CKeptCopies
{
public:
    CKeptCopies(const CDuplicateRows& rows, const std::vector<std::size_t>& which)
        : m_rows(rows), m_given(rows.RowCount(), false)
    {
        for (const std::size_t row : which) {
            m_given[row] = true;
            if (!rows.Row(row).Scanned())
                m_pasted.insert(FolderKey(rows.Row(row).fullPath));
        }
    }

    bool LeavesACopy(std::size_t row)
    {
        const std::int32_t group = m_rows.Row(row).group;
        if (group < 0)
            return true;
        const auto known = m_known.find(group);
        if (known != m_known.end())
            return known->second;
        // A group's rows are neighbours: its run reaches out from any one of them.
        std::size_t first = row;
        while (first > 0 && m_rows.Row(first - 1).group == group)
            --first;
        bool anyStays = false;
        bool copyLeft = false;
        for (std::size_t r = first; r < m_rows.RowCount() && m_rows.Row(r).group == group && !copyLeft; ++r) {
            if (m_given[r])
                continue;
            // A row left out whose file goes all the same, with a pasted row, keeps no copy.
            anyStays = true;
            copyLeft = !GoesWithAPastedRow(m_rows.Row(r).fullPath) && StillScannedFile(m_rows.Row(r));
        }
        return m_known[group] = copyLeft || !anyStays;
    }

private:
    // A row that stays may still lose its file to a pasted row of the same run: the same path, or a
    // folder above it.
    bool GoesWithAPastedRow(std::string_view path) const
    {
        return !m_pasted.empty() && (m_pasted.count(FolderKey(path)) != 0 || UnderAny(path, m_pasted));
    }

    const CDuplicateRows& m_rows;
    std::vector<bool> m_given;
    std::unordered_set<std::string> m_pasted; // the keys of the given pasted rows' paths
    std::unordered_map<std::int32_t, bool> m_known;
};

// What went: each file once, however many rows named it, those listed under a folder that went
// included; a pasted folder counts as one only where no listed file under it did.
void AddUp(const CDuplicateRows& rows, const std::vector<std::size_t>& gone, TrashTotals& totals)
{
    std::unordered_set<std::string> counted; // however the rows spell a path
    std::size_t folders = 0;
    for (const std::size_t row : gone) {
        const RowRecord& record = rows.Row(row);
        if (record.folder) {
            ++folders;
        } else if (counted.insert(FolderKey(record.fullPath)).second) {
            ++totals.files;
            totals.bytes += static_cast<std::uint64_t>(std::max<std::int64_t>(record.size, 0));
        }
    }
    if (totals.files == 0)
        totals.files = folders;
}

} // namespace

bool StillScannedFile(const RowRecord& record)
{
    return record.Scanned() && platform::StillSame(std::string(record.fullPath), record.Stamp());
}

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
                                          const TrashProgress& progress, TrashTotals* totals)
{
    std::vector<std::size_t> gone;
    std::unordered_set<std::string_view> moved;   // views into the rows' own text, which outlives this
    std::unordered_set<std::string> movedFolders; // pasted folders, with every file under them
    std::vector<TrashFailure> stayed;
    CKeptCopies kept(rows, which);
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
        if (reason.empty() && !kept.LeavesACopy(row))
            reason = kNoCopyLeft;
        if (reason.empty() && trash(path, reason)) {
            gone.push_back(row);
            moved.insert(record.fullPath);
            if (record.folder)
                movedFolders.insert(FolderKey(record.fullPath));
        } else {
            stayed.push_back({path, std::move(reason)});
        }
    }
    // Only pasted rows can name a path twice, or a folder that held other rows' files: those rows'
    // files went with it.
    if (rows.HasPastedRows() && !moved.empty()) {
        gone.clear();
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            const std::string_view path = rows.Row(row).fullPath;
            if (moved.count(path) != 0 || (!movedFolders.empty() && UnderAny(path, movedFolders)))
                gone.push_back(row);
        }
    }
    for (TrashFailure& failure : stayed)
        if (moved.count(failure.path) == 0 && (movedFolders.empty() || !UnderAny(failure.path, movedFolders)))
            failures.push_back(std::move(failure));
    if (totals != nullptr)
        AddUp(rows, gone, *totals);
    return gone;
}

std::string TrashFailureText(const std::vector<TrashFailure>& failures, const std::string& trashName,
                             const MessageFit& fit)
{
    std::string text =
        failures.size() == 1
            ? "This file could not be moved to the " + trashName + " and stays in the list:\n"
            : "These files could not be moved to the " + trashName + " and stay in the list:\n";
    for (std::size_t i = 0; i < failures.size() && i < fit.namedPaths; ++i)
        text += "\n" +
                ShortenPathBeforeReason(failures[i].path, failures[i].reason, fit.lineBudget, fit.width) +
                ": " + failures[i].reason;
    if (failures.size() > fit.namedPaths)
        text += "\nand " + std::to_string(failures.size() - fit.namedPaths) + " more";
    return text;
}

std::string TrashTotalsText(const TrashTotals& totals, const std::string& trashName)
{
    return std::to_string(totals.files) + (totals.files == 1 ? " file" : " files") + " moved to the " +
           trashName + ", " + SizeText(totals.bytes);
}
