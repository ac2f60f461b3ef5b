#include "engine/ReadAhead.h"

#include "engine/Candidates.h"
#include "platform/InputFile.h"

#include <algorithm>

namespace {

constexpr std::size_t kAheadFiles = 4096;        // asked for beyond the runs about to be read
constexpr std::int64_t kAheadBytes = 128u << 10; // of each file: its head, or the whole of a small one
// Read from the disk a file, at least, when the files came from it: a file's first block is 4 KiB.
constexpr std::int64_t kDiskBytesPerFile = 2048;

std::size_t FilesIn(const PositionRun& run)
{
    return static_cast<std::size_t>(run.last - run.first + 1);
}

} // namespace

CReadAhead::CReadAhead(const FileRecords& files, const std::vector<PositionRun>& runs,
                       const std::atomic<bool>& stop, std::chrono::nanoseconds fromDiskPerFile,
                       bool timeAlone)
    : m_files(files), m_runs(runs), m_stop(stop), m_fromDiskPerFile(fromDiskPerFile), m_timeAlone(timeAlone)
{}

void CReadAhead::Before(std::size_t first, std::size_t end)
{
    // What is asked for ahead is read from the disk for this batch's sake as much as for the next.
    m_readBefore = platform::BytesReadFromStorage();
    if (m_fromDisk) {
        std::size_t ahead = 0;
        for (m_askedUpTo = std::max(m_askedUpTo, first);
             m_askedUpTo < m_runs.size() && (m_askedUpTo < end || ahead < kAheadFiles) && !m_stop.load();
             ++m_askedUpTo) {
            const PositionRun& run = m_runs[m_askedUpTo];
            if (m_askedUpTo >= end)
                ahead += FilesIn(run);
            // Only files that will be read: those whose tails match another's.
            for (const PositionClass& candidates : TailClasses(m_files, run))
                for (const std::int32_t position : candidates) {
                    const FileItem& file = m_files.items[static_cast<std::size_t>(position)];
                    platform::AskToReadSoon(file.path, std::min(file.size, kAheadBytes));
                }
        }
    }
    m_started = std::chrono::steady_clock::now();
}

void CReadAhead::After(std::size_t first, std::size_t end, bool judge)
{
    if (!judge)
        return;
    std::size_t files = 0;
    for (std::size_t i = first; i < end; ++i)
        files += FilesIn(m_runs[i]);
    m_fromDisk = std::chrono::steady_clock::now() - m_started > m_fromDiskPerFile * files;
    // A slow batch may have waited for the processor instead, on a busy machine, and any thread of
    // the process may have read a little from the disk meanwhile: the disk must have served about
    // what the batch's files take.
    const std::int64_t readAfter = m_readBefore < 0 ? -1 : platform::BytesReadFromStorage();
    const bool diskRead =
        m_timeAlone ||
        (readAfter >= 0 && readAfter - m_readBefore >= kDiskBytesPerFile * static_cast<std::int64_t>(files));
    m_waitedForDisk = m_waitedForDisk || (m_fromDisk && diskRead);
}
