// What the stages of a scan hand on: the walk's records, runs and classes of positions in them, and
// the warnings that name what the scan could not do.
#pragma once

#include "engine/FileItem.h"
#include "platform/FileIdentity.h"

#include <cstdint>
#include <string>
#include <vector>

// What the walk saw of a file beyond its record's size.
struct FileMark
{
    platform::FileId id;
    std::int64_t writeTime = 0;
};

// One record per file walked and, in step with it, what the walk saw of the file: a file opened
// later is trusted only while it is still that file.
struct FileRecords
{
    std::vector<FileItem> items;
    std::vector<FileMark> marks;

    std::size_t size() const { return items.size(); }
    platform::FileStamp Stamp(std::size_t i) const
    {
        return {marks[i].id, items[i].size, marks[i].writeTime};
    }
    void Add(FileItem item, const platform::FileStamp& stamp)
    {
        items.push_back(std::move(item));
        marks.push_back({stamp.id, stamp.writeTime});
    }
};

// Positions in FileRecords, ascending: files that may still be, or are, copies of each other.
using PositionClass = std::vector<std::int32_t>;

// Positions first..last (both included) of records of one size, after the records are sorted.
struct PositionRun
{
    std::int32_t first;
    std::int32_t last;
};

// Something the scan could not do, which its owner may name; the scan itself goes on.
struct ScanWarning
{
    enum class EKind
    {
        UnreadableFile, // could not be opened or read, so it is in no group
        UnusableRoot,   // empty, or relative while the current folder cannot be found: not walked
    };
    EKind kind;
    std::string path;
};

// Calls run(first, end) for every stretch [first, end) of [0, count) whose neighbours are all
// same(i - 1, i): the one way a sorted list is cut into runs of equal keys.
template <typename Same, typename Run> void ForEachRun(std::size_t count, Same same, Run run)
{
    for (std::size_t first = 0; first < count;) {
        std::size_t end = first + 1;
        while (end < count && same(end - 1, end))
            ++end;
        run(first, end);
        first = end;
    }
}
