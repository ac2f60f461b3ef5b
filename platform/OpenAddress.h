// Hands a web or mail address to the desktop, which opens it with the user's chosen program.
#pragma once

#include <string>

namespace platform {

// True when the desktop took the address (UTF-8) on; it opens nothing itself, and returns without
// waiting for the program it starts. False when no program is set for such addresses, with the
// system's reason in `reason` where it gives one.
bool OpenAddress(const std::string& address, std::string& reason);

} // namespace platform
