// Folder listing on POSIX: readdir, then one status per entry relative to the folder's descriptor.
#include "platform/FolderListing.h"

#include "platform/Path.h"
#include "platform/posix/LongPath.h"

#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

FileId IdOf(const struct stat& st)
{
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

void Describe(const struct stat& st, FolderEntry& entry)
{
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.isFile = S_ISREG(st.st_mode);
    entry.size = static_cast<std::int64_t>(st.st_size);
    entry.modified = RecordedTime(static_cast<std::int64_t>(st.st_mtim.tv_sec));
    entry.writeTime = WriteTimeOf(st);
    entry.id = IdOf(st);
    entry.links = static_cast<std::uint32_t>(st.st_nlink);
}

// Fills in what the entry is; a link is judged by what it points to, except that a link to anything
// but a folder is recorded as neither folder nor file.
void Examine(int folderFd, unsigned char type, FolderEntry& entry)
{
    if (IsSelfOrParent(entry.name)) {
        entry.isDirectory = true;
        return;
    }
    if (type == DT_DIR) {
        entry.isDirectory = true; // its identity is taken when it is opened
        return;
    }
    struct stat st;
    if (type != DT_LNK) {
        if (StatusAsLookedUp(folderFd, entry.name.c_str(), st, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        if (!S_ISLNK(st.st_mode)) {
            Describe(st, entry);
            return;
        }
    }
    if (StatusAsLookedUp(folderFd, entry.name.c_str(), st, 0) == 0 && S_ISDIR(st.st_mode))
        Describe(st, entry);
}

} // namespace

bool CFolderListing::Open(const std::string& folder, const std::atomic<bool>* stop, const FileIdSet* leaveOut)
{
    m_entries.clear();
    m_leftOut = false;
    const int fd = OpenAnyLength(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    m_folderId = IdOf(st);
    if (leaveOut != nullptr && leaveOut->count(m_folderId) != 0) {
        m_leftOut = true;
        close(fd);
        return false;
    }
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return false;
    }

    std::vector<std::pair<std::string, unsigned char>> names;
    while (const dirent* d = readdir(dir))
        names.emplace_back(d->d_name, d->d_type);
    std::sort(names.begin(), names.end());

    m_entries.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            closedir(dir);
            m_entries.clear();
            return false;
        }
        m_entries[i].name = std::move(names[i].first);
        m_entries[i].hidden = m_entries[i].name.front() == '.' && !IsSelfOrParent(m_entries[i].name);
        Examine(fd, names[i].second, m_entries[i]);
    }
    closedir(dir);
    return true;
}

} // namespace platform
