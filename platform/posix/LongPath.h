// Paths of any length and recorded write times on POSIX: the system refuses a path of PATH_MAX bytes or more
// in one call, so such a path is opened a piece at a time, each piece relative to the folder opened before
// it.
#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

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

} // namespace platform
