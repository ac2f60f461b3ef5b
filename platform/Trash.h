// Moving one file to the desktop's trash, from where the user can bring it back.
#pragma once

#include <string>

namespace platform {

// What the desktop calls its trash, for messages ("trash", "Recycle Bin").
extern const char* const kTrashName;

// Moves the file or folder to the trash without asking first. False, with the system's reason, when
// it is still where it was; a file is never deleted for good in its place.
bool MoveToTrash(const std::string& path, std::string& reason);

// Moves the file that the last MoveToTrash moved, if it came from `path`, back there and drops its
// record, for a move found right after to have taken a file that had to stay. False with the reason
// where it cannot (another file was moved since, or the name is taken again): the file then stays in
// the trash.
bool PutBackFromTrash(const std::string& path, std::string& reason);

} // namespace platform
