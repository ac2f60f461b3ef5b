// Lexical full paths on POSIX systems.
#include "platform/Path.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::string CurrentFolder()
{
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return "/"; // the current folder is gone: a relative path then names nothing anyway
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string FullPath(std::string_view path)
{
    std::string joined;
    if (path.empty() || path.front() != kPathSeparator) {
        joined = CurrentFolder();
        joined += kPathSeparator;
    }
    joined += path;

    std::vector<std::string_view> steps;
    std::string_view rest = joined;
    while (!rest.empty()) {
        const std::size_t cut = rest.find(kPathSeparator);
        const std::string_view step = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        if (step.empty() || step == ".")
            continue;
        if (step == "..") {
            if (!steps.empty())
                steps.pop_back();
            continue;
        }
        steps.push_back(step);
    }

    std::string full;
    for (const std::string_view step : steps) {
        full += kPathSeparator;
        full += step;
    }
    return full.empty() ? std::string(1, kPathSeparator) : full;
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LocalTime(std::int64_t secondsSince1970, std::tm& local)
{
    const auto t = static_cast<std::time_t>(secondsSince1970);
    return localtime_r(&t, &local) != nullptr;
}

bool IsSymbolicLink(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace platform
