// What a replacement must know of an open file besides its bytes (Linux): the marks that forbid
// changing it, what a hard link would change about its path, what a clone would take away, and how
// much of its storage is its own.
#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace platform {

enum class EProtection
{
    None,
    Immutable,
    AppendOnly,
};

// The file's immutable or append-only mark; None where the file system keeps no such marks.
EProtection ProtectionOf(int fd);

// Whether a path that names one file would look the same naming the other: owner, group,
// permission bits (set-ID included) and extended attributes, access control lists among them.
bool SameOwnerAndPermissions(int fd, const struct stat& st, int otherFd, const struct stat& otherSt);

// What the system clears when a file is written to without the privilege to keep them, as a clone
// is: set-user-ID, set-group-ID (with group execute) and the file capability.
struct Privileges
{
    mode_t mode = 0;
    bool hasCapability = false;
    std::string capability; // the attribute's value, as the system stores it
};

// False with errno where the file's attributes could not be read.
bool ReadPrivileges(int fd, const struct stat& st, Privileges& privileges);
// Whether this process could give them back after a clone cleared them.
bool CanRestore(const Privileges& privileges, const struct stat& st);
// Puts back what a write cleared, and checks it is back; false with errno otherwise.
bool Restore(int fd, const Privileges& privileges);

// The bytes of the file's storage that are its own: not shared with another file or a snapshot, and
// not kept inside the file system's own records (small files inline), which frees no block, and not
// compressed (which frees an amount the system does not say).
// `known` is false where the file system does not say (no FIEMAP).
std::uint64_t OwnStorage(int fd, std::uint64_t size, bool& known);

} // namespace platform
