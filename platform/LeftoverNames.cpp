// Finding what killed replacements left, the same on every system. A folder where a live run has a name
// is remembered with that run, so that it is listed again only once the run has ended or the folder has
// changed, not on every replacement in it.
#include "platform/LeftoverNames.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace platform {

namespace {

constexpr std::size_t kFoldersRemembered = 4096; // then forgotten all at once, and listed again

struct SeenFolder
{
    std::int64_t modified = 0;
    std::vector<RunOrigin> running; // the runs whose names were left alone, as they may still be going
};

// The folders looked at, by identity, with their last-modified time then.
class CSeenFolders
{
public:
    bool ChangedSince(const FileId& id, std::int64_t modified)
    {
        std::vector<RunOrigin> running;
        {
            const std::lock_guard<std::mutex> hold(m_mutex);
            const auto seen = m_folders.find(id);
            if (seen == m_folders.end() || seen->second.modified != modified)
                return true;
            running = seen->second.running;
        }
        // Asked outside the lock: each look asks the system.
        return !std::all_of(running.begin(), running.end(), MayBeRunning);
    }
    void Note(const FileId& id, std::int64_t modified, std::vector<RunOrigin> running)
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        if (m_folders.size() >= kFoldersRemembered)
            m_folders.clear();
        m_folders[id] = SeenFolder{modified, std::move(running)};
    }
    // After this process's own change.
    void NoteOwnChange(const FileId& id, std::int64_t modified)
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        const auto seen = m_folders.find(id);
        if (seen != m_folders.end())
            seen->second.modified = modified;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<FileId, SeenFolder, FileIdHash> m_folders;
};

CSeenFolders& SeenFolders()
{
    static CSeenFolders seen;
    return seen;
}

// The folder's names: the temporary names of ended runs, with the hash of the name each was made for;
// every other name; and the runs that may still be going, once each.
struct FolderNames
{
    std::vector<std::pair<std::string, std::uint64_t>> leftovers;
    std::vector<std::string> others;
    std::vector<RunOrigin> running;
};

FolderNames Sorted(const std::vector<std::string>& names)
{
    FolderNames sorted;
    for (const std::string& name : names) {
        TemporaryLinkOrigin origin;
        if (!ParseTemporaryLinkName(name, origin))
            sorted.others.push_back(name);
        else if (!MayBeRunning(origin.run))
            sorted.leftovers.emplace_back(name, origin.forHash);
        else if (std::find(sorted.running.begin(), sorted.running.end(), origin.run) == sorted.running.end())
            sorted.running.push_back(origin.run);
    }
    return sorted;
}

} // namespace

void RemoveLeftovers(CLeftoverFolder& folder)
{
    FileId id;
    std::int64_t modified = 0;
    std::vector<std::string> names;
    if (!folder.State(id, modified) || !SeenFolders().ChangedSince(id, modified) || !folder.List(names))
        return;
    FolderNames sorted = Sorted(names);
    for (const auto& [leftover, forHash] : sorted.leftovers)
        for (const std::string& name : sorted.others)
            if (NameHash(name) == forHash && folder.HeldElsewhere(leftover, name)) {
                folder.Remove(leftover);
                break;
            }
    if (folder.State(id, modified))
        SeenFolders().Note(id, modified, std::move(sorted.running));
}

void NoteLeftoverFolderSeen(CLeftoverFolder& folder)
{
    FileId id;
    std::int64_t modified = 0;
    if (folder.State(id, modified))
        SeenFolders().NoteOwnChange(id, modified);
}

} // namespace platform
