// The arguments as the kernel keeps them: NUL-ended, one after the other.
#include "platform/CommandLine.h"

#include <fstream>
#include <iterator>

namespace platform {

bool SystemArguments(std::vector<std::string>& arguments)
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    if (!in)
        return false;
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    arguments.clear();
    std::size_t start = all.find('\0'); // after the program's own name
    if (start == std::string::npos)
        return false;
    for (++start; start < all.size();) {
        const std::size_t end = all.find('\0', start);
        arguments.push_back(all.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return true;
}

void WriteStandardOutputAsIs()
{
    // Line feeds stay line feeds here already.
}

} // namespace platform
