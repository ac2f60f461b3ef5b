#include "tests/support/PairwiseClasses.h"

#include "platform/InputFile.h"

#include <cstring>

bool CPairwiseClasses::Split(const FileRecords& records, const std::vector<PositionClass>& candidates,
                             std::vector<PositionClass>& classes)
{
    const std::vector<FileItem>& files = records.items;
    // Each class is anchored on its earliest member and gathers every later member equal to it.
    for (const PositionClass& candidate : candidates) {
        std::vector<bool> taken(candidate.size(), false);
        for (std::size_t i = 0; i < candidate.size(); ++i) {
            if (taken[i])
                continue;
            const FileItem& anchor = files[static_cast<std::size_t>(candidate[i])];
            PositionClass found{candidate[i]};
            for (std::size_t k = i + 1; k < candidate.size(); ++k) {
                if (!taken[k] && FilesEqual(anchor, files[static_cast<std::size_t>(candidate[k])])) {
                    taken[k] = true;
                    found.push_back(candidate[k]);
                }
            }
            if (found.size() > 1)
                classes.push_back(std::move(found));
        }
    }
    return true;
}

bool FilesEqual(const FileItem& a, const FileItem& b)
{
    platform::CInputFile fa;
    platform::CInputFile fb;
    if (!fa.Open(a.path) || !fb.Open(b.path))
        return false;
    std::int64_t sizeA = 0;
    std::int64_t sizeB = 0;
    if (!fa.GetSize(sizeA) || !fb.GetSize(sizeB) || sizeA != sizeB)
        return false;
    if (sizeA == 0)
        return true;
    return CompareContents(fa, fb);
}

bool CompareContents(platform::CInputFile& fa, platform::CInputFile& fb)
{
    char blockA[kCompareBlock];
    char blockB[kCompareBlock];
    for (;;) {
        const std::int64_t readA = fa.Read(blockA, sizeof blockA);
        if (readA < 0)
            return false;
        const std::int64_t readB = fb.Read(blockB, sizeof blockB);
        // Different counts mean a file changed while it was read: such files are not copies of each
        // other, however their bytes so far compare.
        if (readB != readA)
            return false;
        if (readA == 0)
            return true;
        if (std::memcmp(blockA, blockB, static_cast<std::size_t>(readA)) != 0)
            return false;
    }
}
