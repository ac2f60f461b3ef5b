// Moving one file to the desktop's trash, from where the user can bring it back.
#pragma once

#include <string>

namespace platform {

// What the desktop calls its trash, for messages ("trash", "Recycle Bin").
extern const char* const kTrashName;

// Moves the file or folder to the trash without asking first. False, with the system's reason, when
// it is still where it was; a file is never deleted for good in its place.
bool MoveToTrash(const std::string& path, std::string& reason);

} // namespace platform
