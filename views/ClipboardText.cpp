// Joining and splitting the clipboard's lines.
#include "views/ClipboardText.h"

std::string JoinClipboardPaths(const std::vector<std::string>& paths)
{
    std::string text;
    for (const std::string& path : paths) {
        if (&path != &paths.front())
            text += "\r\n";
        text += path;
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
