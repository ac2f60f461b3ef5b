// The overlap rule compares path texts, as the list has always done: a folder equal to, inside or
// around a listed one is refused, while folders of one parent (same text up to the last separator)
// never are, whatever their names share.
#include "views/FolderList.h"

#include "platform/Path.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

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

} // namespace

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
                               const std::function<void()>& opened)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return EProjectResult::CannotOpen;
    if (opened)
        opened();
    std::string text;
    bool pending = false;
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        pending = true;
        if (c != '\n') {
            text += static_cast<char>(c);
            continue;
        }
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        line(text);
        text.clear();
        pending = false;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return EProjectResult::ReadError;
    if (pending)
        line(text);
    return EProjectResult::Done;
}
