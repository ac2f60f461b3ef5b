// Addresses go to the shell's "open" action.
#include "platform/OpenAddress.h"

#include "platform/SystemError.h"
#include "platform/win32/Wide.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

bool OpenAddress(const std::string& address, std::string& reason)
{
    // The extended call, unlike the plain one, leaves its reason as the thread's last error; the
    // program says what failed, as Open does, rather than the shell in a window of its own.
    const std::wstring file = Widen(address);
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_FLAG_NO_UI;
    request.lpVerb = L"open";
    request.lpFile = file.c_str();
    request.nShow = SW_SHOWNORMAL;
    const bool opened = ShellExecuteExW(&request) != FALSE;
    reason = opened ? std::string() : LastErrorText();
    return opened;
}

} // namespace platform
