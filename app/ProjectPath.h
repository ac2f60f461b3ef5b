// Which file a project dialog's answer names; no window code, so the unit tests check it directly.
#pragma once

#include <string>

inline constexpr const char* kProjectExtension = "qvlprj";

// The path with ".qvlprj" added when its name has no extension.
std::string WithProjectExtension(const std::string& path);

// The file to open for the open dialog's answer: an existing file is opened as chosen, whatever its
// name (one picked under "All Files" may have no extension); only a name that names nothing gets the
// extension, as the user may have typed it without.
std::string ProjectPathToOpen(const std::string& path, bool exists);
