// What the file system says about one named file or folder, without opening it.
#pragma once

#include "platform/FileIdentity.h"

#include <cstdint>
#include <string>

namespace platform {

struct EntryFacts
{
    bool isFolder = false;
    bool isFile = false;       // a regular file: not a folder, pipe, socket or device
    std::int64_t size = 0;     // 0 for a folder
    std::int64_t modified = 0; // last write, seconds since 1970 UTC; 0 when its local year is before 1900
};

// False when nothing exists under that exact name; a link is followed.
bool LookUpEntry(const std::string& path, EntryFacts& facts);

// What the entry `path` names is, file or folder: with `followLink` false a link itself (the entry
// that a move takes), else what it leads to; links among the folders on the way are followed either
// way. False when nothing is there.
bool LookUpIdentity(const std::string& path, bool followLink, FileId& id);

// How many names (hard links) the file at `path` has; 0 when that cannot be told.
std::uint32_t NameCount(const std::string& path);

} // namespace platform
