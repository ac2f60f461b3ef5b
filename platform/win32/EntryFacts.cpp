// One attribute query per name. The long-path prefix is always given, so that the name is taken
// exactly as written: without it the system would drop a trailing space or dot and find a file
// whose name differs from the line.
#include "platform/EntryFacts.h"

#include "platform/FolderListing.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace platform {

namespace {

std::wstring LiteralPath(const std::string& path)
{
    std::wstring wide = SystemPath(path);
    if (wide.rfind(L"\\\\?\\", 0) == 0)
        return wide;
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\')
        return L"\\\\?\\" + wide;
    if (wide.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide; // relative: the current folder's rules apply
}

} // namespace

bool LookUpEntry(const std::string& path, EntryFacts& facts)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExW(LiteralPath(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    facts.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.isFile = !facts.isFolder && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    const std::int64_t size =
        (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | static_cast<std::int64_t>(data.nFileSizeLow);
    facts.size = facts.isFolder ? 0 : size;
    const std::int64_t ticks = (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                               static_cast<std::int64_t>(data.ftLastWriteTime.dwLowDateTime);
    facts.modified = RecordedTime(ticks / 10000000 - 11644473600LL); // 100 ns steps since 1601
    return true;
}

bool LookUpIdentity(const std::string& path, bool followLink, FileId& id)
{
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE handle = path.empty() ? INVALID_HANDLE_VALUE
                                       : CreateFileW(LiteralPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                     nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != FALSE;
    CloseHandle(handle);
    if (known)
        id = {info.dwVolumeSerialNumber,
              (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return known;
}

std::uint32_t NameCount(const std::string& path)
{
    // The listing does not give the count: the file itself is asked.
    const HANDLE handle = CreateFileW(LiteralPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != FALSE;
    CloseHandle(handle);
    return known ? info.nNumberOfLinks : 0;
}

} // namespace platform
