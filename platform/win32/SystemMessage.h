// The system's message for an error code, with the code itself, for the Windows half only.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

std::string SystemMessage(DWORD code);

} // namespace platform
