// Open files compared byte for byte, for the replacements and for what a killed one left behind.
#pragma once

#include <cstdint>
#include <functional>
#include <unistd.h>

namespace platform {

class CDescriptor
{
public:
    CDescriptor() = default;
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    ~CDescriptor() { Reset(-1); }

    void Reset(int fd)
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = fd;
    }
    int Get() const { return m_fd; }

private:
    int m_fd = -1;
};

enum class ECompare
{
    Same,
    Different,
    Shorter, // one of them ended early: it was truncated meanwhile
    Stopped, // `goOn` said to stop
    Failed,  // errno says why
};

// Compares the first `size` bytes of two open files, a large block of each at a time, so that the
// cost stays near that of reading both once. `goOn`, where given, is asked after each block with the
// bytes compared so far.
ECompare CompareBytes(int first, int second, std::int64_t size,
                      const std::function<bool(std::int64_t done)>& goOn = nullptr);

} // namespace platform
