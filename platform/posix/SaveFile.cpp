#include "platform/SaveFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace platform {

namespace {

// A name in the folder of `path` that no other file has, short whatever the length of the name it
// stands for: the new file is made only where none is.
int CreateBeside(const std::string& path, std::string& temporary)
{
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path.substr(0, path.rfind('/') + 1) + ".quorvel-" + std::to_string(pick() % 1000000000u);
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

bool SaveFileWhole(const std::string& path, std::string_view bytes, std::string& reason)
{
    std::string temporary;
    const int fd = CreateBeside(path, temporary);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    bool saved = WriteAll(fd, bytes) && fsync(fd) == 0;
    int error = saved ? 0 : errno;
    if (close(fd) != 0 && saved) {
        saved = false;
        error = errno;
    }
    if (saved && rename(temporary.c_str(), path.c_str()) != 0) {
        saved = false;
        error = errno;
    }
    if (!saved) {
        unlink(temporary.c_str());
        reason = std::strerror(error);
    }
    return saved;
}

} // namespace platform
