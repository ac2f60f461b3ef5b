// The overlap rule compares path texts, as the list has always done: a folder equal to, inside or
// around a listed one is refused, while folders of one parent (same text up to the last separator)
// never are, whatever their names share.
#include "views/FolderList.h"

#include "platform/EntryFacts.h"
#include "platform/InputFile.h"
#include "platform/Path.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>
#include <string_view>

namespace {

void StripTrailingSeparators(std::string& path)
{
    while (!path.empty() && platform::IsPathSeparator(path.back()))
        path.pop_back();
}

std::ptrdiff_t LastSeparator(const std::string& path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (platform::IsPathSeparator(path[i - 1]))
            return static_cast<std::ptrdiff_t>(i - 1);
    return -1;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0 && text.size() >= prefix.size();
}

// The overlap rule for one new folder against many, each question in log n. With both texts stripped
// and neither empty, two different folders overlap when one is a prefix of the other and the longer
// has a separator at or after the shorter's length (otherwise they are siblings). So the new path
// overlaps an entry that is a prefix of its text before its last separator, and an entry whose text
// before its last separator starts with the new path.
class COverlapIndex
{
public:
    bool Overlaps(const std::string& stripped) const
    {
        if (m_hasRoot || (stripped.empty() && m_count > 0))
            return true;
        if (m_entries.count(stripped) != 0)
            return true;
        const std::ptrdiff_t separator = LastSeparator(stripped);
        if (separator >= 1 &&
            HasPrefixOf(std::string_view(stripped).substr(0, static_cast<std::size_t>(separator))))
            return true;
        const auto parent = m_parents.lower_bound(stripped);
        return parent != m_parents.end() && parent->compare(0, stripped.size(), stripped) == 0;
    }

    void Add(const std::string& stripped)
    {
        ++m_count;
        m_hasRoot = m_hasRoot || stripped.empty();
        m_entries.insert(stripped);
        const std::ptrdiff_t separator = LastSeparator(stripped);
        if (separator >= 1)
            m_parents.insert(stripped.substr(0, static_cast<std::size_t>(separator)));
    }

private:
    // Whether an entry is a prefix of `text`: the greatest entry not after it either is one, or no
    // entry longer than their common part can be.
    bool HasPrefixOf(std::string_view text) const
    {
        while (!text.empty()) {
            auto below = m_entries.upper_bound(text);
            if (below == m_entries.begin())
                return false;
            --below;
            const std::string& entry = *below;
            std::size_t common = 0;
            while (common < entry.size() && common < text.size() && entry[common] == text[common])
                ++common;
            if (common == entry.size())
                return !entry.empty();
            text = text.substr(0, common);
        }
        return false;
    }

    std::set<std::string, std::less<>> m_entries;
    std::multiset<std::string, std::less<>> m_parents;
    std::size_t m_count = 0;
    bool m_hasRoot = false;
};

} // namespace

std::vector<std::string> CFolderList::AppendAll(std::vector<std::string> paths)
{
    COverlapIndex index;
    for (std::string entry : m_entries) {
        StripTrailingSeparators(entry);
        index.Add(entry);
    }
    std::vector<std::string> refused;
    for (std::string& path : paths) {
        // As with Append, the first folder of an empty list is kept as given.
        if (!m_entries.empty())
            StripTrailingSeparators(path);
        std::string stripped = path;
        StripTrailingSeparators(stripped);
        if (index.Overlaps(stripped)) {
            refused.push_back(std::move(path));
            continue;
        }
        index.Add(stripped);
        m_entries.push_back(std::move(path));
    }
    return refused;
}

bool CFolderList::FoldersOverlap(std::string entry, std::string& newPath)
{
    StripTrailingSeparators(entry);
    StripTrailingSeparators(newPath);
    if (entry == newPath)
        return true;
    const std::ptrdiff_t p = LastSeparator(entry);
    const std::ptrdiff_t q = LastSeparator(newPath);
    if (p == q && !entry.empty() && !newPath.empty() &&
        entry.compare(0, static_cast<std::size_t>(p + 1), newPath, 0, static_cast<std::size_t>(q + 1)) == 0)
        return false; // siblings
    return StartsWith(entry, newPath) || StartsWith(newPath, entry);
}

bool CFolderList::OverlapsExisting(std::string& newPath) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (FoldersOverlap(m_entries[i], newPath))
            return true;
    return false;
}

bool CFolderList::Append(std::string& path)
{
    if (OverlapsExisting(path))
        return false;
    m_entries.push_back(path);
    return true;
}

void CFolderList::Remove(std::vector<std::size_t> indexes)
{
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (auto index = indexes.rbegin(); index != indexes.rend(); ++index)
        if (*index < m_entries.size())
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(*index));
}

EProjectResult WriteProjectFile(const std::string& path, const std::vector<std::string>& folders)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return EProjectResult::CannotOpen;
    bool written = true;
    for (const std::string& folder : folders) {
        if (std::fwrite(folder.data(), 1, folder.size(), file) != folder.size() ||
            std::fwrite("\r\n", 1, 2, file) != 2) {
            written = false;
            break;
        }
    }
    // Buffered data reaches the disk only here: a full disk shows on closing too.
    if (std::fclose(file) != 0)
        written = false;
    return written ? EProjectResult::Done : EProjectResult::WriteError;
}

EProjectResult ReadProjectFile(const std::string& path, const std::function<void(std::string&)>& line,
                               const std::function<void()>& opened, std::string* reason)
{
    std::string unused;
    std::string& why = reason != nullptr ? *reason : unused;
    // Only a regular file is read: a pipe or a device would wait for a writer, or never end.
    platform::CInputFile file;
    if (!file.Open(path)) {
        why = platform::LastErrorText();
        platform::EntryFacts facts;
        if (!platform::LookUpEntry(path, facts))
            return EProjectResult::CannotOpen;
        if (facts.isFolder)
            why = "It is a folder, not a file";
        else if (!facts.isFile)
            why = "It is not a regular file";
        return EProjectResult::ReadError;
    }
    std::int64_t size = 0;
    if (!file.GetSize(size) || size > kLargestProjectFile)
        return EProjectResult::TooLarge;
    if (opened)
        opened();
    std::string text;
    bool pending = false;
    std::vector<char> block(64 * 1024);
    std::int64_t count;
    while ((count = file.Read(block.data(), block.size())) > 0) {
        for (const char c : std::string_view(block.data(), static_cast<std::size_t>(count))) {
            pending = true;
            if (c != '\n') {
                text += c;
                continue;
            }
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            line(text);
            text.clear();
            pending = false;
        }
    }
    if (count < 0) {
        why = platform::LastErrorText();
        return EProjectResult::ReadError;
    }
    if (pending)
        line(text);
    return EProjectResult::Done;
}
