// One stat call per name.
#include "platform/EntryFacts.h"

#include "platform/FolderListing.h"

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

bool IdentityOf(const std::string& path, FileId& id)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    id = FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

std::uint32_t NameCount(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<std::uint32_t>(st.st_nlink) : 0;
}

} // namespace platform
