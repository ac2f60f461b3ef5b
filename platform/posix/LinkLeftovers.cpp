// Removing what a killed replacement left. Its temporary name held either a second name of the kept
// copy (killed before the swap) or the old file (killed after it): in both cases a file of the same
// bytes as the one at the name it was made for, which the check here sees again before anything goes.
#include "platform/posix/LinkLeftovers.h"

#include "platform/FileIdentity.h"
#include "platform/TemporaryLinkName.h"
#include "platform/posix/CompareFiles.h"
#include "platform/posix/FileLease.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr std::size_t kFoldersRemembered = 4096; // then forgotten all at once, and listed again

// The folders looked at, by identity, with their last-modified time then: a new name changes it.
class CSeenFolders
{
public:
    bool ChangedSince(const struct stat& folder)
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        const auto seen = m_folders.find(IdOf(folder));
        return seen == m_folders.end() || seen->second.tv_sec != folder.st_mtim.tv_sec ||
               seen->second.tv_nsec != folder.st_mtim.tv_nsec;
    }
    // `settled`: no name in it belongs to a run that may still be going; an unsettled folder is listed
    // again each time, until that run has ended.
    void Note(const struct stat& folder, bool settled)
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        if (!settled) {
            m_folders.erase(IdOf(folder));
            return;
        }
        if (m_folders.size() >= kFoldersRemembered)
            m_folders.clear();
        m_folders[IdOf(folder)] = folder.st_mtim;
    }
    // After this process's own change: a settled folder stays so.
    void NoteOwnChange(const struct stat& folder)
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        const auto seen = m_folders.find(IdOf(folder));
        if (seen != m_folders.end())
            seen->second = folder.st_mtim;
    }

private:
    static FileId IdOf(const struct stat& st)
    {
        return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    }

    std::mutex m_mutex;
    std::unordered_map<FileId, struct timespec, FileIdHash> m_folders;
};

CSeenFolders& SeenFolders()
{
    static CSeenFolders seen;
    return seen;
}

// A process that may still be using its names; one that cannot be asked is taken to be alive.
bool MayBeRunning(unsigned long process)
{
    if (process == 0 || process > static_cast<unsigned long>(INT_MAX))
        return true;
    return kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
}

int OpenEntry(int folder, const std::string& name)
{
    return openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
}

// Whether the leftover holds nothing that the file named `forName` does not: it is that file, or has
// its bytes and was not written to while they were compared, and still has its name.
bool HeldElsewhere(int folder, const std::string& leftoverName, const std::string& forName)
{
    CDescriptor leftover, original;
    leftover.Reset(OpenEntry(folder, leftoverName));
    original.Reset(OpenEntry(folder, forName));
    struct stat a, b;
    if (leftover.Get() < 0 || original.Get() < 0 || fstat(leftover.Get(), &a) != 0 ||
        fstat(original.Get(), &b) != 0 || !S_ISREG(a.st_mode) || !S_ISREG(b.st_mode))
        return false;
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return true;
    CFileLease lease;
    if (a.st_size != b.st_size || lease.Take(leftover.Get(), false) == CFileLease::ETake::Conflict ||
        CompareBytes(leftover.Get(), original.Get(), a.st_size) != ECompare::Same)
        return false;
    struct stat after, named;
    return fstat(leftover.Get(), &after) == 0 && after.st_ctim.tv_sec == a.st_ctim.tv_sec &&
           after.st_ctim.tv_nsec == a.st_ctim.tv_nsec && !lease.WriteWanted() &&
           fstatat(folder, leftoverName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           named.st_dev == a.st_dev && named.st_ino == a.st_ino;
}

// The temporary names of ended processes in the folder, and every other name; `settled` is false
// where a process that may still be running has one there.
bool ListFolder(int folder, std::vector<std::pair<std::string, std::uint64_t>>& leftovers,
                std::vector<std::string>& others, bool& settled)
{
    const int listed = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* const dir = listed >= 0 ? fdopendir(listed) : nullptr;
    if (dir == nullptr) {
        if (listed >= 0)
            close(listed);
        return false;
    }
    while (const dirent* entry = readdir(dir)) {
        TemporaryLinkOrigin origin;
        if (!ParseTemporaryLinkName(entry->d_name, origin))
            others.emplace_back(entry->d_name);
        else if (MayBeRunning(origin.process))
            settled = false;
        else
            leftovers.emplace_back(entry->d_name, origin.forHash);
    }
    closedir(dir);
    return true;
}

} // namespace

void RemoveLeftoverLinks(int folder)
{
    struct stat st;
    if (fstat(folder, &st) != 0 || !SeenFolders().ChangedSince(st))
        return;
    std::vector<std::pair<std::string, std::uint64_t>> leftovers;
    std::vector<std::string> others;
    bool settled = true;
    if (!ListFolder(folder, leftovers, others, settled))
        return;
    for (const auto& [leftover, forHash] : leftovers)
        for (const std::string& name : others)
            if (NameHash(name) == forHash && HeldElsewhere(folder, leftover, name)) {
                unlinkat(folder, leftover.c_str(), 0);
                break;
            }
    if (fstat(folder, &st) == 0)
        SeenFolders().Note(st, settled);
}

void NoteFolderSeen(int folder)
{
    struct stat st;
    if (fstat(folder, &st) == 0)
        SeenFolders().NoteOwnChange(st);
}

} // namespace platform
