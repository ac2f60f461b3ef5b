#include "engine/SizeRuns.h"

#include <algorithm>
#include <utility>

void SortBySize(FileRecords& files)
{
    // Sorting keys and then moving each record once needs far less memory than a stable sort of the
    // records; the position breaks ties, so equal sizes keep the walk's order.
    std::vector<FileItem>& items = files.items;
    std::vector<platform::FileStamp>& stamps = files.stamps;
    std::vector<std::pair<std::int64_t, std::uint32_t>> keys(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        keys[i] = {items[i].size, static_cast<std::uint32_t>(i)};
    std::sort(keys.begin(), keys.end());
    std::vector<bool> placed(items.size(), false);
    for (std::size_t start = 0; start < keys.size(); ++start) {
        if (placed[start])
            continue;
        // Follow the cycle of the permutation that starts here: the record for `at` comes from keys[at].
        FileItem carried = std::move(items[start]);
        const platform::FileStamp carriedStamp = stamps[start];
        std::size_t at = start;
        while (keys[at].second != start) {
            items[at] = std::move(items[keys[at].second]);
            stamps[at] = stamps[keys[at].second];
            placed[at] = true;
            at = keys[at].second;
        }
        items[at] = std::move(carried);
        stamps[at] = carriedStamp;
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
