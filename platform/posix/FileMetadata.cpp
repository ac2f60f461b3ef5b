// The file's marks, attributes and storage, read through its open descriptor.
#include "platform/posix/FileMetadata.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/capability.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <map>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

constexpr const char* kCapabilityAttribute = "security.capability";

using Attributes = std::map<std::string, std::string>;

// One attribute's value; false with errno where it has none or cannot be read.
bool ReadAttribute(int fd, const char* name, std::string& value)
{
    for (int attempt = 0; attempt < 4; ++attempt) { // it may grow between the two calls
        const ssize_t size = fgetxattr(fd, name, nullptr, 0);
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = fgetxattr(fd, name, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
    return false;
}

// Every extended attribute this process may read; false where they could not be listed. A file system
// without them has none.
bool ReadAttributes(int fd, Attributes& attributes)
{
    std::string names;
    for (;;) {
        const ssize_t size = flistxattr(fd, nullptr, 0);
        if (size <= 0)
            return size == 0 || errno == ENOTSUP;
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE)
            return false;
    }
    for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
        const std::string name = names.c_str() + at;
        if (!ReadAttribute(fd, name.c_str(), attributes[name]))
            return false;
    }
    return true;
}

bool HasCapability(int capability)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    return syscall(SYS_capget, &header, data) == 0 &&
           (data[capability / 32].effective & (1u << (capability % 32))) != 0;
}

bool InGroup(gid_t group)
{
    if (getegid() == group)
        return true;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
    const int count = getgroups(static_cast<int>(groups.size()), groups.data());
    return std::find(groups.begin(), groups.begin() + std::max(count, 0), group) !=
           groups.begin() + std::max(count, 0);
}

} // namespace

EProtection ProtectionOf(int fd)
{
    int flags = 0; // the system reads and writes an int, whatever the request's declared type
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
        return EProtection::None;
    if (flags & FS_IMMUTABLE_FL)
        return EProtection::Immutable;
    return (flags & FS_APPEND_FL) != 0 ? EProtection::AppendOnly : EProtection::None;
}

bool SameOwnerAndPermissions(int fd, const struct stat& st, int otherFd, const struct stat& otherSt)
{
    if (st.st_uid != otherSt.st_uid || st.st_gid != otherSt.st_gid ||
        (st.st_mode & 07777) != (otherSt.st_mode & 07777))
        return false;
    Attributes attributes, others;
    return ReadAttributes(fd, attributes) && ReadAttributes(otherFd, others) && attributes == others;
}

bool ReadPrivileges(int fd, const struct stat& st, Privileges& privileges)
{
    privileges.mode = st.st_mode & 07777;
    privileges.hasCapability = ReadAttribute(fd, kCapabilityAttribute, privileges.capability);
    return privileges.hasCapability || errno == ENODATA || errno == ENOTSUP;
}

bool CanRestore(const Privileges& privileges, const struct stat& st)
{
    if (privileges.hasCapability && !HasCapability(CAP_SETFCAP))
        return false;
    // Without the privilege, a write clears both set-ID bits, and only a member of the file's group may
    // set its set-group-ID bit again; the owner may set the set-user-ID bit.
    return HasCapability(CAP_FSETID) || (privileges.mode & S_ISGID) == 0 || InGroup(st.st_gid);
}

bool Restore(int fd, const Privileges& privileges)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    if ((st.st_mode & 07777) != privileges.mode && fchmod(fd, privileges.mode) != 0)
        return false;
    std::string capability;
    const bool hasCapability = ReadAttribute(fd, kCapabilityAttribute, capability);
    if (privileges.hasCapability && (!hasCapability || capability != privileges.capability) &&
        fsetxattr(fd, kCapabilityAttribute, privileges.capability.data(), privileges.capability.size(), 0) !=
            0)
        return false;
    // The system may have ignored a bit without saying so.
    if (fstat(fd, &st) != 0)
        return false;
    const bool back = (st.st_mode & 07777) == privileges.mode &&
                      (!privileges.hasCapability || (ReadAttribute(fd, kCapabilityAttribute, capability) &&
                                                     capability == privileges.capability));
    if (!back)
        errno = EPERM;
    return back;
}

std::uint64_t OwnStorage(int fd, std::uint64_t size, bool& known)
{
    constexpr unsigned kBatch = 128;
    // A compressed extent frees less than its length, by an amount the system does not say: it is
    // counted as freeing nothing rather than more than it does.
    constexpr unsigned kNotOwn =
        FIEMAP_EXTENT_SHARED | FIEMAP_EXTENT_DATA_INLINE | FIEMAP_EXTENT_DATA_TAIL | FIEMAP_EXTENT_ENCODED;
    std::vector<std::uint64_t> buffer(
        (sizeof(fiemap) + kBatch * sizeof(fiemap_extent)) / sizeof(std::uint64_t) + 1);
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    std::uint64_t bytes = 0;
    known = true;
    for (std::uint64_t from = 0; from < size;) {
        std::memset(map, 0, sizeof(fiemap));
        map->fm_start = from;
        map->fm_length = size - from;
        map->fm_flags = FIEMAP_FLAG_SYNC; // data not yet written has no extents to see
        map->fm_extent_count = kBatch;
        if (ioctl(fd, FS_IOC_FIEMAP, map) != 0) {
            known = from != 0;
            return bytes;
        }
        if (map->fm_mapped_extents == 0)
            return bytes; // the rest is a hole
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent& extent = map->fm_extents[i];
            const std::uint64_t start = std::max<std::uint64_t>(extent.fe_logical, from);
            const std::uint64_t end = std::min<std::uint64_t>(extent.fe_logical + extent.fe_length, size);
            if ((extent.fe_flags & kNotOwn) == 0 && end > start)
                bytes += end - start;
            if (extent.fe_flags & FIEMAP_EXTENT_LAST)
                return bytes;
        }
        const fiemap_extent& last = map->fm_extents[map->fm_mapped_extents - 1];
        from = std::max<std::uint64_t>(from + 1, last.fe_logical + last.fe_length);
    }
    return bytes;
}

} // namespace platform
