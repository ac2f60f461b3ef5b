// Writing a whole file so that it is never left half written.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Writes `bytes` to a new file beside `path` and renames it over `path` only once every byte is on
// the disk, so that a failure (a full disk, a folder that takes no new file) leaves any earlier file
// at `path` as it was and no temporary file behind. A link at `path` is written through to the file
// it leads to, and stays a link; a file replaced leaves its owner and permissions (on Windows its
// attributes, as far as the system allows) to the new one; anything that is not a regular file (a
// folder, a named pipe, a device) is not written, and the reason says what it is. False with the
// reason on failure.
bool SaveFileWhole(const std::string& path, std::string_view bytes, std::string& reason);

} // namespace platform
