// Paths of any length and recorded write times on POSIX: the system refuses a path of PATH_MAX bytes or more
// in one call, so such a path is opened a piece at a time, each piece relative to the folder opened before
// it.
#pragma once

#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace platform {

// open(2) for a path of any length; -1 with errno set on failure.
int OpenAnyLength(const std::string& path, int flags);

// fstatat(2) for a path of any length; `flags` as fstatat takes them. -1 with errno set on failure.
int StatAnyLength(const std::string& path, struct stat& st, int flags);

// The last write as FileStamp keeps it: nanoseconds since 1970.
inline std::int64_t WriteTimeOf(const struct stat& st)
{
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
           static_cast<std::int64_t>(st.st_mtim.tv_nsec);
}

// fstatat(2) that takes the status the look-up of `name` just brought where the file system keeps
// one, rather than asking for it again: on a file system that caches nothing (a share mounted so, a
// file system in user space) a plain stat is a second request right after the look-up's. A local
// file system always answers with the current status either way.
inline int StatusAsLookedUp(int folder, const char* name, struct stat& st, int flags)
{
    struct statx x;
    constexpr unsigned kNeeded = STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE | STATX_MTIME;
    if (statx(folder, name, flags | AT_STATX_DONT_SYNC, STATX_BASIC_STATS, &x) != 0 ||
        (x.stx_mask & kNeeded) != kNeeded)
        return fstatat(folder, name, &st, flags);
    st = {};
    st.st_mode = x.stx_mode;
    st.st_dev = makedev(x.stx_dev_major, x.stx_dev_minor);
    st.st_ino = static_cast<ino_t>(x.stx_ino);
    st.st_size = static_cast<off_t>(x.stx_size);
    st.st_mtim.tv_sec = static_cast<time_t>(x.stx_mtime.tv_sec);
    st.st_mtim.tv_nsec = static_cast<long>(x.stx_mtime.tv_nsec);
    return 0;
}

} // namespace platform
