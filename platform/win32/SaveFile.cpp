#include "platform/SaveFile.h"

#include "platform/win32/SystemMessage.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <random>

namespace platform {

namespace {

// A name in the folder of `path` that no other file has, short whatever the length of the name it
// stands for: the new file is made only where none is.
HANDLE CreateBeside(const std::string& path, std::wstring& temporary)
{
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = SystemPath(path.substr(0, path.find_last_of("\\/") + 1) + ".quorvel-" +
                               std::to_string(pick() % 1000000000u));
        const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
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
    std::wstring temporary;
    const HANDLE file = CreateBeside(path, temporary);
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
    if (saved && !MoveFileExW(temporary.c_str(), SystemPath(path).c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
