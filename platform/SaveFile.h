// Writing a whole file so that it is never left half written.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Writes `bytes` to a new file beside `path` and renames it over `path` only once every byte is on
// the disk, so that a failure (a full disk, a folder that takes no new file) leaves any earlier file
// at `path` as it was and no temporary file behind. False with the system's reason on failure.
bool SaveFileWhole(const std::string& path, std::string_view bytes, std::string& reason);

} // namespace platform
