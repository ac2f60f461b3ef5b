// Full paths and paths of any length on POSIX systems.
#include "platform/Path.h"

#include "platform/posix/LongPath.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::string CurrentFolder()
{
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return std::string(); // the current folder is gone: a relative path names nothing
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string FullPath(std::string_view path)
{
    std::string joined;
    if (path.empty() || path.front() != kPathSeparator) {
        joined = CurrentFolder();
        if (joined.empty())
            return joined;
        joined += kPathSeparator;
    }
    joined += path;

    std::vector<std::string_view> steps;
    std::deque<std::string> resolved; // owns the steps of prefixes the system resolved
    auto prefix = [&steps] {
        std::string text;
        for (const std::string_view step : steps) {
            text += kPathSeparator;
            text += step;
        }
        return text.empty() ? std::string(1, kPathSeparator) : text;
    };
    std::string_view rest = joined;
    while (!rest.empty()) {
        const std::size_t cut = rest.find(kPathSeparator);
        const std::string_view step = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        if (step.empty() || step == ".")
            continue;
        if (step != "..") {
            steps.push_back(step);
            continue;
        }
        if (steps.empty())
            continue;
        // After a link to a folder, ".." leads to the parent of the link's target, as the system
        // takes it; dropping the last step by text would name another folder than the one checked.
        const std::unique_ptr<char, decltype(&std::free)> real(realpath(prefix().c_str(), nullptr),
                                                               &std::free);
        if (real != nullptr) {
            const std::string_view text = resolved.emplace_back(real.get());
            steps.clear();
            for (std::size_t at = 1; at < text.size();) {
                const std::size_t end = std::min(text.find(kPathSeparator, at), text.size());
                steps.push_back(text.substr(at, end - at));
                at = end + 1;
            }
        }
        if (!steps.empty())
            steps.pop_back();
    }
    return prefix();
}

int OpenAnyLength(const std::string& path, int flags)
{
    if (path.size() < PATH_MAX)
        return open(path.c_str(), flags);
    int folder = AT_FDCWD;
    std::string_view rest = path;
    while (rest.size() >= PATH_MAX) {
        const std::size_t cut = rest.rfind(kPathSeparator, PATH_MAX - 1);
        if (cut == std::string_view::npos || cut == 0) {
            if (folder != AT_FDCWD)
                close(folder);
            errno = ENAMETOOLONG;
            return -1;
        }
        const std::string piece(rest.substr(0, cut));
        const int next = openat(folder, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        if (folder != AT_FDCWD)
            close(folder);
        if (next < 0) {
            errno = error;
            return -1;
        }
        folder = next;
        rest = rest.substr(cut + 1);
    }
    const int fd = openat(folder, std::string(rest).c_str(), flags);
    const int error = errno;
    if (folder != AT_FDCWD)
        close(folder);
    errno = error;
    return fd;
}

int StatAnyLength(const std::string& path, struct stat& st, int flags)
{
    if (path.size() < PATH_MAX)
        return fstatat(AT_FDCWD, path.c_str(), &st, flags);
    const std::size_t cut = path.rfind(kPathSeparator);
    const int folder = OpenAnyLength(path.substr(0, cut), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return -1;
    const int result = fstatat(folder, path.c_str() + cut + 1, &st, flags);
    const int error = errno;
    close(folder);
    errno = error;
    return result;
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
