// A name "without an extension" has no dot after its last separator (a leading dot starts a hidden
// name, not an extension).
#include "app/ProjectPath.h"

#include "platform/Path.h"

std::string WithProjectExtension(const std::string& path)
{
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (platform::IsPathSeparator(path[i]))
            nameStart = i + 1;
    const std::size_t dot = path.rfind('.');
    if (path.size() > nameStart && (dot == std::string::npos || dot <= nameStart))
        return path + "." + kProjectExtension;
    return path;
}

std::string ProjectPathToOpen(const std::string& path, bool exists)
{
    return exists ? path : WithProjectExtension(path);
}
