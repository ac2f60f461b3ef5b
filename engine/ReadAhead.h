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
    CReadAhead(const FileRecords& files, const std::vector<PositionRun>& runs, const std::atomic<bool>& stop);

    // Before the runs [first, end) are read.
    void Before(std::size_t first, std::size_t end);
    // After they were read; `judge` is false for runs of large files, whose reads are long anyway.
    void After(std::size_t first, std::size_t end, bool judge);

private:
    const FileRecords& m_files;
    const std::vector<PositionRun>& m_runs;
    const std::atomic<bool>& m_stop;
    std::chrono::steady_clock::time_point m_started;
    bool m_fromDisk = false;
    std::size_t m_askedUpTo = 0; // the runs before this one were asked for
};
