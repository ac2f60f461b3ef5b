// The desktop's name for a file's type, as a file manager shows it ("plain text document").
#pragma once

#include <string>

namespace platform {

// Judged by the name alone; empty when the desktop knows no name for it.
std::string FileTypeName(const std::string& path);

// The desktop's name for a folder ("Folder", "File folder").
std::string FolderTypeName();

} // namespace platform
