// Joining and splitting the clipboard's lines.
#include "views/ClipboardText.h"

#include "views/SettingsText.h"

std::string JoinClipboardPaths(const std::vector<std::string_view>& paths)
{
    // Sized once: a million paths make a text of tens of megabytes.
    std::size_t size = 0;
    for (const std::string_view path : paths)
        size += path.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string_view& path : paths) {
        if (&path != &paths.front())
            text += "\r\n";
        if (IsValidUtf8(path))
            text += path;
        else
            text += ReplaceStrayBytes(path);
    }
    return text;
}

std::vector<std::string> SplitClipboardLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = text.substr(start, stop - start);
        // No path holds NUL: the system would take the part before it, which names another file.
        if (!line.empty() && line.find('\0') == std::string_view::npos)
            lines.emplace_back(line);
        start = stop + 1;
    }
    return lines;
}
