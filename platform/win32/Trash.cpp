// The Recycle Bin through the shell's file operation. A volume without one makes the shell ask
// before it would destroy the file, instead of destroying it without a word.
#include "platform/Trash.h"

#include "platform/win32/SystemMessage.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

const char* const kTrashName = "Recycle Bin";

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

bool PutBackFromTrash(const std::string&, std::string& reason)
{
    // The shell names no entry of the Recycle Bin for a file it moved there.
    reason = "the Recycle Bin gives no file back by its name";
    return false;
}

} // namespace platform
