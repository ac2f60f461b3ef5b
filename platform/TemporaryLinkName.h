// The names a link is made under before it takes a path's place. Each says which process made it and
// for which name in its folder, so that a later run can tell a name that a killed run left behind from
// one that a live run is using, and find the file it was made for.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::string_view kTemporaryLinkPrefix = ".quorvel-link-";

// FNV-1a: the name it was made for, in a fixed number of characters however long that name is.
inline std::uint64_t NameHash(std::string_view name)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    return hash;
}

// ".quorvel-link-PROCESS-NUMBER-HASH", HASH in 16 hexadecimal digits.
inline std::string TemporaryLinkName(unsigned long process, unsigned number, std::string_view forName)
{
    char hash[17];
    const auto end = std::to_chars(hash, hash + 16, NameHash(forName), 16).ptr;
    return std::string(kTemporaryLinkPrefix) + std::to_string(process) + "-" + std::to_string(number) + "-" +
           std::string(16 - static_cast<std::size_t>(end - hash), '0') + std::string(hash, end);
}

struct TemporaryLinkOrigin
{
    unsigned long process = 0;
    std::uint64_t forHash = 0;
};

// Whether `name` is such a name, and what it says.
inline bool ParseTemporaryLinkName(std::string_view name, TemporaryLinkOrigin& origin)
{
    if (name.substr(0, kTemporaryLinkPrefix.size()) != kTemporaryLinkPrefix)
        return false;
    const char* at = name.data() + kTemporaryLinkPrefix.size();
    const char* const end = name.data() + name.size();
    unsigned number = 0;
    auto read = std::from_chars(at, end, origin.process);
    if (read.ec != std::errc() || read.ptr == end || *read.ptr != '-')
        return false;
    read = std::from_chars(read.ptr + 1, end, number);
    if (read.ec != std::errc() || read.ptr == end || *read.ptr != '-' || end - read.ptr != 17)
        return false;
    read = std::from_chars(read.ptr + 1, end, origin.forHash, 16);
    return read.ec == std::errc() && read.ptr == end;
}

} // namespace platform
