// Open files compared byte for byte, for the replacements and for what a killed one left behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace platform {

class CHandle
{
public:
    CHandle() = default;
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    ~CHandle() { Reset(INVALID_HANDLE_VALUE); }

    void Reset(HANDLE handle)
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        m_handle = handle;
    }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

enum class ECompare
{
    Same,
    Different,
    Shorter,
    Failed, // GetLastError says why
};

// Compares two files from where each handle stands (their start, when freshly opened), a large block
// of each at a time. `compared`, where given, is told after each block how many bytes are done.
ECompare CompareBytes(HANDLE first, HANDLE second, std::int64_t size,
                      const std::function<void(std::int64_t done)>& compared = nullptr);

} // namespace platform
