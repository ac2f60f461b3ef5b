// The program's arguments as the system handed them over, before any toolkit converted them, and
// its standard output.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments after the program's own name: the file system's bytes on POSIX, UTF-8 on Windows.
// False when the system does not tell.
bool SystemArguments(std::vector<std::string>& arguments);

// Standard output takes the bytes written as they are: no system turns a line feed into CR LF, which
// would break formats that set their own line ends.
void WriteStandardOutputAsIs();

} // namespace platform
