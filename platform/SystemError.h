// The system's own words for why a call failed, for messages that name the reason.
#pragma once

#include <string>

namespace platform {

// The reason the last failed system call on this thread gave (errno on POSIX, the last error on
// Windows), in the system's words. Read it right after the failure: any later call may change it.
std::string LastErrorText();

} // namespace platform
