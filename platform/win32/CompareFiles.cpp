// Byte comparison of two open files, read in turn in large blocks.
#include "platform/win32/CompareFiles.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace platform {

namespace {

constexpr DWORD kCompareBlock = 1u << 20;

// Reads until `count` bytes or the end; the count read, or -1.
std::int64_t ReadSome(HANDLE handle, char* buffer, DWORD count)
{
    DWORD done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(handle, buffer + done, count - done, &got, nullptr))
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace

ECompare CompareBytes(HANDLE first, HANDLE second, std::int64_t size,
                      const std::function<void(std::int64_t done)>& compared)
{
    const std::unique_ptr<char[]> buffers(new char[2 * kCompareBlock]);
    char* const a = buffers.get();
    char* const b = a + kCompareBlock;
    for (std::int64_t at = 0; at < size;) {
        const auto want = static_cast<DWORD>(std::min<std::int64_t>(kCompareBlock, size - at));
        const std::int64_t gotA = ReadSome(first, a, want);
        if (gotA < 0)
            return ECompare::Failed;
        const std::int64_t gotB = ReadSome(second, b, want);
        if (gotB < 0)
            return ECompare::Failed;
        if (gotA != want || gotB != want)
            return ECompare::Shorter;
        if (std::memcmp(a, b, want) != 0)
            return ECompare::Different;
        at += want;
        if (compared)
            compared(at);
    }
    return ECompare::Same;
}

} // namespace platform
