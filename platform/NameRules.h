// How the system compares file names and which of them it hides: the rules the scan options follow.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `text` as the system compares names: as it is where letter case counts (POSIX), upper-cased where it
// does not (Windows). Two names are one name to the system when their keys are equal.
std::string NameKey(std::string_view text);

// Whether the folder at `path` is one the system hides: a name that starts with "." on POSIX, the
// hidden or system attribute on Windows. The root of a volume is never hidden.
bool IsHiddenFolder(const std::string& path);

} // namespace platform
