#include "platform/SaveFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
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

constexpr int kMostLinks = 40; // as many as the system itself follows in one path

// What a path that is not a regular file names, as the reason it is not written.
std::string NotAFileReason(mode_t mode)
{
    const char* what = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "something else";
    return std::string("it is ") + what + ", not a regular file";
}

// The file a save to `path` writes: a link is followed to its target (a link left dangling names the
// file to make), so that the link stays. `existing` tells whether that file is there, with its status.
bool TargetOf(const std::string& path, std::string& target, struct stat& status, bool& existing,
              std::string& reason)
{
    target = path;
    for (int links = 0; links <= kMostLinks; ++links) {
        if (lstat(target.c_str(), &status) != 0) {
            existing = false;
            if (errno == ENOENT)
                return true;
            reason = std::strerror(errno);
            return false;
        }
        existing = true;
        if (S_ISREG(status.st_mode))
            return true;
        if (!S_ISLNK(status.st_mode)) {
            reason = NotAFileReason(status.st_mode);
            return false;
        }
        std::string leadsTo(static_cast<std::size_t>(status.st_size) + 256, '\0');
        const ssize_t length = readlink(target.c_str(), leadsTo.data(), leadsTo.size());
        if (length < 0) {
            reason = std::strerror(errno);
            return false;
        }
        leadsTo.resize(static_cast<std::size_t>(length));
        target = !leadsTo.empty() && leadsTo.front() == '/'
                     ? leadsTo
                     : target.substr(0, target.rfind('/') + 1) + leadsTo;
    }
    reason = std::strerror(ELOOP);
    return false;
}

// The new file takes the owner, group and permission bits of the one it replaces, so that a private
// file stays private; the owner first, since a change of owner clears the set-user bit. 0, or the
// system's error.
int KeepOwnerAndMode(int fd, const struct stat& replaced)
{
    struct stat made;
    if (fstat(fd, &made) != 0)
        return errno;
    if ((made.st_uid != replaced.st_uid || made.st_gid != replaced.st_gid) &&
        fchown(fd, replaced.st_uid, replaced.st_gid) != 0)
        return errno;
    return fchmod(fd, replaced.st_mode & 07777) == 0 ? 0 : errno;
}

} // namespace

bool SaveFileWhole(const std::string& path, std::string_view bytes, std::string& reason)
{
    std::string target;
    struct stat replaced;
    bool existing = false;
    if (!TargetOf(path, target, replaced, existing, reason))
        return false;
    std::string temporary;
    const int fd = CreateBeside(target, temporary);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    const int keepError = existing ? KeepOwnerAndMode(fd, replaced) : 0;
    int error = keepError != 0 ? keepError : WriteAll(fd, bytes) && fsync(fd) == 0 ? 0 : errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error == 0)
        return true;
    unlink(temporary.c_str());
    reason = std::string(keepError != 0 ? "its owner and permissions could not be kept: " : "") +
             std::strerror(error);
    return false;
}

} // namespace platform
