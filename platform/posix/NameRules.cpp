// Names on POSIX: letter case counts, and a leading "." hides a name.
#include "platform/NameRules.h"

#include "platform/Path.h"

namespace platform {

std::string NameKey(std::string_view text)
{
    return std::string(text);
}

bool IsHiddenFolder(const std::string& path)
{
    std::string_view name = path;
    while (!name.empty() && IsPathSeparator(name.back()))
        name.remove_suffix(1);
    name.remove_prefix(name.find_last_of(kPathSeparator) + 1); // npos + 1 is 0
    return !name.empty() && name.front() == '.' && !IsSelfOrParent(name);
}

} // namespace platform
