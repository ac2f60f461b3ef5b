// Paths are the file system's bytes (UTF-8 on Windows, converted at each system call); this header
// holds the one separator and the full-path rule.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';

inline bool IsPathSeparator(char c)
{
    return c == '\\' || c == '/';
}
#else
inline constexpr char kPathSeparator = '/';

inline bool IsPathSeparator(char c)
{
    return c == kPathSeparator;
}
#endif

// True when `path` names one entry whatever the current folder (and, on Windows, the current drive).
inline bool IsAbsolutePath(std::string_view path)
{
#ifdef _WIN32
    const bool drive = path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') &&
                       path[1] == ':' && IsPathSeparator(path[2]);
    return drive || (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]));
#else
    return !path.empty() && path.front() == kPathSeparator;
#endif
}

// `folder` and a name in it, with one separator between them.
inline std::string JoinPath(const std::string& folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path = folder;
    if (path.empty() || !IsPathSeparator(path.back()))
        path += kPathSeparator;
    path += name;
    return path;
}

// True for the entries "." and "..", which every listing holds and no walk enters.
inline bool IsSelfOrParent(std::string_view name)
{
    return name == "." || name == "..";
}

// The absolute form of `path`, made against the current folder, without "." steps or repeated
// separators. A ".." step undoes the step before it, except that on POSIX, after a link to a folder,
// it leads where the system takes it: to the parent of the link's target. No other link is resolved.
// No trailing separator except on the root itself. Empty when `path` is relative and the current
// folder cannot be found (it was removed).
std::string FullPath(std::string_view path);

// True when the path names a folder (a link to one counts).
bool IsFolder(const std::string& path);

// True when the path itself is a symbolic link, whatever it points to.
bool IsSymbolicLink(const std::string& path);

// The process's current folder; empty when it cannot be found.
std::string CurrentFolder();

// The local calendar time of a moment; false when it cannot be converted.
bool LocalTime(std::int64_t secondsSince1970, std::tm& local);

} // namespace platform
