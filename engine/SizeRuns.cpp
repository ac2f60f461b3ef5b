#include "engine/SizeRuns.h"

#include <algorithm>
#include <utility>

void SortBySize(FileRecords& files)
{
    // Sorting positions and then moving each record once needs far less memory than a stable sort of
    // the records; the position breaks ties, so equal sizes keep the walk's order.
    std::vector<FileItem>& items = files.items;
    std::vector<FileMark>& marks = files.marks;
    std::vector<std::uint32_t> keys(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        keys[i] = static_cast<std::uint32_t>(i);
    std::sort(keys.begin(), keys.end(), [&items](std::uint32_t a, std::uint32_t b) {
        return items[a].size != items[b].size ? items[a].size < items[b].size : a < b;
    });
    std::vector<bool> placed(items.size(), false);
    for (std::size_t start = 0; start < keys.size(); ++start) {
        if (placed[start])
            continue;
        // Follow the cycle of the permutation that starts here: the record for `at` comes from keys[at].
        FileItem carried = std::move(items[start]);
        const FileMark carriedMark = marks[start];
        std::size_t at = start;
        while (keys[at] != start) {
            items[at] = std::move(items[keys[at]]);
            marks[at] = marks[keys[at]];
            placed[at] = true;
            at = keys[at];
        }
        items[at] = std::move(carried);
        marks[at] = carriedMark;
        placed[at] = true;
    }
}

std::vector<PositionRun> SizeRuns(const FileRecords& files)
{
    std::vector<PositionRun> runs;
    ForEachRun(
        files.size(),
        [&](std::size_t a, std::size_t b) { return files.items[a].size == files.items[b].size; },
        [&](std::size_t first, std::size_t end) {
            if (end - first > 1)
                runs.push_back({static_cast<std::int32_t>(first), static_cast<std::int32_t>(end - 1)});
        });
    return runs;
}

void ForgetPathsOutsideRuns(FileRecords& files, const std::vector<PositionRun>& runs)
{
    std::size_t next = 0; // the first record not yet looked at
    auto forgetUpTo = [&](std::size_t end) {
        for (; next < end; ++next)
            std::string().swap(files.items[next].path);
    };
    for (const PositionRun& run : runs) {
        forgetUpTo(static_cast<std::size_t>(run.first));
        next = static_cast<std::size_t>(run.last) + 1;
    }
    forgetUpTo(files.size());
}
