// Paths in message boxes that fit the screen: a path too wide for a line keeps its start and its end
// with an ellipsis between. No window code: the width of a text is asked of the caller.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// How wide a UTF-8 text is where it will be shown: pixels in the box's font, or any other unit.
using TextWidth = std::function<int(std::string_view text)>;

inline constexpr const char* kEllipsis = "\xe2\x80\xa6"; // U+2026
inline constexpr std::size_t kMostNamedPaths = 20;       // a box names no more, then says how many more

// What a box on a given screen holds: how wide a line may be, how wide a text is, and how many paths
// it names before it counts the rest.
struct MessageFit
{
    int lineBudget = 0;
    TextWidth width;
    std::size_t namedPaths = kMostNamedPaths;
};

// The path whole when it is at most `budget` wide; otherwise as many of its first and last
// characters as fit around kEllipsis, the end taking the odd one, so that the folder it starts
// from and the file's name stay. Never cut inside a UTF-8 character. Costs about log2(length)
// measurements.
std::string ShortenPath(std::string_view path, int budget, const TextWidth& width);

// The path shortened so that "path: reason" fits the budget, the reason whole. A long reason still
// leaves the path half the budget; the box wraps the reason at its spaces.
std::string ShortenPathBeforeReason(std::string_view path, std::string_view reason, int budget,
                                    const TextWidth& width);

// The first paths the box names, one a line, each shortened to the line budget, then "and N more".
std::string NamedPathsText(const std::vector<std::string>& paths, const MessageFit& fit);
