// What quorvel-scan writes for a finished scan, and Export Duplicates for the list as it stands: the
// groups as lines, as one JSON object or as CSV.
#pragma once

#include "engine/FileItem.h"
#include "views/DuplicateRows.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class EOutputFormat
{
    Text,
    Json,
    Csv,
};

// False for a name that is none of "text", "json" and "csv".
bool ParseOutputFormat(std::string_view name, EOutputFormat& format);

// The summary line and the numbers behind it.
struct ScanTotals
{
    std::string summary;
    std::int64_t filesScanned = 0;
    std::int64_t duplicatesFound = 0;
    std::int64_t groups = 0;
};

// Turns the result list, one record after another, into the bytes to write; it keeps the place in
// the list (the group number, whether a group has begun) between records.
class CScanOutput
{
public:
    // `end` ends each path and each group in the text format: a newline or NUL.
    CScanOutput(EOutputFormat format, char end) : m_format(format), m_end(end) {}

    std::string Head(const ScanTotals& totals) const;
    // Appends what one record, a file or the separator that ends its group, becomes.
    void Append(const FileItem& item, std::string& out);
    std::string Tail() const;
    // In the text format, a path held the line end, so the lines no longer tell the paths apart.
    bool IsAmbiguous() const { return m_ambiguous; }

private:
    void AppendJson(const FileItem& item, std::string& out);

    const EOutputFormat m_format;
    const char m_end;
    std::int64_t m_group = 1;
    bool m_inGroup = false;
    bool m_ambiguous = false;
};

// A JSON string of the path's bytes: valid UTF-8 as it is, and each byte that is not part of a
// valid sequence as the lone surrogate \udcXX, which decoders that escape surrogates turn back
// into the byte.
std::string JsonString(std::string_view bytes);
// A CSV field as RFC 4180 writes it: in quotes, quotes doubled, when it holds a comma, a quote, CR
// or LF; the bytes unchanged otherwise.
std::string CsvField(std::string_view bytes);

// The groups of the list's rows in `format`, exactly as quorvel-scan writes a scan's (text with line
// ends). Pasted rows belong to no group and a group left with one row holds no duplicate: both are
// left out. `filesScanned` is the last completed scan's (none: no scan has completed, and the summary
// is empty); the other counts and the summary that states them are the list's as it stands, which
// for a fresh scan's list are the scan's own.
std::string FormatListedGroups(const CDuplicateRows& rows, EOutputFormat format,
                               std::optional<std::int64_t> filesScanned);
