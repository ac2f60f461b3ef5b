// The file actions' decisions, kept apart from the window so that they can be tested on real files.
#include "views/FileActions.h"

#include "platform/EntryFacts.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "views/SelectionRules.h"

#include <algorithm>
#include <iterator>
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

// The pasted rows that a run gives to the trash, known by what they are: a path spelled otherwise (a
// doubled separator, a link to a folder on the way) names the same file all the same.
class CPastedEntries
{
public:
    CPastedEntries(const CDuplicateRows& rows, const FilePlan& plan) : m_rows(rows)
    {
        for (const GroupOperations& group : plan)
            for (const FileOperation& operation : group.operations) {
                const RowRecord& record = rows.Row(operation.row);
                platform::FileId id;
                if (operation.action != EFileAction::Trash || record.Scanned() ||
                    !platform::LookUpIdentity(std::string(record.fullPath), false, id))
                    continue;
                m_ids.emplace(operation.row, id);
                m_entries.insert(id);
                m_anyFolder = m_anyFolder || record.folder;
            }
    }

    bool Empty() const { return m_ids.empty(); }

    // What a row's file is: the scan's identity, or for a pasted row of the run the one looked up;
    // nullptr for any other pasted row.
    const platform::FileId* IdOf(std::size_t row) const
    {
        if (m_rows.Row(row).Scanned())
            return &m_rows.Row(row).id;
        const auto found = m_ids.find(row);
        return found != m_ids.end() ? &found->second : nullptr;
    }

    // Whether a scanned row's file goes with a pasted entry: it is one, or a folder on its way is.
    bool Take(std::size_t row) const
    {
        if (m_entries.empty())
            return false;
        const RowRecord& record = m_rows.Row(row);
        return m_entries.count(record.id) != 0 || (m_anyFolder && InAPastedFolder(record.fullPath));
    }

private:
    // Each folder on the way is asked for itself and, where it is a link, for what it leads to; once
    // for each folder that holds rows.
    bool InAPastedFolder(std::string_view path) const
    {
        const std::string location(LocationView(path));
        const auto known = m_folders.find(location);
        if (known != m_folders.end())
            return known->second;
        bool taken = false;
        for (std::size_t end = 1; end <= location.size() && !taken; ++end) {
            if (end < location.size() && !platform::IsPathSeparator(location[end]))
                continue;
            const std::string folder = location.substr(0, end);
            platform::FileId id;
            for (const bool follow : {false, true})
                taken = taken || (folder.back() != ':' && platform::LookUpIdentity(folder, follow, id) &&
                                  m_entries.count(id) != 0);
        }
        return m_folders[location] = taken;
    }

    const CDuplicateRows& m_rows;
    std::unordered_map<std::size_t, platform::FileId> m_ids; // by row
    std::unordered_set<platform::FileId, platform::FileIdHash> m_entries;
    bool m_anyFolder = false;
    mutable std::unordered_map<std::string, bool> m_folders; // whether a pasted folder takes each
};

// The copy each group keeps, chosen at the first of its operations to run so that the answer is as
// fresh as the change, and looked at again before and after every move of the group: a move may
// take it through another view of its folder, which shows its file under other identities. A kept
// copy found changed gives way to the next.
class CKeptCopies
{
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    CKeptCopies(const CDuplicateRows& rows, const FilePlan& plan, const CPastedEntries& pasted)
        : m_rows(rows), m_pasted(pasted), m_given(rows.RowCount(), false)
    {
        for (const GroupOperations& group : plan)
            for (const FileOperation& operation : group.operations)
                m_given[operation.row] = true;
    }

    struct Kept
    {
        std::size_t row = npos; // the copy that stays unchanged; npos when none does
        bool anyStays = false;  // whether the group keeps a row at all
    };

    Kept For(std::size_t row)
    {
        const std::int32_t group = m_rows.Row(row).group;
        if (group < 0) // a pasted row belongs to no group, which has nothing to keep
            return {npos, false};
        const auto known = m_known.find(group);
        if (known != m_known.end())
            return known->second;
        // A group's rows are neighbours: its run reaches out from any one of them.
        std::size_t first = row;
        while (first > 0 && m_rows.Row(first - 1).group == group)
            --first;
        std::size_t end = row + 1;
        while (end < m_rows.RowCount() && m_rows.Row(end).group == group)
            ++end;
        Kept kept;
        for (std::size_t r = first; r < end && !kept.anyStays; ++r)
            kept.anyStays = !m_given[r];
        // A row left out whose file goes all the same, with a pasted row, keeps no copy.
        kept.row = KeptCopyOf(
            first, end,
            [&](std::size_t r) { return !m_given[r] && m_refused.count(r) == 0 && !m_pasted.Take(r); },
            [](std::size_t, std::size_t) { return false; },
            [&](std::size_t r) { return StillScannedFile(m_rows.Row(r)); });
        return m_known[group] = kept;
    }

    // The trash's question before a move: whether the group keeps an unchanged copy, or goes whole.
    bool LeavesACopy(std::size_t row)
    {
        const bool known = m_known.count(m_rows.Row(row).group) != 0;
        Kept kept = For(row);
        if (known && kept.row != npos && !StillScannedFile(m_rows.Row(kept.row))) {
            Refuse(kept.row);
            kept = For(row);
        }
        return kept.row != npos || !kept.anyStays;
    }

    // After a move of the row's file: whether the copy its group keeps is still there, unchanged. A
    // file on the kept copy's own volume is another file than it, its identity being another.
    bool StillKept(std::size_t row)
    {
        const Kept kept = For(row);
        return kept.row == npos || m_rows.Row(kept.row).id.device == m_rows.Row(row).id.device ||
               StillScannedFile(m_rows.Row(kept.row));
    }

    // The kept copy was found changed: the group keeps the next one that passes.
    void Refuse(std::size_t keptRow)
    {
        m_refused.insert(keptRow);
        m_known.erase(m_rows.Row(keptRow).group);
    }

private:
    const CDuplicateRows& m_rows;
    const CPastedEntries& m_pasted;
    std::vector<bool> m_given;
    std::unordered_set<std::size_t> m_refused;
    std::unordered_map<std::int32_t, Kept> m_known;
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

FilePlan PlanFileAction(const CDuplicateRows& rows, const std::vector<std::size_t>& which, EFileAction action)
{
    FilePlan plan;
    for (const std::size_t row : which) {
        const std::int32_t group = rows.Row(row).group;
        if (plan.empty() || plan.back().group != group)
            plan.push_back({group, {}});
        plan.back().operations.push_back({action, row});
    }
    return plan;
}

const char* ReplaceRefusalText(platform::EReplaceRefusal refusal)
{
    using platform::EReplaceRefusal;
    switch (refusal) {
    case EReplaceRefusal::Changed:
        return kChangedSinceScan;
    case EReplaceRefusal::KeptChanged:
        return "its kept copy changed since the scan";
    case EReplaceRefusal::DifferentBytes:
        return "its bytes now differ from the kept copy's";
    case EReplaceRefusal::OtherVolume:
        return "the kept copy is on another volume";
    case EReplaceRefusal::NoHardLinks:
        return "the file system has no hard links";
    case EReplaceRefusal::NoClones:
        return "the file system cannot make clones";
    case EReplaceRefusal::WrittenMeanwhile:
        return "written to during the comparison";
    case EReplaceRefusal::OpenForWriting:
        return "another program has it open for writing";
    case EReplaceRefusal::KeptOpenForWriting:
        return "another program has its kept copy open for writing";
    case EReplaceRefusal::InUse:
        return "another program has it open";
    case EReplaceRefusal::Immutable:
        return "it is marked immutable";
    case EReplaceRefusal::AppendOnly:
        return "it is marked append-only";
    case EReplaceRefusal::KeptImmutable:
        return "its kept copy is marked immutable";
    case EReplaceRefusal::KeptAppendOnly:
        return "its kept copy is marked append-only";
    case EReplaceRefusal::ReadOnly:
        return "it is marked read-only";
    case EReplaceRefusal::OwnerOrPermissions:
        return "its owner or permissions differ from the kept copy's";
    case EReplaceRefusal::Privileges:
        return "a clone would clear its set-ID bits or capability, which this user cannot put back";
    case EReplaceRefusal::FolderImmutable:
        return "its folder is marked immutable";
    case EReplaceRefusal::FolderAppendOnly:
        return "its folder is marked append-only";
    case EReplaceRefusal::OtherOwner:
        return "another user owns it, so a clone could not keep its last-write time";
    case EReplaceRefusal::None:
    case EReplaceRefusal::System:
        break;
    }
    return "";
}

namespace {

// Replaces the operation's file with a link to or a clone of its group's kept copy; true when it was,
// else the reason. A kept copy found changed gives way to the next one that passes.
bool Replace(const CDuplicateRows& rows, FileOperation& operation, const std::string& path, CKeptCopies& kept,
             ReplaceCall replace, std::uint64_t& freed, std::string& reason)
{
    const RowRecord& record = rows.Row(operation.row);
    const platform::EReplaceWay way = operation.action == EFileAction::HardLink
                                          ? platform::EReplaceWay::HardLink
                                          : platform::EReplaceWay::Clone;
    for (;;) {
        operation.kept = kept.For(operation.row).row;
        if (operation.kept == CKeptCopies::npos) {
            reason = kNoKeptCopy;
            return false;
        }
        const RowRecord& copy = rows.Row(operation.kept);
        const platform::ReplaceOutcome outcome =
            replace(way, std::string(copy.fullPath), copy.Stamp(), path, record.Stamp());
        if (outcome.refusal == platform::EReplaceRefusal::KeptChanged) {
            kept.Refuse(operation.kept);
            continue;
        }
        if (outcome.refusal == platform::EReplaceRefusal::None) {
            freed = outcome.freed;
            return true;
        }
        reason = outcome.refusal == platform::EReplaceRefusal::System ? outcome.systemText
                                                                      : ReplaceRefusalText(outcome.refusal);
        return false;
    }
}

} // namespace

namespace {

// One run of a plan: what it has acted on so far, and what it reports.
class CPlanRun
{
public:
    CPlanRun(const CDuplicateRows& rows, const FilePlan& plan, const FileActionCalls& calls)
        : m_rows(rows), m_calls(calls), m_pasted(rows, plan), m_kept(rows, plan, m_pasted)
    {}

    // Checks the operation's file and acts on it, or notes why it stayed.
    void Act(FileOperation& operation)
    {
        const RowRecord& record = m_rows.Row(operation.row);
        if (m_moved.count(record.fullPath) != 0 || m_replaced.count(record.fullPath) != 0 ||
            MovedUnderAnotherPath(operation.row)) {
            m_report.gone.push_back(operation.row); // a second row of a file already acted on
            return;
        }
        const std::string path(record.fullPath);
        std::string reason;
        const bool done = operation.action == EFileAction::Trash ? MoveToTrash(operation, path, reason)
                                                                 : ReplaceFile(operation, path, reason);
        if (!done)
            m_stayed.push_back({operation.row, {path, std::move(reason)}});
    }

    // The report once the run has ended, finished or stopped: every row that leaves, the files that
    // stayed and were not acted on through another row after all, and what went.
    FileActionReport Settle(const FilePlan& plan)
    {
        if (m_rows.HasPastedRows() && (!m_moved.empty() || !m_replaced.empty()))
            SettleRowsOfPastedPaths(plan);
        for (auto& [row, failure] : m_stayed)
            if (!ActedOn(failure.path) && !MovedUnderAnotherPath(row))
                m_report.failures.push_back(std::move(failure));
        if (!m_moved.empty())
            AddTrashTotals();
        return std::move(m_report);
    }

private:
    bool MoveToTrash(const FileOperation& operation, const std::string& path, std::string& reason)
    {
        const RowRecord& record = m_rows.Row(operation.row);
        reason = Refusal(record, path);
        if (reason.empty() && !m_kept.LeavesACopy(operation.row))
            reason = kNoCopyLeft;
        if (!reason.empty() || !m_calls.trash(path, reason))
            return false;
        if (!m_kept.StillKept(operation.row) && PutBack(path)) {
            reason = kKeptCopyItself;
            return false;
        }
        m_report.gone.push_back(operation.row);
        m_moved.insert(record.fullPath);
        if (const platform::FileId* id = m_pasted.Empty() ? nullptr : m_pasted.IdOf(operation.row))
            m_movedIds.insert(*id);
        if (record.folder)
            m_movedFolders.insert(FolderKey(record.fullPath));
        return true;
    }

    // The move took the copy its group keeps: the file was that copy under another path, and goes back.
    bool PutBack(const std::string& path)
    {
        std::string reason;
        return m_calls.putBack != nullptr && m_calls.putBack(path, reason);
    }

    // Whether the row's file went through a row that spells its path otherwise: only a pasted row can.
    bool MovedUnderAnotherPath(std::size_t row) const
    {
        const platform::FileId* id = m_movedIds.empty() ? nullptr : m_pasted.IdOf(row);
        return id != nullptr && m_movedIds.count(*id) != 0;
    }

    // A link or a clone checks its file itself, on the descriptor it then compares.
    bool ReplaceFile(FileOperation& operation, const std::string& path, std::string& reason)
    {
        const RowRecord& record = m_rows.Row(operation.row);
        if (!record.Scanned()) {
            reason = kPastedRow;
            return false;
        }
        std::uint64_t freed = 0;
        if (!Replace(m_rows, operation, path, m_kept, m_calls.replace, freed, reason))
            return false;
        m_report.gone.push_back(operation.row);
        m_replaced.insert(record.fullPath);
        ++m_report.files;
        m_report.bytes += freed;
        return true;
    }

    // Only pasted rows can name a path twice, or a folder that held other rows' files: those rows'
    // files went with it. A path replaced through one row is done for every given row that names it.
    void SettleRowsOfPastedPaths(const FilePlan& plan)
    {
        std::unordered_set<std::size_t> given;
        if (!m_replaced.empty())
            for (const GroupOperations& group : plan)
                for (const FileOperation& operation : group.operations)
                    given.insert(operation.row);
        m_report.gone.clear();
        for (std::size_t row = 0; row < m_rows.RowCount(); ++row) {
            const std::string_view path = m_rows.Row(row).fullPath;
            if (m_moved.count(path) != 0 || MovedUnderAnotherPath(row) ||
                (!m_movedFolders.empty() && UnderAny(path, m_movedFolders)) ||
                (m_replaced.count(path) != 0 && given.count(row) != 0))
                m_report.gone.push_back(row);
        }
    }

    bool ActedOn(const std::string& path) const
    {
        return m_moved.count(path) != 0 || m_replaced.count(path) != 0 ||
               (!m_movedFolders.empty() && UnderAny(path, m_movedFolders));
    }

    void AddTrashTotals()
    {
        std::vector<std::size_t> trashed;
        for (const std::size_t row : m_report.gone)
            if (m_replaced.count(m_rows.Row(row).fullPath) == 0)
                trashed.push_back(row);
        TrashTotals totals;
        AddUp(m_rows, trashed, totals);
        m_report.files += totals.files;
        m_report.bytes += totals.bytes;
    }

    const CDuplicateRows& m_rows;
    const FileActionCalls& m_calls;
    CPastedEntries m_pasted;
    CKeptCopies m_kept;
    std::unordered_set<std::string_view> m_moved;    // views into the rows' own text, which outlives this
    std::unordered_set<std::string_view> m_replaced; // likewise
    std::unordered_set<std::string> m_movedFolders;  // pasted folders, with every file under them
    std::unordered_set<platform::FileId, platform::FileIdHash> m_movedIds; // kept only with pasted rows
    std::vector<std::pair<std::size_t, FileFailure>> m_stayed;             // by row
    FileActionReport m_report;
};

std::size_t OperationCount(const FilePlan& plan)
{
    std::size_t total = 0;
    for (const GroupOperations& group : plan)
        total += group.operations.size();
    return total;
}

} // namespace

FileActionReport RunFilePlan(const CDuplicateRows& rows, FilePlan& plan, const FileActionCalls& calls,
                             const TrashProgress& progress)
{
    CPlanRun run(rows, plan, calls);
    const std::size_t total = OperationCount(plan);
    std::size_t done = 0;
    for (GroupOperations& group : plan)
        for (FileOperation& operation : group.operations) {
            if (progress && !progress(done, total))
                return run.Settle(plan);
            ++done;
            run.Act(operation);
        }
    return run.Settle(plan);
}

std::vector<std::size_t> TrashFilesOfRows(const CDuplicateRows& rows, const std::vector<std::size_t>& which,
                                          std::vector<TrashFailure>& failures, TrashCall trash,
                                          const TrashProgress& progress, TrashTotals* totals,
                                          TrashCall putBack)
{
    FilePlan plan = PlanFileAction(rows, which, EFileAction::Trash);
    FileActionReport report = RunFilePlan(rows, plan, {trash, nullptr, putBack}, progress);
    std::move(report.failures.begin(), report.failures.end(), std::back_inserter(failures));
    if (totals != nullptr) {
        totals->files += report.files;
        totals->bytes += report.bytes;
    }
    return std::move(report.gone);
}

namespace {

// The warning's shape: what happened, a blank line, a line per named file with its reason, and how
// many more.
std::string FailureText(const std::vector<FileFailure>& failures, const std::string& oneFile,
                        const std::string& manyFiles, const MessageFit& fit)
{
    std::string text = failures.size() == 1 ? oneFile + "\n" : manyFiles + "\n";
    for (std::size_t i = 0; i < failures.size() && i < fit.namedPaths; ++i)
        text += "\n" +
                ShortenPathBeforeReason(failures[i].path, failures[i].reason, fit.lineBudget, fit.width) +
                ": " + failures[i].reason;
    if (failures.size() > fit.namedPaths)
        text += "\nand " + std::to_string(failures.size() - fit.namedPaths) + " more";
    return text;
}

std::string FilesText(std::size_t files)
{
    return std::to_string(files) + (files == 1 ? " file" : " files");
}

} // namespace

std::string TrashFailureText(const std::vector<TrashFailure>& failures, const std::string& trashName,
                             const MessageFit& fit)
{
    return FailureText(failures,
                       "This file could not be moved to the " + trashName + " and stays in the list:",
                       "These files could not be moved to the " + trashName + " and stay in the list:", fit);
}

std::string TrashTotalsText(const TrashTotals& totals, const std::string& trashName)
{
    return FilesText(totals.files) + " moved to the " + trashName + ", " + SizeText(totals.bytes);
}

std::string ReplaceFailureText(EFileAction action, const std::vector<FileFailure>& failures,
                               const MessageFit& fit)
{
    const bool link = action == EFileAction::HardLink;
    return FailureText(failures,
                       link ? "This file could not be replaced by a hard link and stays in the list:"
                            : "This file could not be replaced by a clone and stays in the list:",
                       link ? "These files could not be replaced by hard links and stay in the list:"
                            : "These files could not be replaced by clones and stay in the list:",
                       fit);
}

std::string ReplaceTotalsText(EFileAction action, std::size_t files, std::uint64_t freed, std::size_t refused)
{
    const char* way = action == EFileAction::HardLink ? (files == 1 ? "a link" : "links")
                                                      : (files == 1 ? "a clone" : "clones");
    const std::string text = FilesText(files) + " replaced by " + way + ", " + SizeText(freed) + " freed";
    return refused == 0 ? text : text + "; " + std::to_string(refused) + " refused";
}
