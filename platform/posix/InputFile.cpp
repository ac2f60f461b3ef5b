// Reading files on POSIX.
#include "platform/InputFile.h"

#include "platform/ReadFully.h"
#include "platform/posix/LongPath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

bool Matches(const struct stat& st, const FileStamp& stamp)
{
    return S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_dev) == stamp.id.device &&
           static_cast<std::uint64_t>(st.st_ino) == stamp.id.index &&
           static_cast<std::int64_t>(st.st_size) == stamp.size && WriteTimeOf(st) == stamp.writeTime;
}

constexpr int kSameFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;

} // namespace

CFolderHandle::~CFolderHandle()
{
    if (m_handle >= 0)
        close(static_cast<int>(m_handle));
}

bool CFolderHandle::Open(const std::string& path)
{
    // A descriptor that only names the folder: nothing is read from it, so nothing is asked of the
    // file system beyond finding it.
    m_handle = OpenAnyLength(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
    return m_handle >= 0;
}

bool CFolderHandle::OpenIn(const CFolderHandle& parent, const std::string& name)
{
    m_handle = openat(static_cast<int>(parent.m_handle), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return m_handle >= 0;
}

int CInputFile::Descriptor() const
{
    return static_cast<int>(m_handle);
}

bool CInputFile::OpenOnly(const std::string& path)
{
    Close();
    // O_NONBLOCK keeps a pipe put in a file's place from hanging the open; it means nothing for
    // regular files.
    const int fd = OpenAnyLength(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    m_handle = fd;
    return fd >= 0;
}

CInputFile::EOpen CInputFile::OpenSame(const std::string& path, const FileStamp& stamp)
{
    Close();
    return Opened(OpenAnyLength(path, kSameFlags), stamp);
}

CInputFile::EOpen CInputFile::OpenSameIn(const CFolderHandle& folder, const char* name,
                                         const FileStamp& stamp)
{
    Close();
    return Opened(openat(static_cast<int>(folder.m_handle), name, kSameFlags), stamp);
}

CInputFile::EOpen CInputFile::Opened(int fd, const FileStamp& stamp)
{
    if (fd < 0) {
        if (errno == EMFILE || errno == ENFILE)
            return EOpen::NoDescriptors;
        // Gone, or a link now in the file's place: the file that was listed is not there any more.
        return errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? EOpen::Changed : EOpen::Failed;
    }
    m_handle = fd;
    struct stat st;
    // The status the open brought with it: it describes the very file opened.
    if (StatusAsLookedUp(fd, "", st, AT_EMPTY_PATH) != 0) {
        Close();
        return EOpen::Failed;
    }
    if (!Matches(st, stamp)) {
        Close();
        return EOpen::Changed;
    }
    m_size = static_cast<std::int64_t>(st.st_size);
    return EOpen::Opened;
}

bool CInputFile::Unchanged(const FileStamp& stamp) const
{
    struct stat st;
    // A file deleted or renamed over since the open has no name left, whatever else it kept.
    return m_handle >= 0 && fstat(Descriptor(), &st) == 0 && st.st_nlink > 0 && Matches(st, stamp);
}

bool StillSame(const std::string& path, const FileStamp& stamp)
{
    struct stat st;
    return StatAnyLength(path, st, AT_SYMLINK_NOFOLLOW) == 0 && Matches(st, stamp);
}

void AskToReadSoon(const std::string& path, std::int64_t bytes)
{
    const int fd = OpenAnyLength(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        posix_fadvise(fd, 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
    close(fd);
}

EStorage StorageOf(const std::string& folder)
{
    struct statfs fs;
    if (statfs(folder.c_str(), &fs) == 0) {
        switch (static_cast<unsigned long>(fs.f_type)) {
        case NFS_SUPER_MAGIC:
        case SMB_SUPER_MAGIC:
        case 0xFF534D42ul: // CIFS
        case 0xFE534D42ul: // SMB2
        case 0x65735546ul: // FUSE
        case 0x00C36400ul: // Ceph
        case V9FS_MAGIC:
        case AFS_SUPER_MAGIC:
        case CODA_SUPER_MAGIC:
        case NCP_SUPER_MAGIC:
            return EStorage::Remote;
        default:
            break;
        }
    }
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        return EStorage::Unknown;
    // A partition has no queue of its own: its disk's is one folder up.
    const std::string device =
        "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    for (const char* disk : {"", "/.."}) {
        std::ifstream in(device + disk + "/queue/rotational");
        int rotational = 0;
        if (!(in >> rotational))
            continue;
        if (rotational == 0)
            return EStorage::Solid;
        // A virtual machine's paravirtual disk says it spins whatever stands behind it, mostly
        // solid-state storage that serves many reads at once: its flag tells nothing.
        char driver[PATH_MAX];
        const ssize_t length =
            readlink((device + disk + "/device/driver").c_str(), driver, sizeof driver - 1);
        const std::string name(driver, length > 0 ? static_cast<std::size_t>(length) : 0);
        const bool paravirtual = name.ends_with("/virtio_blk") || name.ends_with("/vbd");
        return paravirtual ? EStorage::Solid : EStorage::Spinning;
    }
    return EStorage::Unknown;
}

std::size_t OpenFileLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1u << 20;
    return static_cast<std::size_t>(limit.rlim_cur);
}

std::int64_t BytesReadFromStorage()
{
    struct rusage usage;
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
    return static_cast<std::int64_t>(usage.ru_inblock) * 512; // counted in 512-byte blocks
}

bool CInputFile::Examine()
{
    struct stat st;
    if (m_handle < 0 || fstat(Descriptor(), &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return false;
    }
    m_size = static_cast<std::int64_t>(st.st_size);
    return true;
}

void CInputFile::Close()
{
    if (m_handle >= 0)
        close(static_cast<int>(std::exchange(m_handle, -1)));
    m_size = -1;
}

std::int64_t CInputFile::Read(void* buffer, std::size_t count)
{
    return ReadFully(buffer, count, [this](char* at, std::size_t want, std::size_t) -> std::int64_t {
        for (;;) {
            const ssize_t n = read(Descriptor(), at, want);
            if (n >= 0 || errno != EINTR)
                return n;
        }
    });
}

std::int64_t CInputFile::ReadAt(void* buffer, std::size_t count, std::int64_t offset)
{
    return ReadFully(
        buffer, count, [this, offset](char* at, std::size_t want, std::size_t done) -> std::int64_t {
            for (;;) {
                const ssize_t n = pread(Descriptor(), at, want,
                                        static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
                if (n >= 0 || errno != EINTR)
                    return n;
            }
        });
}

} // namespace platform
