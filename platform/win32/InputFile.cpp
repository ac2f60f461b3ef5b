// Reading files on Windows, shared for reading and writing with other programs.
#include "platform/InputFile.h"

#include "platform/Path.h"
#include "platform/ReadFully.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <utility>

namespace platform {

namespace {

HANDLE AsHandle(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

std::uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool Matches(HANDLE handle, const FileStamp& stamp)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return false;
    const FileId id{info.dwVolumeSerialNumber, Join(info.nFileIndexHigh, info.nFileIndexLow)};
    const auto size = static_cast<std::int64_t>(Join(info.nFileSizeHigh, info.nFileSizeLow));
    const auto written = static_cast<std::int64_t>(
        Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    return id == stamp.id && size == stamp.size && written == stamp.writeTime;
}

} // namespace

CInputFile::EOpen CInputFile::OpenSame(const std::string& path, const FileStamp& stamp)
{
    Close();
    // A reparse point in the file's place is opened itself, not followed.
    const HANDLE handle =
        CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        switch (GetLastError()) {
        case ERROR_TOO_MANY_OPEN_FILES:
        case ERROR_NO_SYSTEM_RESOURCES:
            return EOpen::NoDescriptors;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return EOpen::Changed;
        default:
            return EOpen::Failed;
        }
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    if (GetFileType(handle) != FILE_TYPE_DISK || !Matches(handle, stamp)) {
        Close();
        return EOpen::Changed;
    }
    m_size = stamp.size;
    return EOpen::Opened;
}

CFolderHandle::~CFolderHandle() = default;

// Files are opened by their full paths here: the system resolves a path in one request, and the
// listing already gave every file's facts without opening it.
bool CFolderHandle::Open(const std::string& path)
{
    m_path = path;
    return !m_path.empty();
}

bool CFolderHandle::OpenIn(const CFolderHandle& parent, const std::string& name)
{
    m_path = JoinPath(parent.m_path, name);
    return !parent.m_path.empty();
}

CInputFile::EOpen CInputFile::OpenSameIn(const CFolderHandle& folder, const char* name,
                                         const FileStamp& stamp)
{
    return OpenSame(JoinPath(folder.m_path, name), stamp);
}

EStorage StorageOf(const std::string& folder)
{
    const std::wstring path = SystemPath(folder);
    wchar_t volume[MAX_PATH + 1];
    if (!GetVolumePathNameW(path.c_str(), volume, MAX_PATH + 1))
        return EStorage::Solid;
    return GetDriveTypeW(volume) == DRIVE_REMOTE ? EStorage::Remote : EStorage::Solid;
}

bool CInputFile::Unchanged(const FileStamp& stamp) const
{
    return m_handle != -1 && Matches(AsHandle(m_handle), stamp);
}

bool StillSame(const std::string& path, const FileStamp& stamp)
{
    const HANDLE handle =
        CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool same = Matches(handle, stamp);
    CloseHandle(handle);
    return same;
}

void AskToReadSoon(const std::string&, std::int64_t)
{
    // The system's own read-ahead serves here; there is no call that queues a file's reading
    // without a thread waiting for it.
}

std::size_t OpenFileLimit()
{
    return 1u << 16; // handles are not limited per process as descriptors are
}

std::int64_t BytesReadFromStorage()
{
    return -1; // the process's read counters count reads served from the cache as well
}

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
    return ReadFully(buffer, count, [this](char* at, std::size_t want, std::size_t) -> std::int64_t {
        DWORD got = 0;
        const auto some = static_cast<DWORD>(std::min<std::size_t>(want, 1u << 30));
        if (!ReadFile(AsHandle(m_handle), at, some, &got, nullptr))
            return -1;
        return got;
    });
}

std::int64_t CInputFile::ReadAt(void* buffer, std::size_t count, std::int64_t offset)
{
    return ReadFully(
        buffer, count, [this, offset](char* at, std::size_t want, std::size_t done) -> std::int64_t {
            OVERLAPPED where{};
            const std::int64_t position = offset + static_cast<std::int64_t>(done);
            where.Offset = static_cast<DWORD>(position & 0xFFFFFFFF);
            where.OffsetHigh = static_cast<DWORD>(position >> 32);
            DWORD got = 0;
            const auto some = static_cast<DWORD>(std::min<std::size_t>(want, 1u << 30));
            if (!ReadFile(AsHandle(m_handle), at, some, &got, &where))
                return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1; // reading at the end is the end
            return got;
        });
}

} // namespace platform
