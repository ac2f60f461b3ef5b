// One stat call per name.
#include "platform/EntryFacts.h"

#include "platform/FolderListing.h"
#include "platform/posix/LongPath.h"

#include <sys/stat.h>

namespace platform {

bool LookUpEntry(const std::string& path, EntryFacts& facts)
{
    struct stat status;
    if (path.empty() || stat(path.c_str(), &status) != 0)
        return false;
    facts.isFolder = S_ISDIR(status.st_mode);
    facts.isFile = S_ISREG(status.st_mode);
    facts.size = facts.isFolder ? 0 : static_cast<std::int64_t>(status.st_size);
    facts.modified = RecordedTime(static_cast<std::int64_t>(status.st_mtim.tv_sec));
    return true;
}

bool LookUpIdentity(const std::string& path, bool followLink, FileId& id)
{
    struct stat status;
    if (path.empty() || StatAnyLength(path, status, followLink ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    id = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
    return true;
}

std::uint32_t NameCount(const std::string& path)
{
    struct stat status;
    return StatAnyLength(path, status, 0) == 0 ? static_cast<std::uint32_t>(status.st_nlink) : 0;
}

} // namespace platform
