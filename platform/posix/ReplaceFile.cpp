// Replacing a duplicate on Linux. Both files are opened once and checked against what the scan saw;
// their bytes are compared through those descriptors, and the link or the clone is then made from
// the very descriptor that was compared, so that no file put in either place meanwhile takes part.
#include "platform/ReplaceFile.h"

#include "platform/ReadFully.h"
#include "platform/posix/LongPath.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr std::size_t kCompareBlock = 1u << 20;
constexpr long kFatMagic = 0x4d44;       // vfat and msdos
constexpr long kExFatMagic = 0x2011BAB0; // exfat

class CDescriptor
{
public:
    CDescriptor() = default;
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    ~CDescriptor() { Reset(-1); }

    void Reset(int fd)
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = fd;
    }
    int Get() const { return m_fd; }

private:
    int m_fd = -1;
};

// One of the two files, open, with what the system said of it when it was last looked at.
struct CSide
{
    CDescriptor fd;
    struct stat st
    {};
};

ReplaceOutcome Refused(EReplaceRefusal why)
{
    ReplaceOutcome outcome;
    outcome.refusal = why;
    return outcome;
}

ReplaceOutcome SystemFailure(int error, const std::string& before = {})
{
    ReplaceOutcome outcome = Refused(EReplaceRefusal::System);
    outcome.systemText = before + std::strerror(error);
    return outcome;
}

bool Matches(const struct stat& st, const FileStamp& stamp)
{
    return S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_dev) == stamp.id.device &&
           static_cast<std::uint64_t>(st.st_ino) == stamp.id.index &&
           static_cast<std::int64_t>(st.st_size) == stamp.size && WriteTimeOf(st) == stamp.writeTime;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens `path` and checks that it is still the regular file `stamp` describes: None when it is,
// `changed` when something else is there now. A link in the last step is not followed, and a pipe
// put in the file's place neither blocks nor passes.
ReplaceOutcome Open(CSide& side, const std::string& path, const FileStamp& stamp, int access,
                    EReplaceRefusal changed)
{
    side.fd.Reset(OpenAnyLength(path, access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (side.fd.Get() < 0)
        return errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? Refused(changed)
                                                                     : SystemFailure(errno);
    if (fstat(side.fd.Get(), &side.st) != 0)
        return SystemFailure(errno);
    return Refused(Matches(side.st, stamp) ? EReplaceRefusal::None : changed);
}

// Looks at an open side again: written to, truncated, or left without a name since it was opened?
bool StillAsScanned(CSide& side, const FileStamp& stamp)
{
    return fstat(side.fd.Get(), &side.st) == 0 && side.st.st_nlink > 0 && Matches(side.st, stamp);
}

std::int64_t ReadAt(int fd, char* buffer, std::size_t count, std::int64_t offset)
{
    return ReadFully(
        buffer, count, [fd, offset](char* at, std::size_t want, std::size_t done) -> std::int64_t {
            for (;;) {
                const ssize_t n =
                    pread(fd, at, want, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
                if (n >= 0 || errno != EINTR)
                    return n;
            }
        });
}

enum class ECompare
{
    Same,
    Different,
    Shorter, // one of them ended early: it was truncated meanwhile
    Failed,  // errno says why
};

// Compares the first `size` bytes of two open files, a large block of each at a time, so that the
// cost stays near that of reading both once.
ECompare CompareBytes(int first, int second, std::int64_t size)
{
    // A small file is read in one call each, with no advice and no more buffer than it needs: most
    // duplicates are small, and there the calls, not the reading, are the cost.
    const auto block =
        static_cast<std::size_t>(std::min<std::int64_t>(kCompareBlock, std::max<std::int64_t>(size, 1)));
    if (size > static_cast<std::int64_t>(kCompareBlock)) {
        posix_fadvise(first, 0, 0, POSIX_FADV_SEQUENTIAL);
        posix_fadvise(second, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    const std::unique_ptr<char[]> buffers(new char[2 * block]);
    char* const a = buffers.get();
    char* const b = a + block;
    for (std::int64_t at = 0; at < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(block, size - at));
        const std::int64_t gotA = ReadAt(first, a, want, at);
        if (gotA < 0)
            return ECompare::Failed;
        const std::int64_t gotB = ReadAt(second, b, want, at);
        if (gotB < 0)
            return ECompare::Failed;
        if (gotA != static_cast<std::int64_t>(want) || gotB != static_cast<std::int64_t>(want))
            return ECompare::Shorter;
        if (std::memcmp(a, b, want) != 0)
            return ECompare::Different;
        at += static_cast<std::int64_t>(want);
    }
    return ECompare::Same;
}

// Opens, checks and compares both files: None when both are as scanned and equal byte for byte.
ReplaceOutcome OpenAndCompare(EReplaceWay way, CSide& kept, const std::string& keptPath,
                              const FileStamp& keptStamp, CSide& target, const std::string& path,
                              const FileStamp& pathStamp)
{
    ReplaceOutcome outcome = Open(kept, keptPath, keptStamp, O_RDONLY, EReplaceRefusal::KeptChanged);
    if (outcome.refusal != EReplaceRefusal::None)
        return outcome;
    // A clone is made into the file's own descriptor, so it is opened for writing from the start and
    // nothing can take its place between the comparison and the clone.
    outcome = Open(target, path, pathStamp, way == EReplaceWay::Clone ? O_RDWR : O_RDONLY,
                   EReplaceRefusal::Changed);
    if (outcome.refusal != EReplaceRefusal::None || SameFile(kept.st, target.st))
        return outcome;
    // A hard link cannot cross file systems; a clone is left to the system to refuse, since one file
    // system may show its parts as different devices and still share storage between them.
    if (way == EReplaceWay::HardLink && kept.st.st_dev != target.st.st_dev)
        return Refused(EReplaceRefusal::OtherVolume);
    if (kept.st.st_size != target.st.st_size)
        return Refused(EReplaceRefusal::DifferentBytes);
    const ECompare compared = CompareBytes(kept.fd.Get(), target.fd.Get(), target.st.st_size);
    if (compared == ECompare::Failed)
        return SystemFailure(errno);
    // Written to while being compared: the bytes compared may not be the bytes now.
    if (!StillAsScanned(kept, keptStamp))
        return Refused(EReplaceRefusal::KeptChanged);
    if (!StillAsScanned(target, pathStamp))
        return Refused(EReplaceRefusal::Changed);
    return Refused(compared == ECompare::Same ? EReplaceRefusal::None : EReplaceRefusal::DifferentBytes);
}

// The folder that holds `path`, opened, and the file's name in it.
bool OpenFolderOf(const std::string& path, CDescriptor& folder, std::string& folderPath, std::string& name)
{
    const std::size_t cut = path.rfind('/');
    folderPath = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
    name = cut == std::string::npos ? path : path.substr(cut + 1);
    folder.Reset(OpenAnyLength(folderPath, O_PATH | O_DIRECTORY | O_CLOEXEC));
    return folder.Get() >= 0;
}

// Makes `name` in `folder` a new name of the open kept copy. The descriptor is named through /proc,
// which needs no privilege; where /proc is missing, the link is made from the kept copy's path and
// then checked to be the file that was compared.
int LinkKept(const CSide& kept, const std::string& keptPath, int folder, const std::string& name)
{
    if (!testing::Hooks().linkByPath) {
        const std::string named = "/proc/self/fd/" + std::to_string(kept.fd.Get());
        if (linkat(AT_FDCWD, named.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno != ENOENT || access("/proc/self/fd", F_OK) == 0)
            return -1;
    }
    CDescriptor keptFolder;
    std::string keptFolderPath, keptName;
    if (!OpenFolderOf(keptPath, keptFolder, keptFolderPath, keptName) ||
        linkat(keptFolder.Get(), keptName.c_str(), folder, name.c_str(), 0) != 0)
        return -1;
    struct stat made;
    if (fstatat(folder, name.c_str(), &made, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(made, kept.st))
        return 0;
    unlinkat(folder, name.c_str(), 0);
    errno = ESTALE; // another file took the kept copy's path after it was compared
    return -1;
}

// Links the kept copy under a name of its own in `folder` that no other file has; the name used
// goes to `temporary`.
int LinkUnderTemporaryName(const CSide& kept, const std::string& keptPath, int folder, std::string& temporary)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = ".quorvel-link-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        if (LinkKept(kept, keptPath, folder, temporary) == 0)
            return 0;
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// A link refused with EPERM is a file system without hard links, unless the system's protection of
// other users' files could be the reason.
bool HasNoHardLinks(int error, int folder, const struct stat& kept)
{
    if (error == EOPNOTSUPP || error == ENOSYS)
        return true;
    if (error != EPERM)
        return false;
    struct statfs fs;
    if (fstatfs(folder, &fs) == 0 && (fs.f_type == kFatMagic || fs.f_type == kExFatMagic))
        return true;
    return geteuid() == 0 || geteuid() == kept.st_uid;
}

ReplaceOutcome LinkFailure(int error, CSide& kept, const FileStamp& keptStamp, int folder)
{
    if (error == ESTALE || (error == ENOENT && !StillAsScanned(kept, keptStamp)))
        return Refused(EReplaceRefusal::KeptChanged);
    if (error == ENOENT)
        return Refused(EReplaceRefusal::Changed); // the folder went
    if (error == EXDEV)
        return Refused(EReplaceRefusal::OtherVolume); // one file system mounted in two places
    if (HasNoHardLinks(error, folder, kept.st))
        return Refused(EReplaceRefusal::NoHardLinks);
    return SystemFailure(error);
}

// The kept copy must still hold the bytes compared, and the path must still name the file compared,
// unwritten since.
ReplaceOutcome ReadyToSwap(CSide& kept, const FileStamp& keptStamp, CSide& target, const FileStamp& pathStamp,
                           int folder, const std::string& name)
{
    if (!StillAsScanned(kept, keptStamp))
        return Refused(EReplaceRefusal::KeptChanged);
    struct stat now;
    if (fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(now, target.st) ||
        !StillAsScanned(target, pathStamp))
        return Refused(EReplaceRefusal::Changed);
    return Refused(EReplaceRefusal::None);
}

// A file system that cannot swap names: the link is renamed over the path. `keepTemporary` is set where
// the temporary name no longer needs removing.
ReplaceOutcome RenameOver(int folder, const std::string& temporary, const std::string& name,
                          const CSide& kept, bool& keepTemporary)
{
    if (renameat(folder, temporary.c_str(), folder, name.c_str()) != 0)
        return SystemFailure(errno);
    // Where another name of the kept copy took the path at the last moment, the rename did nothing and the
    // temporary name is still there.
    struct stat left;
    keepTemporary =
        fstatat(folder, temporary.c_str(), &left, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(left, kept.st);
    return Refused(EReplaceRefusal::None);
}

// The two names are swapped rather than the link renamed over the path, so that a file saved at the path
// since the last look is not thrown away: what the temporary name holds afterwards is looked at, and a
// file other than the one compared is swapped back. `keepTemporary` is set where the temporary name must
// not be removed: it was renamed away, or another file now has it.
ReplaceOutcome PutInPlace(int folder, const std::string& temporary, const std::string& name,
                          const CSide& kept, const CSide& target, bool& keepTemporary)
{
    if (renameat2(folder, temporary.c_str(), folder, name.c_str(), RENAME_EXCHANGE) != 0)
        return errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP
                   ? RenameOver(folder, temporary, name, kept, keepTemporary)
                   : SystemFailure(errno);
    struct stat swapped;
    if (fstatat(folder, temporary.c_str(), &swapped, AT_SYMLINK_NOFOLLOW) != 0 ||
        SameFile(swapped, target.st))
        return Refused(EReplaceRefusal::None);
    if (renameat2(folder, temporary.c_str(), folder, name.c_str(), RENAME_EXCHANGE) == 0)
        return Refused(EReplaceRefusal::Changed);
    keepTemporary = true;
    return SystemFailure(errno,
                         "Another file took its name meanwhile and now has the name " + temporary + ": ");
}

// The link is made under a temporary name and renamed over the path, so the path names either the
// old file or the kept copy at every moment, and a failure leaves no other name behind.
ReplaceOutcome ReplaceByLink(CSide& kept, const std::string& keptPath, const FileStamp& keptStamp,
                             CSide& target, const std::string& path, const FileStamp& pathStamp)
{
    CDescriptor folder;
    std::string folderPath, name, temporary;
    if (!OpenFolderOf(path, folder, folderPath, name))
        return errno == ENOENT ? Refused(EReplaceRefusal::Changed) : SystemFailure(errno);
    if (LinkUnderTemporaryName(kept, keptPath, folder.Get(), temporary) != 0)
        return LinkFailure(errno, kept, keptStamp, folder.Get());
    ReplaceOutcome outcome;
    bool keepTemporary = false;
    const auto& beforeRename = testing::Hooks().beforeRename;
    if (beforeRename && !beforeRename(folderPath + "/" + temporary))
        outcome = SystemFailure(EINTR, "Stopped before the rename: ");
    else
        outcome = ReadyToSwap(kept, keptStamp, target, pathStamp, folder.Get(), name);
    if (outcome.refusal == EReplaceRefusal::None)
        outcome = PutInPlace(folder.Get(), temporary, name, kept, target, keepTemporary);
    if (!keepTemporary)
        unlinkat(folder.Get(), temporary.c_str(), 0);
    // The old file's storage goes only where the path was its last name.
    if (outcome.refusal == EReplaceRefusal::None && fstat(target.fd.Get(), &target.st) == 0 &&
        target.st.st_nlink == 0)
        outcome.freed = static_cast<std::uint64_t>(target.st.st_size);
    return outcome;
}

// The bytes of the file's storage that it shares with no other file. An extent the file system flags
// as shared is also held by another file or a snapshot, so dropping this file's hold on it frees
// nothing; an unshared extent is this file's alone and goes when the clone replaces it. The count is
// of content bytes: a compressed extent frees less on the disk, and this cannot see how much less.
std::uint64_t UnsharedBytes(int fd, std::uint64_t size)
{
    constexpr unsigned kBatch = 128;
    std::vector<std::uint64_t> buffer(
        (sizeof(fiemap) + kBatch * sizeof(fiemap_extent)) / sizeof(std::uint64_t) + 1);
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    std::uint64_t bytes = 0;
    for (std::uint64_t from = 0; from < size;) {
        std::memset(map, 0, sizeof(fiemap));
        map->fm_start = from;
        map->fm_length = size - from;
        map->fm_flags = FIEMAP_FLAG_SYNC; // data not yet written has no extents to see
        map->fm_extent_count = kBatch;
        if (ioctl(fd, FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0)
            break; // nothing known is claimed
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent& extent = map->fm_extents[i];
            const std::uint64_t start = std::max<std::uint64_t>(extent.fe_logical, from);
            const std::uint64_t end = std::min<std::uint64_t>(extent.fe_logical + extent.fe_length, size);
            if ((extent.fe_flags & FIEMAP_EXTENT_SHARED) == 0 && end > start)
                bytes += end - start;
            if (extent.fe_flags & FIEMAP_EXTENT_LAST)
                return bytes;
        }
        const fiemap_extent& last = map->fm_extents[map->fm_mapped_extents - 1];
        from = std::max<std::uint64_t>(from + 1, last.fe_logical + last.fe_length);
    }
    return bytes;
}

// Shares the kept copy's storage into the path's own file: its number, permissions, owner and other
// names stay, and its last-write time is put back, so that it still matches what the scan saw.
ReplaceOutcome ReplaceByClone(CSide& kept, const FileStamp& keptStamp, CSide& target,
                              const FileStamp& pathStamp)
{
    // Only the owner may set a file's times; without that the clone would show as a write.
    if (geteuid() != 0 && geteuid() != target.st.st_uid)
        return SystemFailure(EPERM);
    const std::uint64_t unshared =
        UnsharedBytes(target.fd.Get(), static_cast<std::uint64_t>(target.st.st_size));
    // A write to either file since the comparison would be lost or spread to the other.
    if (!StillAsScanned(kept, keptStamp))
        return Refused(EReplaceRefusal::KeptChanged);
    if (!StillAsScanned(target, pathStamp))
        return Refused(EReplaceRefusal::Changed);
    if (ioctl(target.fd.Get(), FICLONE, kept.fd.Get()) != 0) {
        switch (errno) {
        case EOPNOTSUPP:
        case EINVAL:
        case ENOTTY:
        case ENOSYS:
            return Refused(EReplaceRefusal::NoClones);
        case EXDEV:
            return Refused(EReplaceRefusal::OtherVolume);
        default:
            return SystemFailure(errno);
        }
    }
    const struct timespec times[2] = {target.st.st_atim, target.st.st_mtim};
    if (futimens(target.fd.Get(), times) != 0)
        return SystemFailure(errno, "Cloned, but its last-write time could not be put back: ");
    // A write to the kept copy just before the clone would have spread to this file: it is not called
    // done, so that the row stays and the warning names it.
    if (!StillAsScanned(kept, keptStamp)) {
        ReplaceOutcome outcome = Refused(EReplaceRefusal::System);
        outcome.systemText = "cloned from a copy that was written to meanwhile";
        return outcome;
    }
    ReplaceOutcome outcome;
    outcome.freed = unshared;
    return outcome;
}

} // namespace

ReplaceOutcome ReplaceWithCopyOf(EReplaceWay way, const std::string& kept, const FileStamp& keptStamp,
                                 const std::string& path, const FileStamp& pathStamp)
{
    CSide keptSide, target;
    ReplaceOutcome outcome = OpenAndCompare(way, keptSide, kept, keptStamp, target, path, pathStamp);
    // Two names of one file already share everything: there is nothing to replace.
    if (outcome.refusal != EReplaceRefusal::None || SameFile(keptSide.st, target.st))
        return outcome;
    return way == EReplaceWay::HardLink ? ReplaceByLink(keptSide, kept, keptStamp, target, path, pathStamp)
                                        : ReplaceByClone(keptSide, keptStamp, target, pathStamp);
}

} // namespace platform
