// Resolving: sort the records by size, then within each run of equal size group the files whose path
// tails match (letter case aside) and whose bytes are identical. Each group is anchored on its
// earliest member in the sorted list and every member was compared with that anchor; byte equality
// is an equivalence, so this is the same as partitioning the run by tail and contents.
#include "engine/PathTail.h"
#include "engine/ScanEngine.h"
#include "platform/InputFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kCompareBlock = 1024;

std::string RunProgressText(std::int32_t first, std::int32_t total)
{
    const std::int64_t percent = static_cast<std::int64_t>(first) * 100 / total;
    return std::to_string(first) + " of " + std::to_string(total) + " files - " + std::to_string(percent) +
           "%";
}

} // namespace

void CScanEngine::ResolveDuplicates()
{
    std::lock_guard<std::mutex> hold(m_lock);
    NotifyResolveProgress(std::string());
    m_groupCount = 0;
    m_results.clear();

    // Stable, so that equal sizes keep the walk's order and results repeat from run to run.
    std::stable_sort(m_files.begin(), m_files.end(),
                     [](const FileItem& a, const FileItem& b) { return a.size < b.size; });

    const auto count = static_cast<std::int32_t>(m_files.size());
    std::int64_t previousSize = 0;
    std::int32_t runLength = 0;
    std::int32_t runStart = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        if (IsStopped())
            break;
        const std::int64_t size = m_files[static_cast<std::size_t>(i)].size;
        if (i == 0) {
            previousSize = size;
            continue;
        }
        if (size == previousSize && ++runLength == 1)
            runStart = i - 1;
        if (size != previousSize || i == count - 1) {
            if (runLength > 0)
                ResolveRun(runStart, runStart + runLength);
            runLength = 0;
        }
        previousSize = size;
    }
}

void CScanEngine::ResolveRun(std::int32_t first, std::int32_t last)
{
    NotifyResolveProgress(RunProgressText(first, static_cast<std::int32_t>(m_files.size())));

    for (std::int32_t i = first; i < last; ++i) {
        FileItem& anchor = m_files[static_cast<std::size_t>(i)];
        if (anchor.grouped)
            continue;
        int members = 0;
        for (std::int32_t k = i + 1; k <= last; ++k) {
            FileItem& candidate = m_files[static_cast<std::size_t>(k)];
            if (candidate.grouped || !TailsMatch(anchor.path, candidate.path) ||
                !FilesEqual(anchor, candidate))
                continue;
            if (members == 0) {
                anchor.grouped = true;
                m_results.push_back(anchor);
            }
            candidate.grouped = true;
            m_results.push_back(candidate);
            ++members;
        }
        if (members > 0) {
            ++m_groupCount;
            m_results.emplace_back(GROUP_SEPARATOR);
        }
    }
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
