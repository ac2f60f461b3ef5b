// Shortening a path from its middle, by a binary search on how many characters stay.
#include "views/MessageText.h"

#include <algorithm>
#include <vector>

namespace {

// Byte offsets where the characters of the text start, and its size at the end.
std::vector<std::size_t> CharacterStarts(std::string_view text)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < text.size(); ++at)
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) // not a continuation byte
            starts.push_back(at);
    starts.push_back(text.size());
    return starts;
}

// The first kept / 2 and the last kept - kept / 2 characters around the ellipsis.
std::string KeepEnds(std::string_view text, const std::vector<std::size_t>& starts, std::size_t kept)
{
    const std::size_t characters = starts.size() - 1;
    const std::size_t head = kept / 2;
    const std::size_t tail = kept - head;
    return std::string(text.substr(0, starts[head])) + kEllipsis +
           std::string(text.substr(starts[characters - tail]));
}

} // namespace

std::string ShortenPath(std::string_view path, int budget, const TextWidth& width)
{
    if (width(path) <= budget)
        return std::string(path);
    const std::vector<std::size_t> starts = CharacterStarts(path);
    // The most characters that fit: a shortened text never gets narrower as it keeps more.
    std::size_t fits = 0;
    std::size_t tooMany = starts.size() - 1;
    while (tooMany - fits > 1) {
        const std::size_t kept = fits + (tooMany - fits) / 2;
        if (width(KeepEnds(path, starts, kept)) <= budget)
            fits = kept;
        else
            tooMany = kept;
    }
    return KeepEnds(path, starts, fits);
}

std::string ShortenPathBeforeReason(std::string_view path, std::string_view reason, int budget,
                                    const TextWidth& width)
{
    const int reasonWidth = width(": " + std::string(reason));
    return ShortenPath(path, std::max(budget - reasonWidth, budget / 2), width);
}

std::string NamedPathsText(const std::vector<std::string>& paths, const MessageFit& fit)
{
    std::string text;
    for (std::size_t i = 0; i < paths.size() && i < fit.namedPaths; ++i)
        text += (i > 0 ? "\n" : "") + ShortenPath(paths[i], fit.lineBudget, fit.width);
    if (paths.size() > fit.namedPaths)
        text += "\nand " + std::to_string(paths.size() - fit.namedPaths) + " more";
    return text;
}
