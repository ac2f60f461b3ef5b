// Reading files on Windows, shared for reading and writing with other programs.
#include "platform/InputFile.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <utility>

namespace platform {

namespace {

HANDLE AsHandle(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

} // namespace

bool CInputFile::OpenOnly(const std::string& path)
{
    Close();
    const HANDLE handle =
        CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

bool CInputFile::Examine()
{
    LARGE_INTEGER size;
    if (m_handle == -1 || GetFileType(AsHandle(m_handle)) != FILE_TYPE_DISK ||
        !GetFileSizeEx(AsHandle(m_handle), &size)) {
        Close();
        return false;
    }
    m_size = size.QuadPart;
    return true;
}

void CInputFile::Close()
{
    if (m_handle != -1)
        CloseHandle(AsHandle(std::exchange(m_handle, -1)));
    m_size = -1;
}

std::int64_t CInputFile::Read(void* buffer, std::size_t count)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        if (!ReadFile(AsHandle(m_handle), out + done, want, &got, nullptr))
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t CInputFile::ReadAt(void* buffer, std::size_t count, std::int64_t offset)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        OVERLAPPED at{};
        const std::int64_t position = offset + static_cast<std::int64_t>(done);
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        if (!ReadFile(AsHandle(m_handle), out + done, want, &got, &at))
            return GetLastError() == ERROR_HANDLE_EOF ? static_cast<std::int64_t>(done) : -1;
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

} // namespace platform
