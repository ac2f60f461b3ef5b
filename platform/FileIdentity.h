// What makes two paths one file: the same device and the same file number on it.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_set>

namespace platform {

struct FileId
{
    std::uint64_t device = 0;
    std::uint64_t index = 0;

    bool operator==(const FileId&) const = default;
};

// What the walk saw of a file. A file opened later by its path is trusted only while all of this is
// unchanged: a file replaced or rewritten during a scan must never stand in for the one listed.
struct FileStamp
{
    FileId id;
    std::int64_t size = 0;
    std::int64_t writeTime = 0; // last write in the system's finest unit; only compared for equality

    bool operator==(const FileStamp&) const = default;
};

struct FileIdHash
{
    std::size_t operator()(const FileId& id) const noexcept
    {
        return std::hash<std::uint64_t>()(id.index * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

using FileIdSet = std::unordered_set<FileId, FileIdHash>;

} // namespace platform
