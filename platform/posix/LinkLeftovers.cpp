// Removing what a killed replacement left. Its temporary name held either a second name of the kept
// copy (killed before the swap) or the old file (killed after it): in both cases a file of the same
// bytes as the one at the name it was made for, which the check here sees again before anything goes.
// A run is known by its process's number in this machine's boot and space of process numbers, and by
// when that process started (Linux: /proc).
#include "platform/posix/LinkLeftovers.h"

#include "platform/LeftoverNames.h"
#include "platform/posix/CompareFiles.h"
#include "platform/posix/FileLease.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace platform {

namespace {

// The first line of a small file of the system's; false with errno where it cannot be read.
bool FirstLine(const char* path, std::string& line)
{
    char text[512] = {};
    FILE* const file = std::fopen(path, "re");
    if (file == nullptr)
        return false;
    const bool read = std::fgets(text, sizeof text, file) != nullptr;
    std::fclose(file);
    line.assign(text, strcspn(text, "\n"));
    errno = read ? 0 : EIO;
    return read;
}

// When the process started, in clock ticks since the boot: the 22nd field of its stat, counted after its
// name, which may hold spaces and parentheses. False with errno where it cannot be read.
bool StartOf(const std::string& process, std::uint64_t& start)
{
    std::string stat;
    if (!FirstLine(("/proc/" + process + "/stat").c_str(), stat))
        return false;
    const std::size_t nameEnd = stat.rfind(')');
    const char* at = nameEnd == std::string::npos ? nullptr : stat.c_str() + nameEnd + 1;
    for (int field = 3; field < 22 && at != nullptr; ++field)
        at = std::strchr(at + 1, ' ');
    unsigned long long ticks = 0;
    if (at == nullptr || std::sscanf(at, " %llu", &ticks) != 1) {
        errno = EINVAL;
        return false;
    }
    start = ticks;
    return true;
}

// This boot and this space of process numbers (and of boot times, which the start is counted in).
std::uint64_t ThisPlace()
{
    std::string place;
    if (!FirstLine("/proc/sys/kernel/random/boot_id", place) || place.empty())
        return 0;
    for (const char* space : {"/proc/self/ns/pid", "/proc/self/ns/time"}) {
        struct stat st;
        place += ":" + (stat(space, &st) == 0 ? std::to_string(st.st_ino) : std::string());
    }
    return NameHash(place) | 1; // never 0, which marks the earlier form
}

bool MayBeRunningByNumber(unsigned long process)
{
    if (process == 0 || process > static_cast<unsigned long>(INT_MAX))
        return true;
    return kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
}

// A folder open as a descriptor.
class CPosixFolder : public CLeftoverFolder
{
public:
    explicit CPosixFolder(int folder) : m_folder(folder) {}

    bool State(FileId& id, std::int64_t& modified) override
    {
        struct stat st;
        if (fstat(m_folder, &st) != 0)
            return false;
        id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
        modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        return true;
    }

    bool List(std::vector<std::string>& names) override
    {
        const int listed = openat(m_folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* const dir = listed >= 0 ? fdopendir(listed) : nullptr;
        if (dir == nullptr) {
            if (listed >= 0)
                close(listed);
            return false;
        }
        while (const dirent* entry = readdir(dir))
            names.emplace_back(entry->d_name);
        closedir(dir);
        return true;
    }

    bool HeldElsewhere(const std::string& leftoverName, const std::string& forName) override
    {
        CDescriptor leftover, original;
        leftover.Reset(OpenEntry(leftoverName));
        original.Reset(OpenEntry(forName));
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
               fstatat(m_folder, leftoverName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
               named.st_dev == a.st_dev && named.st_ino == a.st_ino;
    }

    void Remove(const std::string& leftover) override { unlinkat(m_folder, leftover.c_str(), 0); }

private:
    int OpenEntry(const std::string& name) const
    {
        return openat(m_folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    }

    int m_folder;
};

} // namespace

RunOrigin ThisRun()
{
    // Asked again in a process forked since.
    static std::mutex mutex;
    static RunOrigin run;
    const std::lock_guard<std::mutex> hold(mutex);
    const auto process = static_cast<unsigned long>(getpid());
    if (run.process != process) {
        run = {process, 0, 0};
        if (StartOf("self", run.start))
            run.place = ThisPlace();
    }
    return run;
}

bool MayBeRunning(const RunOrigin& run)
{
    if (run.place == 0)
        return MayBeRunningByNumber(run.process);
    if (run.place != ThisRun().place || run.process == 0 || run.process > static_cast<unsigned long>(INT_MAX))
        return true;
    std::uint64_t start = 0;
    if (!StartOf(std::to_string(run.process), start))
        return errno != ENOENT; // gone, or cannot be looked at
    return start == run.start;
}

void RemoveLeftoverLinks(int folder)
{
    CPosixFolder open(folder);
    RemoveLeftovers(open);
}

void NoteFolderSeen(int folder)
{
    CPosixFolder open(folder);
    NoteLeftoverFolderSeen(open);
}

} // namespace platform
