// Paths stay UTF-8 inside the program and become UTF-16 at each system call.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// A path as the system calls take it: long absolute paths get the prefix that lifts the old length
// limit, so that any path works.
std::wstring SystemPath(std::string_view utf8);

} // namespace platform
