// The path-tail rule of the duplicate test: the last four bytes, ASCII letters lower-cased.
#pragma once

#include <cstdint>
#include <string>

inline constexpr std::size_t kPathTailLength = 4;

inline char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Both paths must be longer than the tail itself: a path of four bytes or fewer never matches.
inline bool TailsMatch(const std::string& a, const std::string& b)
{
    if (a.size() <= kPathTailLength || b.size() <= kPathTailLength)
        return false;
    for (std::size_t i = 1; i <= kPathTailLength; ++i) {
        if (LowerAscii(a[a.size() - i]) != LowerAscii(b[b.size() - i]))
            return false;
    }
    return true;
}
