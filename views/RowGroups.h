// Where a row of the duplicates list stands among the groups the list shows: what the group colours
// tell the eye, in words for a screen reader. No window code.
#pragma once

#include "views/DuplicateRows.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct GroupPosition
{
    std::size_t group = 0; // from 1; 0 for a pasted row, which belongs to no group
    std::size_t groups = 0;
    std::size_t copy = 0; // from 1, in list order
    std::size_t copies = 0;
};

// The list's groups, read in one pass over the rows and asked in time that grows with the log of
// their number; read again after the rows change.
class CRowGroups
{
public:
    void Read(const CDuplicateRows& rows);
    GroupPosition Find(std::size_t row) const;

private:
    struct Run
    {
        std::size_t first;
        std::size_t group; // from 1, or 0 for pasted rows
    };
    std::vector<Run> m_runs; // each run of neighbouring rows with one group number
    std::size_t m_rows = 0;
    std::size_t m_groups = 0;
};

// "group 12 of 1,700, copy 2 of 3", or "pasted, in no group".
std::string GroupPositionText(const GroupPosition& position);

// A count with its thousands separated by commas: "1,700".
std::string CountText(std::uint64_t count);
