// The names a link is made under before it takes a path's place. Each says which run made it (its
// process's number, where that number counts, and when that process started) and for which name in its
// folder, so that a later run can tell a name that a killed run left behind from one that a live run is
// using, even once the number has gone to another process, and find the file it was made for.
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

// A running (or once running) process as a name records it.
struct RunOrigin
{
    unsigned long process = 0;
    std::uint64_t place = 0; // where its number counts: the machine's boot and its space of process
                             // numbers; 0 in names of the earlier form, which say only the number
    std::uint64_t start = 0; // when the process started, in the system's own units

    bool operator==(const RunOrigin&) const = default;
};

// This process; `place` is 0 where the system will not say when it started.
RunOrigin ThisRun();

// Whether the run may still be going: its process is there and started when the name says. A name of
// another place, where this process cannot look, and one of the earlier form whose number a process
// has now, are taken to be a live run's.
bool MayBeRunning(const RunOrigin& run);

namespace detail {

inline std::string Hex16(std::uint64_t value)
{
    char digits[17];
    const auto end = std::to_chars(digits, digits + 16, value, 16).ptr;
    return std::string(16 - static_cast<std::size_t>(end - digits), '0') + std::string(digits, end);
}

} // namespace detail

// ".quorvel-link-PROCESS-NUMBER-HASH-PLACE-START", HASH and PLACE in 16 hexadecimal digits; where the
// run's place is unknown, the earlier form ".quorvel-link-PROCESS-NUMBER-HASH".
inline std::string TemporaryLinkName(const RunOrigin& run, unsigned number, std::string_view forName)
{
    std::string name = std::string(kTemporaryLinkPrefix) + std::to_string(run.process) + "-" +
                       std::to_string(number) + "-" + detail::Hex16(NameHash(forName));
    if (run.place != 0)
        name += "-" + detail::Hex16(run.place) + "-" + std::to_string(run.start);
    return name;
}

struct TemporaryLinkOrigin
{
    RunOrigin run;
    std::uint64_t forHash = 0;
};

// Whether `name` is such a name, of either form, and what it says.
inline bool ParseTemporaryLinkName(std::string_view name, TemporaryLinkOrigin& origin)
{
    if (name.substr(0, kTemporaryLinkPrefix.size()) != kTemporaryLinkPrefix)
        return false;
    const char* at = name.data() + kTemporaryLinkPrefix.size();
    const char* const end = name.data() + name.size();
    unsigned number = 0;
    origin = {};
    auto read = std::from_chars(at, end, origin.run.process);
    if (read.ec != std::errc() || read.ptr == end || *read.ptr != '-')
        return false;
    read = std::from_chars(read.ptr + 1, end, number);
    if (read.ec != std::errc() || read.ptr == end || *read.ptr != '-' || end - read.ptr < 17)
        return false;
    const char* const hash = read.ptr + 1;
    read = std::from_chars(hash, hash + 16, origin.forHash, 16);
    if (read.ec != std::errc() || read.ptr != hash + 16)
        return false;
    if (read.ptr == end)
        return true; // the earlier form
    if (*read.ptr != '-' || end - read.ptr < 19)
        return false;
    const char* const place = read.ptr + 1;
    read = std::from_chars(place, place + 16, origin.run.place, 16);
    if (read.ec != std::errc() || read.ptr != place + 16 || *read.ptr != '-' || origin.run.place == 0)
        return false;
    read = std::from_chars(read.ptr + 1, end, origin.run.start);
    return read.ec == std::errc() && read.ptr == end;
}

} // namespace platform
