// Temporary names that a replacement killed before it ended left in a folder.
#pragma once

namespace platform {

// Removes from the open folder every temporary name whose process has ended and that names the file it
// was made for or a file of the same bytes as it: so nothing that only such a name held is lost. A
// name whose bytes differ stays. The folder is listed only where it changed since this process last
// looked or acted in it.
void RemoveLeftoverLinks(int folder);

// Notes the folder as this process leaves it after acting in it, so that its own changes do not have
// it listed again.
void NoteFolderSeen(int folder);

} // namespace platform
