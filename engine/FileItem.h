// One file found by a scan, and the record that ends each group of duplicates.
#pragma once

#include <cstdint>
#include <string>

// Path of the record that ends each group in the result list; readers tell it apart by the path alone.
inline constexpr const char* GROUP_SEPARATOR = "&&&&&";

// A plain value: lists hold records by value and every hand-over copies one.
struct FileItem
{
    std::string path;          // full path; GROUP_SEPARATOR in a separator record
    std::int64_t size = 0;     // bytes as listed; never 0 in a file record
    bool grouped = false;      // set once the file has joined a group
    std::uint8_t names = 0;    // the file's names (hard links), 2 for two or more; 0 while not known
    std::int64_t modified = 0; // last write, seconds since 1970 UTC; 0 when not convertible

    FileItem() = default;
    explicit FileItem(std::string itemPath) : path(std::move(itemPath)) {}

    bool IsSeparator() const { return path == GROUP_SEPARATOR; }
};
