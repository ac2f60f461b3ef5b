// What makes two paths one file: the same device and the same file number on it.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

struct FileId
{
    std::uint64_t device = 0;
    std::uint64_t index = 0;

    bool operator==(const FileId&) const = default;
};

struct FileIdHash
{
    std::size_t operator()(const FileId& id) const noexcept
    {
        return std::hash<std::uint64_t>()(id.index * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

} // namespace platform
