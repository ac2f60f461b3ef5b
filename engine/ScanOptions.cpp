#include "engine/ScanOptions.h"

#include "engine/NamePattern.h"
#include "platform/EntryFacts.h"
#include "platform/NameRules.h"
#include "platform/Path.h"

#include <limits>

namespace {

constexpr std::int64_t kMostBytes = std::numeric_limits<std::int64_t>::max();

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// The unit's bytes, letter case aside; 0 for a unit that is not known.
std::int64_t UnitBytes(std::string_view unit)
{
    std::string lower(unit);
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    static const struct
    {
        const char* name;
        std::int64_t bytes;
    } kUnits[] = {{"", 1},
                  {"b", 1},
                  {"kb", 1000},
                  {"mb", 1000 * 1000},
                  {"gb", 1000 * 1000 * 1000},
                  {"tb", 1000LL * 1000 * 1000 * 1000},
                  {"kib", 1LL << 10},
                  {"mib", 1LL << 20},
                  {"gib", 1LL << 30},
                  {"tib", 1LL << 40}};
    for (const auto& known : kUnits)
        if (lower == known.name)
            return known.bytes;
    return 0;
}

// Digits at the start of `text`, taken off it; false when there are none or too many to count.
bool TakeDigits(std::string_view& text, std::int64_t& value, std::size_t& count)
{
    value = 0;
    count = 0;
    while (count < text.size() && text[count] >= '0' && text[count] <= '9') {
        if (value > (kMostBytes - 9) / 10)
            return false;
        value = value * 10 + (text[count] - '0');
        ++count;
    }
    text.remove_prefix(count);
    return count > 0;
}

std::string NotASize(std::string_view text)
{
    return Quoted(text) +
           " is not a size: give a number, then a unit if you like (B, KB, MB, GB, KiB, MiB or GiB)";
}

// The keys of the entries: patterns and full paths as the system compares names; and the identities
// of what the paths name now.
void SortEntries(const std::vector<std::string>& entries, std::vector<std::string>& names,
                 std::vector<std::string>& paths, platform::FileIdSet& ids)
{
    for (const std::string& entry : entries) {
        if (!platform::IsAbsolutePath(entry)) {
            names.push_back(platform::NameKey(entry));
            continue;
        }
        platform::FileId id;
        if (platform::LookUpIdentity(entry, true, id))
            ids.insert(id);
        std::string full = platform::FullPath(entry);
        while (!full.empty() && platform::IsPathSeparator(full.back()) &&
               platform::IsAbsolutePath(std::string_view(full).substr(0, full.size() - 1)))
            full.pop_back(); // down to the root's own separator, which stays
        paths.push_back(platform::NameKey(full));
    }
}

std::string_view LastName(std::string_view path)
{
    while (!path.empty() && platform::IsPathSeparator(path.back()))
        path.remove_suffix(1);
    std::size_t start = path.size();
    while (start > 0 && !platform::IsPathSeparator(path[start - 1]))
        --start;
    return path.substr(start);
}

} // namespace

bool ScanOptions::LeavesOutAnything() const
{
    return !folders.empty() || !files.empty() || smallest.has_value() || largest.has_value() ||
           leaveOutHidden;
}

std::string ReadSize(std::string_view text, std::optional<std::int64_t>& bytes)
{
    const std::string_view typed = Trimmed(text);
    if (typed.empty()) {
        bytes.reset();
        return std::string();
    }
    std::string_view rest = typed;
    std::int64_t whole = 0, fraction = 0;
    std::size_t wholeDigits = 0, fractionDigits = 0;
    if (!TakeDigits(rest, whole, wholeDigits) && wholeDigits > 0)
        return Quoted(typed) + " is too large a size";
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        if (!TakeDigits(rest, fraction, fractionDigits) || fractionDigits > 9)
            return NotASize(typed);
    }
    if (wholeDigits + fractionDigits == 0)
        return NotASize(typed);
    const std::int64_t unit = UnitBytes(Trimmed(rest));
    if (unit == 0)
        return NotASize(typed);
    if (whole > kMostBytes / unit)
        return Quoted(typed) + " is too large a size";
    std::int64_t scale = 1;
    for (std::size_t i = 0; i < fractionDigits; ++i)
        scale *= 10;
    // The fraction's bytes, rounded: fraction / scale of a unit. With fraction < scale <= 10^9 and a
    // unit of at most 2^40, neither part overflows.
    const std::int64_t part = (unit / scale) * fraction + ((unit % scale) * fraction + scale / 2) / scale;
    if (whole * unit > kMostBytes - part)
        return Quoted(typed) + " is too large a size";
    bytes = whole * unit + part;
    return std::string();
}

std::string CheckEntry(std::string_view entry)
{
    if (platform::IsAbsolutePath(entry))
        return std::string();
    for (const char c : entry)
        if (platform::IsPathSeparator(c))
            return Quoted(entry) + " is neither a name nor an absolute path: a name holds no \"" +
                   std::string(1, c) + "\"";
    return std::string();
}

namespace {

bool ReadEntries(const std::string& text, std::vector<std::string>& entries, std::string& problem)
{
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = Trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty())
            continue;
        problem = CheckEntry(line);
        if (!problem.empty())
            return false;
        entries.emplace_back(line);
    }
    return true;
}

} // namespace

ScanOptionsProblem ReadScanOptions(const ScanOptionsText& text, ScanOptions& options)
{
    using EField = ScanOptionsProblem::EField;
    ScanOptions read;
    read.leaveOutHidden = text.leaveOutHidden;
    std::string problem;
    if (!ReadEntries(text.folders, read.folders, problem))
        return {EField::Folders, problem};
    if (!ReadEntries(text.files, read.files, problem))
        return {EField::Files, problem};
    if (problem = ReadSize(text.smallest, read.smallest); !problem.empty())
        return {EField::Smallest, problem};
    if (problem = ReadSize(text.largest, read.largest); !problem.empty())
        return {EField::Largest, problem};
    if (read.largest && *read.largest == 0)
        return {EField::Largest, "The largest size must be at least 1 byte: empty files are never compared"};
    if (read.smallest && read.largest && *read.smallest > *read.largest)
        return {EField::Smallest, "The smallest size (" + std::string(Trimmed(text.smallest)) +
                                      ") is above the largest (" + std::string(Trimmed(text.largest)) + ")"};
    options = std::move(read);
    return {};
}

CLeaveOut::CLeaveOut(const ScanOptions& options)
    : m_smallest(options.smallest.value_or(0)), m_largest(options.largest.value_or(kMostBytes)),
      m_hidden(options.leaveOutHidden)
{
    SortEntries(options.folders, m_folderNames, m_folderPaths, m_folderIds);
    std::vector<std::string> filePaths; // a file is known by its identity alone: the listing gives it
    SortEntries(options.files, m_fileNames, filePaths, m_fileIds);
}

bool CLeaveOut::NameMatches(const std::vector<std::string>& patterns, const std::string& name) const
{
    if (patterns.empty())
        return false;
    const std::string key = platform::NameKey(name);
    for (const std::string& pattern : patterns)
        if (MatchesName(pattern, key))
            return true;
    return false;
}

bool CLeaveOut::PathMatches(const std::string& path) const
{
    if (m_folderPaths.empty())
        return false;
    const std::string key = platform::NameKey(path);
    for (const std::string& leftOut : m_folderPaths)
        if (key == leftOut)
            return true;
    return false;
}

bool CLeaveOut::Root(const std::string& folder) const
{
    std::string full = platform::NameKey(platform::FullPath(folder));
    for (const std::string& leftOut : m_folderPaths) {
        // At or under a folder left out by its place.
        if (full.size() >= leftOut.size() && full.compare(0, leftOut.size(), leftOut) == 0 &&
            (full.size() == leftOut.size() || platform::IsPathSeparator(full[leftOut.size()]) ||
             platform::IsPathSeparator(leftOut.back())))
            return true;
    }
    if (m_hidden && platform::IsHiddenFolder(folder))
        return true;
    return NameMatches(m_folderNames, std::string(LastName(folder)));
}

bool CLeaveOut::Folder(const platform::FolderEntry& entry, const std::string& path) const
{
    // A folder named by path and met under that path is left out without a request to the system; met
    // by another way, its identity gives it away when it is opened (FolderIds).
    return (m_hidden && entry.hidden) || NameMatches(m_folderNames, entry.name) || PathMatches(path);
}

bool CLeaveOut::File(const platform::FolderEntry& entry) const
{
    return (m_hidden && entry.hidden) || entry.size < m_smallest || entry.size > m_largest ||
           NameMatches(m_fileNames, entry.name) || m_fileIds.count(entry.id) != 0;
}
