#include "platform/SaveFile.h"

#include "platform/win32/SystemMessage.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <random>

namespace platform {

namespace {

// A name in the folder of `target` that no other file has, short whatever the length of the name it
// stands for: the new file is made only where none is.
HANDLE CreateBeside(const std::wstring& target, std::wstring& temporary)
{
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.substr(0, target.find_last_of(L"\\/") + 1) + L".quorvel-" +
                    std::to_wstring(pick() % 1000000000u);
        const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// The file that `path` leads to, opened as the system resolves it, through any link: its attributes,
// and its own path where `path` is a link. False with the reason for anything but a regular file.
bool ExistingTarget(const std::wstring& path, bool link, std::wstring& target, DWORD& attributes,
                    std::string& reason)
{
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = SystemMessage(GetLastError());
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != FALSE;
    const bool disk = GetFileType(file) == FILE_TYPE_DISK;
    std::wstring final(32768, L'\0');
    const DWORD length = link
                             ? GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)
                             : 0;
    CloseHandle(file);
    if (!known || !disk || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        reason = !disk ? "it is a device, not a regular file" : "it is a folder, not a regular file";
        return false;
    }
    target = link && length > 0 && length < final.size() ? final.substr(0, length) : path;
    attributes = info.dwFileAttributes;
    return true;
}

bool WriteAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD want = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), want, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

bool SaveFileWhole(const std::string& path, std::string_view bytes, std::string& reason)
{
    const std::wstring given = SystemPath(path);
    DWORD attributes = GetFileAttributesW(given.c_str());
    const bool existing = attributes != INVALID_FILE_ATTRIBUTES;
    std::wstring target = given;
    if (existing &&
        !ExistingTarget(given, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0, target, attributes, reason))
        return false;
    std::wstring temporary;
    const HANDLE file = CreateBeside(target, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        reason = SystemMessage(GetLastError());
        return false;
    }
    bool saved = WriteAll(file, bytes) && FlushFileBuffers(file);
    DWORD error = saved ? 0 : GetLastError();
    if (!CloseHandle(file) && saved) {
        saved = false;
        error = GetLastError();
    }
    // Replacing keeps the replaced file's owner and permissions where the system can; its attributes
    // are given to the new file first, which not every system's replacing does.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (saved && existing && (attributes & kKept) != 0)
        SetFileAttributesW(temporary.c_str(), attributes & kKept);
    if (saved && !(existing ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                           REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                           nullptr, nullptr)
                            : MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))) {
        saved = false;
        error = GetLastError();
    }
    if (!saved) {
        DeleteFileW(temporary.c_str());
        reason = SystemMessage(error);
    }
    return saved;
}

} // namespace platform
