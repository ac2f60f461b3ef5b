#include "engine/Candidates.h"

#include "engine/PathTail.h"

#include <algorithm>
#include <utility>

namespace {

// Tails that match are exactly those of equal keys, so sorting by key gathers each class.
std::uint32_t TailKey(const std::string& path)
{
    std::uint32_t key = 0;
    for (std::size_t i = path.size() - kPathTailLength; i < path.size(); ++i)
        key = key << 8 | static_cast<unsigned char>(LowerAscii(path[i]));
    return key;
}

} // namespace

std::vector<PositionClass> TailClasses(const FileRecords& files, PositionRun run)
{
    std::vector<std::pair<std::uint32_t, std::int32_t>> byTail;
    for (std::int32_t k = run.first; k <= run.last; ++k) {
        const std::string& path = files.items[static_cast<std::size_t>(k)].path;
        if (path.size() > kPathTailLength)
            byTail.emplace_back(TailKey(path), k);
    }
    std::sort(byTail.begin(), byTail.end());

    std::vector<PositionClass> classes;
    ForEachRun(
        byTail.size(), [&](std::size_t a, std::size_t b) { return byTail[a].first == byTail[b].first; },
        [&](std::size_t first, std::size_t end) {
            if (end - first < 2)
                return;
            PositionClass& members = classes.emplace_back();
            for (std::size_t k = first; k < end; ++k)
                members.push_back(byTail[k].second);
        });
    return classes;
}
