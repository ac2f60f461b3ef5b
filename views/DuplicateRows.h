// The rows behind the duplicates list: one record per file, the group colours, and the texts of
// the five columns, made when a row is drawn. No window code.
#pragma once

#include "platform/FileIdentity.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CScanEngine;

// Colours are 0x00BBGGRR: red in the low byte.
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t GroupColors[3] = {0xFFFFC8, 0xFFC8FF, 0xC8FFFF};

struct RowRecord
{
    std::string_view fullPath; // kept in the rows' own text store
    std::uint32_t backColor = kWhite;
    bool folder = false;     // a pasted folder: its type is the desktop's folder type
    bool otherNames = false; // the file has other names (hard links), so removing this one frees nothing
    std::int64_t size = 0;
    std::int64_t modified = 0;
    std::int32_t group = -1; // the scan's group; -1 for a pasted row, which no scan vouches for
    platform::FileId id;     // with writeTime and size: the file the scan compared, for a row of a group
    std::int64_t writeTime = 0;

    bool Scanned() const { return group >= 0; }
    platform::FileStamp Stamp() const { return {id, size, writeTime}; }
};

enum class EColumn
{
    File,
    Location,
    Type,
    Size,
    Modified,
};

class CDuplicateRows
{
public:
    CDuplicateRows();
    ~CDuplicateRows();
    CDuplicateRows(const CDuplicateRows&) = delete;
    CDuplicateRows& operator=(const CDuplicateRows&) = delete;

    // A pasted row, in the current group colour: no scan vouches for its file.
    void AddPastedRow(const std::string& path, std::int64_t size, std::int64_t modified, bool folder = false);
    // A row of the scan's current group, with what the scan saw of its file.
    void AddScannedRow(const std::string& path, std::int64_t modified, const platform::FileStamp& stamp,
                       bool otherNames = false);
    // Ends the current group: adds no row and moves on to the next group and its colour.
    void AddGroupSeparator();
    // A pasted row for each path that names a file or a folder, in order. A relative path is made
    // absolute against the current folder first, so that every row's Location is a folder that Delete
    // All in Folder can name (a relative one would share the root's empty Location); it adds no row
    // when there is no current folder.
    void AddPastedPaths(const std::vector<std::string>& paths);
    // Every entry of a finished scan's result list, in order, each file with what the scan saw of it.
    // The caller holds the engine's lock.
    void AddScanResults(const CScanEngine& engine);
    void Reserve(std::size_t rows);

    // Removes every row; the records stay until FreeRowRecords.
    void DeleteAllRows();
    // Frees the records of every row ever added; the rows must be gone.
    void FreeRowRecords();
    // Removes the given rows (any order); their records stay until FreeRowRecords.
    void RemoveRows(std::vector<std::size_t> rows);

    std::size_t RowCount() const { return m_order.size(); }
    const RowRecord& Row(std::size_t row) const { return m_rows[m_order[row]]; }
    int ColorIndex() const { return m_colorIndex; }
    // Whether any row was pasted since the last FreeRowRecords: only then may two rows name one path.
    bool HasPastedRows() const { return m_hasPasted; }

    std::string CellText(std::size_t row, EColumn column) const;
    // The row's full path as the columns show it: Location, a separator, File.
    std::string TipText(std::size_t row) const;

    // Bytes held for rows and records, for the benchmark.
    std::size_t MemoryBytes() const;

private:
    std::string_view Store(const std::string& text);
    void Append(const std::string& path, RowRecord& record);
    const std::string& TypeName(const RowRecord& record) const;

    int m_colorIndex = 0;
    std::int32_t m_group = 0; // the number the next scanned row's group gets; separators move it on
    bool m_hasPasted = false;
    std::vector<RowRecord> m_rows;      // every record since the last FreeRowRecords
    std::vector<std::uint32_t> m_order; // the list's rows: indexes into m_rows
    std::vector<std::unique_ptr<char[]>> m_text;
    std::size_t m_textFree = 0;                                       // bytes left in the last text block
    mutable std::unordered_map<std::string, std::string> m_typeNames; // by file name
};

// Where the file name starts, as the shell finds it: after the last separator that is followed by
// something other than a separator; 0 without one; npos when the name would be empty.
std::size_t FileNameStart(std::string_view path);
std::string FileText(std::string_view path);
std::string LocationText(std::string_view path);
// The same without a copy: a part of `path`, or a constant.
std::string_view LocationView(std::string_view path);
// "%d %b %Y %H:%M:%S" in local time with English month names; empty when it cannot be converted.
std::string ModifiedText(std::int64_t secondsSince1970);
