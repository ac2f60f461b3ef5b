#include "views/ScanOutput.h"

#include "engine/GroupOutput.h"

#include <array>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

// The well-formed byte sequences of UTF-8: a lead byte in [first, last] takes `length` bytes, the
// second in [low, high] and the rest in [0x80, 0xBF]. The narrowed second bytes exclude the
// overlong forms, the encoded surrogates and values past U+10FFFF.
struct Utf8Lead
{
    unsigned char first, last;
    std::size_t length;
    unsigned char low, high;
};
constexpr std::array<Utf8Lead, 8> kUtf8Leads{{
    {0xC2, 0xDF, 2, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x80, 0x8F},
}};

// The length of the valid multi-byte sequence at `at`; 0 where there is none.
std::size_t Utf8Length(std::string_view bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
    };
    for (const Utf8Lead& lead : kUtf8Leads) {
        if (byte(at) < lead.first || byte(at) > lead.last)
            continue;
        if (byte(at + 1) < lead.low || byte(at + 1) > lead.high)
            return 0;
        for (std::size_t i = 2; i < lead.length; ++i)
            if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
                return 0;
        return lead.length;
    }
    return 0;
}

std::string UnicodeEscape(unsigned code)
{
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", code);
    return text;
}

} // namespace

bool ParseOutputFormat(std::string_view name, EOutputFormat& format)
{
    if (name == "text")
        format = EOutputFormat::Text;
    else if (name == "json")
        format = EOutputFormat::Json;
    else if (name == "csv")
        format = EOutputFormat::Csv;
    else
        return false;
    return true;
}

std::string CScanOutput::Head(const ScanTotals& totals) const
{
    if (m_format == EOutputFormat::Csv)
        return "group,size,path\r\n";
    if (m_format == EOutputFormat::Text)
        return {};
    return "{\"summary\":" + JsonString(totals.summary) +
           ",\"files_scanned\":" + std::to_string(totals.filesScanned) +
           ",\"duplicates_found\":" + std::to_string(totals.duplicatesFound) +
           ",\"group_count\":" + std::to_string(totals.groups) + ",\"groups\":[";
}

void CScanOutput::Append(const FileItem& item, std::string& out)
{
    switch (m_format) {
    case EOutputFormat::Text:
        if (!item.IsSeparator())
            out += item.path;
        out += m_end;
        m_ambiguous = m_ambiguous || item.path.find(m_end) != std::string::npos;
        break;
    case EOutputFormat::Json:
        AppendJson(item, out);
        break;
    case EOutputFormat::Csv:
        if (item.IsSeparator())
            ++m_group;
        else
            out += std::to_string(m_group) + ',' + std::to_string(item.size) + ',' + CsvField(item.path) +
                   "\r\n";
        break;
    }
}

// Each group on a line of its own, so that the object stays readable in a terminal.
void CScanOutput::AppendJson(const FileItem& item, std::string& out)
{
    if (item.IsSeparator()) {
        out += "]}";
        m_inGroup = false;
        ++m_group;
        return;
    }
    if (m_inGroup)
        out += ',';
    else
        out += (m_group > 1 ? ",\n{\"size\":" : "\n{\"size\":") + std::to_string(item.size) + ",\"paths\":[";
    m_inGroup = true;
    out += JsonString(item.path);
}

std::string CScanOutput::Tail() const
{
    return m_format == EOutputFormat::Json ? "\n]}\n" : "";
}

std::string JsonString(std::string_view bytes)
{
    std::string out = "\"";
    for (std::size_t at = 0; at < bytes.size();) {
        const unsigned char byte = static_cast<unsigned char>(bytes[at]);
        const std::size_t length = byte < 0x80 ? 1 : Utf8Length(bytes, at);
        if (length > 1)
            out.append(bytes.substr(at, length));
        else if (length == 0)
            out += UnicodeEscape(0xDC00 + byte);
        else if (byte == '"' || byte == '\\')
            out += {'\\', static_cast<char>(byte)};
        else if (byte < 0x20)
            out += UnicodeEscape(byte);
        else
            out += static_cast<char>(byte);
        at += length == 0 ? 1 : length;
    }
    return out + '"';
}

std::string CsvField(std::string_view bytes)
{
    if (bytes.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(bytes);
    std::string out = "\"";
    for (const char c : bytes) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

std::string FormatListedGroups(const CDuplicateRows& rows, EOutputFormat format,
                               std::optional<std::int64_t> filesScanned)
{
    // The groups that still hold two rows or more: a file whose copies went has no duplicate left.
    std::vector<std::pair<std::size_t, std::size_t>> groups; // [first, end) in the rows
    for (std::size_t first = 0; first < rows.RowCount();) {
        std::size_t end = first + 1;
        while (end < rows.RowCount() && rows.Row(end).group == rows.Row(first).group)
            ++end;
        if (rows.Row(first).group >= 0 && end - first > 1)
            groups.emplace_back(first, end);
        first = end;
    }
    ScanTotals totals;
    totals.filesScanned = filesScanned.value_or(0);
    totals.groups = static_cast<std::int64_t>(groups.size());
    for (const auto& [first, end] : groups)
        totals.duplicatesFound += static_cast<std::int64_t>(end - first); // as the scan counts them
    if (filesScanned)
        totals.summary = ScanSummaryText(totals.filesScanned, totals.duplicatesFound);

    CScanOutput output(format, '\n');
    std::string out = output.Head(totals);
    FileItem item;
    const FileItem separator(GROUP_SEPARATOR);
    for (const auto& [first, end] : groups) {
        for (std::size_t row = first; row < end; ++row) {
            item.path.assign(rows.Row(row).fullPath);
            item.size = rows.Row(row).size;
            output.Append(item, out);
        }
        output.Append(separator, out);
    }
    return out + output.Tail();
}
