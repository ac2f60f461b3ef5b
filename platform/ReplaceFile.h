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
    None,             // replaced
    Changed,          // the file to replace is no longer the one scanned (identity, size, last write)
    KeptChanged,      // the kept copy is no longer the one scanned
    DifferentBytes,   // the two files' bytes differ now (e.g. rewritten in place with its old size and time)
    OtherVolume,      // the kept copy lies on another volume
    NoHardLinks,      // the file system has no hard links (FAT, exFAT)
    NoClones,         // the file system cannot share storage between files
    System,           // any other failure; `systemText` holds the system's words
    WrittenMeanwhile, // written to, or opened for writing, after its comparison began
    OpenForWriting,   // another program holds it open for writing: a write could come at any moment
    KeptOpenForWriting, // another program holds the kept copy open for writing
    InUse,              // another program holds it open, and a clone rewrites it in place
    Immutable,          // marked immutable: the system lets nobody replace it
    AppendOnly,         // marked append-only: likewise
    KeptImmutable,      // the kept copy is marked immutable: the system lets nobody link to it
    KeptAppendOnly,     // the kept copy is marked append-only: likewise
    ReadOnly,           // marked read-only (Windows): the system lets nobody replace it
    OwnerOrPermissions, // a link would give it the kept copy's owner, permissions or extended attributes
    Privileges,         // a clone would clear its set-ID bits or capability, which could not be put back
    FolderImmutable,    // its folder is marked immutable: no link can take its name
    FolderAppendOnly,   // its folder is marked append-only: likewise, and no name made there could go again
    OtherOwner,         // another user owns it: a clone could not put its last-write time back
};

struct ReplaceOutcome
{
    EReplaceRefusal refusal = EReplaceRefusal::None;
    std::string systemText;  // the system's words where refusal is System (else may be empty)
    std::uint64_t freed = 0; // bytes whose storage went, as the file system reports its extents: for a
                             // hard link, the old file's own storage where the path was its last name;
                             // for a clone, what moved from the file's own storage to shared storage
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

// The steps of a replacement, in their order, where a test can act (kill the process, write).
enum class EReplaceStep
{
    Held,         // both files open and held, before the comparison
    HalfCompared, // the comparison has passed the middle of the files
    Compared,     // equal and unchanged, before anything is changed
    Linked,       // the kept copy has its temporary name in the path's folder
    Exchanged,    // the path names the kept copy; the old file has a temporary name (Linux; Windows where
                  // it cannot replace an open file)
    Cloned,       // the storage is shared, before the file's metadata is put back
    Done,         // replaced, before the files are let go
};

struct ReplaceHooks
{
    std::function<void(EReplaceStep step)> atStep;
    // Takes no lease, as where the file system or the user allows none: the change times alone guard.
    bool noLeases = false;
    // Called with the temporary name once the link under it is made and before it is renamed over
    // the path; returning false stops the replacement there, as a failure of the rename would.
    std::function<bool(const std::string& temporary)> beforeRename;
    // Links from the kept copy's path instead of the descriptor that was compared, as where the
    // system cannot name an open descriptor.
    bool linkByPath = false;
    // Called once the path has been seen to name the file compared, unwritten, just before the names
    // move: where another program could still act.
    std::function<void()> beforeExchange;
    // Takes the way for systems that cannot swap two names (Linux: the link is renamed over the path) or
    // replace an open file (Windows: the old file is renamed aside).
    bool noExchange = false;
};

// The hooks in force; reset them after use. Not for use from more than one thread.
ReplaceHooks& Hooks();

// How many times the system has told this process that another wants a file it holds (0 where the
// system has no leases): a test waits for it to know that a writer is waiting on the lease.
unsigned LeaseBreaksSeen();

} // namespace testing

} // namespace platform
