#include "engine/GroupOutput.h"

#include "platform/EntryFacts.h"

#include <algorithm>
#include <cassert>

void CGroupOutput::Append(std::vector<FileItem>& files, std::vector<PositionClass> classes)
{
    std::sort(classes.begin(), classes.end(),
              [](const PositionClass& a, const PositionClass& b) { return a.front() < b.front(); });
    for (const PositionClass& positions : classes) {
        for (const std::int32_t position : positions) {
            FileItem& file = files[static_cast<std::size_t>(position)];
            file.grouped = true;
            // Where the listing could not tell (Windows), the copy's own names are asked once it is one.
            if (file.names == 0)
                file.names =
                    static_cast<std::uint8_t>(std::min<std::uint32_t>(platform::NameCount(file.path), 2));
            m_results.push_back(position);
        }
        m_results.push_back(kSeparator);
        ++m_groupCount;
    }
}

void CGroupOutput::Clear()
{
    std::vector<std::int32_t>().swap(m_results);
    m_groupCount = 0;
}

FileItem CGroupOutput::Get(const std::vector<FileItem>& files, std::int32_t index) const
{
    assert(index >= 0 && index < Count());
    const std::int32_t position = m_results[static_cast<std::size_t>(index)];
    if (position == kSeparator)
        return FileItem(GROUP_SEPARATOR);
    return files[static_cast<std::size_t>(position)];
}

platform::FileStamp CGroupOutput::Stamp(const FileRecords& files, std::int32_t index) const
{
    assert(index >= 0 && index < Count());
    const std::int32_t position = m_results[static_cast<std::size_t>(index)];
    return position == kSeparator ? platform::FileStamp() : files.Stamp(static_cast<std::size_t>(position));
}

std::string ScanSummaryText(std::int64_t scanned, std::int64_t duplicates)
{
    return "Scan completed (" + std::to_string(static_cast<std::int32_t>(scanned)) + " files scanned, " +
           std::to_string(static_cast<std::int32_t>(duplicates)) + " duplicates found)";
}

std::string CGroupOutput::SummaryText(std::size_t scanned) const
{
    return ScanSummaryText(static_cast<std::int64_t>(scanned), Count() - m_groupCount);
}
