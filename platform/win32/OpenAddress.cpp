// Addresses go to the shell's "open" action.
#include "platform/OpenAddress.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

bool OpenAddress(const std::string& address)
{
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32; // smaller values are error codes
}

} // namespace platform
