// The last stage: classes of copies become the result list that the owner reads, each class's
// records in position order and then a separator record, the classes in the order of their first
// members; and the summary of the scan.
#pragma once

#include "engine/FileRecords.h"

#include <cstdint>
#include <string>
#include <vector>

// "Scan completed (N files scanned, M duplicates found)": M counts every file in a group, the first of
// each group included. The counts are shown as the scan's 32-bit counts.
std::string ScanSummaryText(std::int64_t scanned, std::int64_t duplicates);

class CGroupOutput
{
public:
    // Marks the members of `classes` grouped and appends them, each class followed by a separator.
    void Append(std::vector<FileItem>& files, std::vector<PositionClass> classes);
    // Frees the list; a failed scan shows nothing.
    void Clear();

    std::int32_t Count() const { return static_cast<std::int32_t>(m_results.size()); }
    std::int32_t GroupCount() const { return m_groupCount; }
    FileItem Get(const std::vector<FileItem>& files, std::int32_t index) const;
    // What the walk saw of the entry's file; an empty stamp for a separator.
    platform::FileStamp Stamp(const FileRecords& files, std::int32_t index) const;
    std::string SummaryText(std::size_t scanned) const;

private:
    // Positions in the records rather than copies of them: a list of many copies costs four bytes a
    // row, not a second copy of every path.
    static constexpr std::int32_t kSeparator = -1;
    std::vector<std::int32_t> m_results;
    std::int32_t m_groupCount = 0;
};
