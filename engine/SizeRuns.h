// The second stage: the walk's records sorted by size and cut into runs of equal size. Only a size
// met twice can hold copies, so every other record is left alone from here on.
#pragma once

#include "engine/FileRecords.h"

#include <vector>

// Sorts the records (and their marks with them) by size; equal sizes keep the walk's order.
void SortBySize(FileRecords& files);

// The runs of two or more records of one size, in order, once the records are sorted.
std::vector<PositionRun> SizeRuns(const FileRecords& files);

// Frees the paths of the records in no run: nothing reads them again, and on a large tree most files
// may have a size of their own.
void ForgetPathsOutsideRuns(FileRecords& files, const std::vector<PositionRun>& runs);
