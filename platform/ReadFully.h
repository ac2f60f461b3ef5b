// The one loop that fills a buffer from a file: the system may hand over fewer bytes than asked for
// without the file having ended.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Calls readSome(at, want, done) until `count` bytes are in or it returns 0 (the end of the file);
// readSome returns the bytes it read or -1 on failure. Returns the bytes read, or -1.
template <typename ReadSome> std::int64_t ReadFully(void* buffer, std::size_t count, ReadSome readSome)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t got = readSome(out + done, count - done, done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

} // namespace platform
