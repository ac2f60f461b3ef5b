// The third stage: within a run of one size, the files whose path tails match (the last four bytes,
// ASCII letters in either case) are the candidates whose contents are worth reading.
#pragma once

#include "engine/FileRecords.h"

#include <vector>

// The classes of two or more files of `run` with matching tails, each in position order, ordered by
// their tails. A path of four bytes or fewer matches nothing.
std::vector<PositionClass> TailClasses(const FileRecords& files, PositionRun run);
