// Byte comparison of two open files through pread, so that neither file's offset matters.
#include "platform/posix/CompareFiles.h"

#include "platform/ReadFully.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>

namespace platform {

namespace {

constexpr std::size_t kCompareBlock = 1u << 20;

std::int64_t ReadAt(int fd, char* buffer, std::size_t count, std::int64_t offset)
{
    return ReadFully(
        buffer, count, [fd, offset](char* at, std::size_t want, std::size_t done) -> std::int64_t {
            for (;;) {
                const ssize_t n =
                    pread(fd, at, want, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
                if (n >= 0 || errno != EINTR)
                    return n;
            }
        });
}

} // namespace

ECompare CompareBytes(int first, int second, std::int64_t size,
                      const std::function<bool(std::int64_t done)>& goOn)
{
    // A small file is read in one call each, with no advice and no more buffer than it needs: most
    // duplicates are small, and there the calls, not the reading, are the cost.
    const auto block =
        static_cast<std::size_t>(std::min<std::int64_t>(kCompareBlock, std::max<std::int64_t>(size, 1)));
    if (size > static_cast<std::int64_t>(kCompareBlock)) {
        posix_fadvise(first, 0, 0, POSIX_FADV_SEQUENTIAL);
        posix_fadvise(second, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    const std::unique_ptr<char[]> buffers(new char[2 * block]);
    char* const a = buffers.get();
    char* const b = a + block;
    for (std::int64_t at = 0; at < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(block, size - at));
        const std::int64_t gotA = ReadAt(first, a, want, at);
        if (gotA < 0)
            return ECompare::Failed;
        const std::int64_t gotB = ReadAt(second, b, want, at);
        if (gotB < 0)
            return ECompare::Failed;
        if (gotA != static_cast<std::int64_t>(want) || gotB != static_cast<std::int64_t>(want))
            return ECompare::Shorter;
        if (std::memcmp(a, b, want) != 0)
            return ECompare::Different;
        at += static_cast<std::int64_t>(want);
        if (goOn && !goOn(at))
            return ECompare::Stopped;
    }
    return ECompare::Same;
}

} // namespace platform
