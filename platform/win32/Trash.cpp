// The Recycle Bin through the shell's file operation. A volume without one makes the shell ask
// before it would destroy the file, instead of destroying it without a word.
#include "platform/Trash.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <cstdio>
#include <shellapi.h>

namespace platform {

const char* const kTrashName = "Recycle Bin";

namespace {

std::string SystemMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length != 0 && text != nullptr) {
        message = Narrow(std::wstring_view(text, length));
        while (!message.empty() &&
               (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
            message.pop_back();
    }
    LocalFree(text);
    char number[32];
    std::snprintf(number, sizeof number, "error 0x%lX", static_cast<unsigned long>(code));
    return message.empty() ? std::string(number) : message + " (" + number + ")";
}

} // namespace

bool MoveToTrash(const std::string& path, std::string& reason)
{
    // A name that is not there gets the system's own answer: some shells would offer to delete it
    // for good instead of saying so.
    if (GetFileAttributesW(SystemPath(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
        reason = SystemMessage(GetLastError());
        return false;
    }
    // The shell's operation takes no long-path prefix; the list of names ends with an empty name.
    std::wstring from = Widen(path);
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW request{};
    request.wFunc = FO_DELETE;
    request.pFrom = from.c_str();
    request.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING;
    const int result = SHFileOperationW(&request);
    if (request.fAnyOperationsAborted) {
        reason = "cancelled";
        return false;
    }
    if (result != 0) {
        reason = SystemMessage(static_cast<DWORD>(result));
        return false;
    }
    if (GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
        reason = "the file is still there";
        return false;
    }
    return true;
}

} // namespace platform
