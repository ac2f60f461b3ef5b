#include "platform/SystemError.h"

#include "platform/win32/SystemMessage.h"
#include "platform/win32/Wide.h"

#include <cstdio>

namespace platform {

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

std::string LastErrorText()
{
    return SystemMessage(GetLastError());
}

} // namespace platform
