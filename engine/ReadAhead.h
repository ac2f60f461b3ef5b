// Reading from the disk at more than two reads at a time. The readers are two threads that each wait
// for one read; from memory that is all it takes, but a disk serves many reads at once far faster
// than two in turn. So once a batch of runs is seen to come from the disk, the candidates of the
// runs ahead are asked for before they are read, and the disk fetches them while the readers work.
#pragma once

#include "engine/FileRecords.h"

#include <atomic>
#include <chrono>
#include <vector>

class CReadAhead
{
public:
    // Batches that take longer than `fromDiskPerFile` a file are judged to wait for the disk;
    // `timeAlone` (for tests) judges them so without asking the system whether the disk was read.
    CReadAhead(const FileRecords& files, const std::vector<PositionRun>& runs, const std::atomic<bool>& stop,
               std::chrono::nanoseconds fromDiskPerFile = kFromDiskPerFile, bool timeAlone = false);

    // From memory a small file's candidates take a few microseconds each, both threads together.
    static constexpr std::chrono::microseconds kFromDiskPerFile{25};

    // Before the runs [first, end) are read.
    void Before(std::size_t first, std::size_t end);
    // After they were read; `judge` is false for runs of large files, whose reads are long anyway.
    void After(std::size_t first, std::size_t end, bool judge);
    // Whether a batch judged so far was slow and had its files read from the disk meanwhile. Never
    // where the system does not tell what was read from the disk, unless judged by time alone.
    bool WaitedForDisk() const { return m_waitedForDisk; }

private:
    const FileRecords& m_files;
    const std::vector<PositionRun>& m_runs;
    const std::atomic<bool>& m_stop;
    std::chrono::steady_clock::time_point m_started;
    const std::chrono::nanoseconds m_fromDiskPerFile;
    const bool m_timeAlone;
    std::int64_t m_readBefore = -1; // from the disk, before the batch
    bool m_fromDisk = false;
    bool m_waitedForDisk = false;
    std::size_t m_askedUpTo = 0; // the runs before this one were asked for
};
