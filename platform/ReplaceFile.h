// Replacing a duplicate by a hard link to, or a clone of, the copy that is kept.
#pragma once
#include "platform/FileIdentity.h"

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

enum class EReplaceWay
{
    HardLink,
    Clone
};

// Why a file kept its own content. The views turn these into the warning's words.
enum class EReplaceRefusal
{
    None,           // replaced
    Changed,        // the file to replace is no longer the one scanned (identity, size, last write)
    KeptChanged,    // the kept copy is no longer the one scanned
    DifferentBytes, // the two files' bytes differ now (e.g. rewritten in place with its old size and time)
    OtherVolume,    // the kept copy lies on another volume
    NoHardLinks,    // the file system has no hard links (FAT, exFAT)
    NoClones,       // the file system cannot share storage between files
    System,         // any other failure; `systemText` holds the system's words
};

struct ReplaceOutcome
{
    EReplaceRefusal refusal = EReplaceRefusal::None;
    std::string systemText;  // the system's words where refusal is System (else may be empty)
    std::uint64_t freed = 0; // bytes whose storage went: 0 for a hard link where the replaced file
                             // had other names; for a clone, the bytes that were not already shared
};

// Replaces the file at `path` with a hard link to, or a clone of, the file at `kept`. Both must
// still carry the stamps the scan gave them, and their bytes are compared in full at that moment;
// only then: HardLink makes a link under a temporary name in `path`'s folder and renames it over
// `path` (a failure removes the temporary name; `path` is never missing); Clone shares the kept
// copy's storage into `path`'s own file (same file, permissions kept, last-write time restored).
// Where both already name one file, nothing is done: None, with nothing freed.
ReplaceOutcome ReplaceWithCopyOf(EReplaceWay way, const std::string& kept, const FileStamp& keptStamp,
                                 const std::string& path, const FileStamp& pathStamp);

// For tests only: places where a test can act as a crash would, or take a way the system takes
// only where something is missing.
namespace testing {

struct ReplaceHooks
{
    // Called with the temporary name once the link under it is made and before it is renamed over
    // the path; returning false stops the replacement there, as a failure of the rename would.
    std::function<bool(const std::string& temporary)> beforeRename;
    // Links from the kept copy's path instead of the descriptor that was compared, as where the
    // system cannot name an open descriptor.
    bool linkByPath = false;
};

// The hooks in force; reset them after use. Not for use from more than one thread.
ReplaceHooks& Hooks();

} // namespace testing

} // namespace platform
