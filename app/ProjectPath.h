// Which file a project dialog's answer names; no window code, so the unit tests check it directly.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kProjectExtension = "qvlprj";

// The path with "." and `extension` added when its name has no extension.
std::string WithExtension(const std::string& path, const char* extension);
// The file an export of the type `extension` ("txt", "json" or "csv") goes to, for the save dialog's
// answer: a name that ends in one of the three types gets the chosen one instead (the dialog keeps
// the name it started with when the type changes; one that already names the type stays as typed),
// a name without an extension gets it added, and any other extension stays as typed.
std::string ExportPath(const std::string& chosen, const char* extension);
// The type ("txt", "json" or "csv") of an export named `chosen` while the save dialog's filter is
// `filtered`: a typed extension of JSON or CSV, in any letter case, chooses its type; otherwise the
// filter does, since a name ending in "txt" may be the one the dialog started with.
const char* ExportType(const std::string& chosen, const char* filtered);
// The path with ".qvlprj" added when its name has no extension.
std::string WithProjectExtension(const std::string& path);

// The file to open for the open dialog's answer: an existing file is opened as chosen, whatever its
// name (one picked under "All Files" may have no extension); only a name that names nothing gets the
// extension, as the user may have typed it without.
std::string ProjectPathToOpen(const std::string& path, bool exists);

// One argument as the toolkit kept it: its text as UTF-8, and the bytes it was decoded from in the
// locale's conversion (in the POSIX locale each byte becomes one character, so the UTF-8 of a name
// and the bytes it stands for differ for every byte past ASCII).
struct ToolkitArgument
{
    std::string text;
    std::string local;
};

// The project files named on the command line, in the system's order. `toolkit` is the toolkit's list
// of arguments: it lacks the options the toolkit took for itself and, in a UTF-8 locale, any name that
// is not UTF-8, which it cannot hold as text. `system` is the system's own list, which has both. An
// argument that the toolkit kept, in either spelling, or one it had to drop for its bytes, names a
// project file, given as the system's bytes.
std::vector<std::string> ProjectArguments(const std::vector<std::string>& system,
                                          const std::vector<ToolkitArgument>& toolkit);
