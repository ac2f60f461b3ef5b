// Records keep their paths in large shared blocks, and the Type, Size and Last Modified texts are
// only made when a row is drawn, so a million rows fill at once and cost little more than their paths.
#include "views/DuplicateRows.h"

#include "engine/FileItem.h"
#include "engine/ScanEngine.h"
#include "platform/EntryFacts.h"
#include "platform/FileTypes.h"
#include "platform/Path.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr std::size_t kTextBlock = 1u << 20;

bool IsSeparator(char c)
{
    return platform::IsPathSeparator(c);
}

} // namespace

std::size_t FileNameStart(std::string_view path)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < path.size(); ++i)
        if (IsSeparator(path[i]) && !IsSeparator(path[i + 1]))
            start = i + 1;
    return start >= path.size() ? std::string_view::npos : start;
}

std::string FileText(std::string_view path)
{
    const std::size_t start = FileNameStart(path);
    return std::string(start == std::string_view::npos ? path : path.substr(start));
}

std::string_view LocationView(std::string_view path)
{
    const std::size_t start = FileNameStart(path);
    if (start == std::string_view::npos || start == 0)
        return std::string_view();
    std::string_view location = path.substr(0, start);
    while (!location.empty() && IsSeparator(location.back()))
        location.remove_suffix(1);
    // A file in the root folder keeps "/" as its folder, so that it never shares the empty Location
    // of a relative name; a drive's root ("C:") already has a name of its own.
    if (location.empty() && platform::kPathSeparator == '/')
        return "/";
    return location;
}

std::string LocationText(std::string_view path)
{
    return std::string(LocationView(path));
}

std::string ModifiedText(std::int64_t secondsSince1970)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (!platform::LocalTime(secondsSince1970, local) || local.tm_mon < 0 || local.tm_mon > 11)
        return std::string();
    char text[128];
    // Written out rather than with strftime, whose month names follow the desktop's language.
    std::snprintf(text, sizeof text, "%02d %s %d %02d:%02d:%02d", local.tm_mday, kMonths[local.tm_mon],
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

CDuplicateRows::CDuplicateRows() = default;
CDuplicateRows::~CDuplicateRows() = default;

std::string_view CDuplicateRows::Store(const std::string& text)
{
    if (text.empty())
        return std::string_view(); // no block may exist yet to point into
    if (text.size() > m_textFree) {
        const std::size_t size = std::max(kTextBlock, text.size());
        m_text.push_back(std::make_unique<char[]>(size));
        m_textFree = size;
    }
    char* at = m_text.back().get() + (text.size() > kTextBlock ? 0 : kTextBlock - m_textFree);
    std::copy(text.begin(), text.end(), at);
    m_textFree -= text.size();
    return std::string_view(at, text.size());
}

void CDuplicateRows::AddGroupSeparator()
{
    if (++m_colorIndex == 3)
        m_colorIndex = 0;
    ++m_group;
}

void CDuplicateRows::AddPastedRow(const std::string& path, std::int64_t size, std::int64_t modified,
                                  bool folder)
{
    RowRecord record;
    record.size = size;
    record.modified = modified;
    record.folder = folder;
    m_hasPasted = true;
    Append(path, record);
}

void CDuplicateRows::AddScannedRow(const std::string& path, std::int64_t modified,
                                   const platform::FileStamp& stamp, bool otherNames)
{
    RowRecord record;
    record.otherNames = otherNames;
    record.size = stamp.size;
    record.modified = modified;
    record.group = m_group;
    record.id = stamp.id;
    record.writeTime = stamp.writeTime;
    Append(path, record);
}

void CDuplicateRows::AddPastedPaths(const std::vector<std::string>& paths)
{
    for (const std::string& line : paths) {
        const std::string path = platform::IsAbsolutePath(line) ? line : platform::FullPath(line);
        platform::EntryFacts facts;
        if (platform::IsAbsolutePath(path) && platform::LookUpEntry(path, facts))
            AddPastedRow(path, facts.size, facts.modified, facts.isFolder);
    }
}

void CDuplicateRows::AddScanResults(const CScanEngine& engine)
{
    const std::int32_t count = engine.GetResultCount();
    Reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const FileItem item = engine.GetResult(i);
        if (item.IsSeparator())
            AddGroupSeparator();
        else
            AddScannedRow(item.path, item.modified, engine.GetResultStamp(i), item.names > 1);
    }
}

void CDuplicateRows::Append(const std::string& path, RowRecord& record)
{
    record.fullPath = Store(path);
    record.backColor = GroupColors[m_colorIndex];
    m_order.push_back(static_cast<std::uint32_t>(m_rows.size()));
    m_rows.push_back(record);
}

void CDuplicateRows::Reserve(std::size_t rows)
{
    m_rows.reserve(m_rows.size() + rows);
    m_order.reserve(m_order.size() + rows);
}

void CDuplicateRows::DeleteAllRows()
{
    m_order.clear();
}

void CDuplicateRows::FreeRowRecords()
{
    m_order.clear();
    std::vector<std::uint32_t>().swap(m_order);
    std::vector<RowRecord>().swap(m_rows);
    m_text.clear();
    m_textFree = 0;
    m_hasPasted = false;
}

void CDuplicateRows::RemoveRows(std::vector<std::size_t> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::size_t next = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_order.size(); ++i) {
        if (next < rows.size() && rows[next] == i) {
            ++next;
            continue;
        }
        m_order[kept++] = m_order[i];
    }
    m_order.resize(kept);
}

const std::string& CDuplicateRows::TypeName(const RowRecord& record) const
{
    // The guess reads the whole name, not only its last extension ("a.tar.gz" is no "b.gz", and
    // names such as "Makefile" have types of their own), so the name is the key. A name cannot hold
    // a "/", so the folders' key never meets one made from a file name.
    const std::string key = record.folder ? "/" : FileText(record.fullPath);
    auto known = m_typeNames.find(key);
    if (known == m_typeNames.end()) {
        std::string name =
            record.folder ? platform::FolderTypeName() : platform::FileTypeName(std::string(record.fullPath));
        known = m_typeNames.emplace(key, std::move(name)).first;
    }
    return known->second;
}

std::string CDuplicateRows::CellText(std::size_t row, EColumn column) const
{
    const RowRecord& record = Row(row);
    switch (column) {
    case EColumn::File:
        return FileText(record.fullPath);
    case EColumn::Location:
        return LocationText(record.fullPath);
    case EColumn::Type:
        return TypeName(record);
    case EColumn::Size:
        return std::to_string(record.size);
    case EColumn::Modified:
        return ModifiedText(record.modified);
    }
    return std::string();
}

std::string CDuplicateRows::TipText(std::size_t row) const
{
    const RowRecord& record = Row(row);
    std::string location = LocationText(record.fullPath);
    if (location.empty() || !IsSeparator(location.back()))
        location += platform::kPathSeparator;
    return location + FileText(record.fullPath);
}

std::size_t CDuplicateRows::MemoryBytes() const
{
    return m_rows.capacity() * sizeof(RowRecord) + m_order.capacity() * sizeof(std::uint32_t) +
           m_text.size() * kTextBlock;
}
