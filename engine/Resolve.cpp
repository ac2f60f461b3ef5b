// Resolving: sort the records by size, then within each run of equal size group the files whose path
// tails match (letter case aside) and whose bytes are identical. A group is anchored on its earliest
// member in the sorted list and holds every later file equal to that anchor. Byte equality is an
// equivalence, so the groups are exactly the classes of two or more files of equal tail and equal
// contents, each in position order, ordered by their first members: the pairwise method computes
// them by comparing with anchors, the partition method by splitting classes on the bytes read.
#include "engine/ContentClasses.h"
#include "engine/HelperThread.h"
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

constexpr std::size_t kBatchFiles = 4096;    // files of small runs shared out at a time
constexpr std::size_t kCrowdedRun = 32;      // a run this long is read a round at a time
constexpr std::int64_t kLargeFile = 1 << 20; // and so is a run of files this large

struct Run
{
    std::int32_t first;
    std::int32_t last;
};

bool IsCrowded(const Run& run, const std::vector<FileItem>& files)
{
    return static_cast<std::size_t>(run.last - run.first + 1) >= kCrowdedRun ||
           files[static_cast<std::size_t>(run.first)].size >= kLargeFile;
}

std::uint32_t TailKey(const std::string& path)
{
    std::uint32_t key = 0;
    for (std::size_t i = path.size() - kPathTailLength; i < path.size(); ++i)
        key = key << 8 | static_cast<unsigned char>(LowerAscii(path[i]));
    return key;
}

} // namespace

void CScanEngine::SortFilesBySize()
{
    // Sorting keys and then moving each record once needs far less memory than a stable sort of the
    // records; the position breaks ties, so equal sizes keep the walk's order.
    std::vector<std::pair<std::int64_t, std::uint32_t>> keys(m_files.size());
    for (std::size_t i = 0; i < m_files.size(); ++i)
        keys[i] = {m_files[i].size, static_cast<std::uint32_t>(i)};
    std::sort(keys.begin(), keys.end());
    std::vector<bool> placed(m_files.size(), false);
    for (std::size_t start = 0; start < keys.size(); ++start) {
        if (placed[start])
            continue;
        // Follow the cycle of the permutation that starts here: the record for `at` comes from keys[at].
        FileItem carried = std::move(m_files[start]);
        const platform::FileStamp carriedStamp = m_stamps[start];
        std::size_t at = start;
        while (keys[at].second != start) {
            m_files[at] = std::move(m_files[keys[at].second]);
            m_stamps[at] = m_stamps[keys[at].second];
            placed[at] = true;
            at = keys[at].second;
        }
        m_files[at] = std::move(carried);
        m_stamps[at] = carriedStamp;
        placed[at] = true;
    }
}

void CScanEngine::ResolveDuplicates()
{
    std::lock_guard<std::mutex> hold(m_lock);
    NotifyResolveProgress(std::string());
    m_groupCount = 0;
    m_results.clear();
    SortFilesBySize();
    if (m_resolveMethod == EResolveMethod::Partition) {
        ResolveByPartition();
        return;
    }

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

void CScanEngine::ResolveByPartition()
{
    std::vector<Run> runs;
    for (std::size_t i = 0; i < m_files.size();) {
        std::size_t end = i + 1;
        while (end < m_files.size() && m_files[end].size == m_files[i].size)
            ++end;
        if (end - i > 1)
            runs.push_back({static_cast<std::int32_t>(i), static_cast<std::int32_t>(end - 1)});
        i = end;
    }

    // Crowded or large runs are read by both threads together, a round at a time; the many small
    // runs are shared out whole, a batch at a time, and their texts and groups then follow in order.
    CHelperThread helper;
    COpenFileBudget openFiles;
    CContentClasses shared(m_stop, &helper, 4u << 20, &openFiles);
    CContentClasses alone[2] = {CContentClasses(m_stop, nullptr, 4u << 20, &openFiles),
                                CContentClasses(m_stop, nullptr, 4u << 20, &openFiles)};
    for (CContentClasses* splitter : {&shared, &alone[0], &alone[1]})
        splitter->SetRoundHook(m_roundHook);
    m_sharedClasses = &shared;
    const auto total = static_cast<std::int32_t>(m_files.size());
    for (std::size_t i = 0; i < runs.size() && !IsStopped();) {
        if (IsCrowded(runs[i], m_files)) {
            ResolveRun(runs[i].first, runs[i].last);
            ++i;
            continue;
        }
        std::size_t end = i;
        for (std::size_t files = 0;
             end < runs.size() && files < kBatchFiles && !IsCrowded(runs[end], m_files); ++end)
            files += static_cast<std::size_t>(runs[end].last - runs[end].first + 1);
        std::vector<std::vector<PositionClass>> found(end - i);
        helper.ForEach(end - i, [&](std::size_t k, unsigned thread) {
            FindClasses(runs[i + k].first, runs[i + k].last, alone[thread], found[k]);
        });
        for (std::size_t k = 0; k < found.size() && !IsStopped(); ++k) {
            NotifyResolveProgress(RunProgressText(runs[i + k].first, total));
            AppendGroups(found[k]);
        }
        i = end;
    }
    m_sharedClasses = nullptr;
    std::vector<std::int32_t> unreadable;
    for (CContentClasses* splitter : {&shared, &alone[0], &alone[1]})
        unreadable.insert(unreadable.end(), splitter->Unreadable().begin(), splitter->Unreadable().end());
    std::sort(unreadable.begin(), unreadable.end());
    for (const std::int32_t position : unreadable)
        Warn(ScanWarning::EKind::UnreadableFile, m_files[static_cast<std::size_t>(position)].path);
}

void CScanEngine::ResolveRun(std::int32_t first, std::int32_t last)
{
    NotifyResolveProgress(RunProgressText(first, static_cast<std::int32_t>(m_files.size())));
    if (m_resolveMethod == EResolveMethod::Pairwise) {
        ResolveRunPairwise(first, last);
        return;
    }
    std::vector<PositionClass> classes;
    if (FindClasses(first, last, *m_sharedClasses, classes))
        AppendGroups(classes);
}

void CScanEngine::ResolveRunPairwise(std::int32_t first, std::int32_t last)
{
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

bool CScanEngine::FindClasses(std::int32_t first, std::int32_t last, CContentClasses& splitter,
                              std::vector<PositionClass>& classes) const
{
    std::vector<std::pair<std::uint32_t, std::int32_t>> byTail;
    for (std::int32_t k = first; k <= last; ++k) {
        const std::string& path = m_files[static_cast<std::size_t>(k)].path;
        if (path.size() > kPathTailLength)
            byTail.emplace_back(TailKey(path), k);
    }
    std::sort(byTail.begin(), byTail.end());

    std::vector<PositionClass> candidates;
    for (std::size_t i = 0; i < byTail.size();) {
        std::size_t end = i + 1;
        while (end < byTail.size() && byTail[end].first == byTail[i].first)
            ++end;
        if (end - i > 1) {
            PositionClass& members = candidates.emplace_back();
            for (std::size_t k = i; k < end; ++k)
                members.push_back(byTail[k].second);
        }
        i = end;
    }
    if (!splitter.Split(m_files, m_stamps, candidates, classes))
        return false; // stopped: nothing of this scan will be shown
    std::sort(classes.begin(), classes.end(),
              [](const PositionClass& a, const PositionClass& b) { return a.front() < b.front(); });
    return true;
}

void CScanEngine::AppendGroups(const std::vector<PositionClass>& classes)
{
    for (const PositionClass& positions : classes) {
        for (const std::int32_t position : positions) {
            FileItem& item = m_files[static_cast<std::size_t>(position)];
            item.grouped = true;
            m_results.push_back(item);
        }
        ++m_groupCount;
        m_results.emplace_back(GROUP_SEPARATOR);
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
