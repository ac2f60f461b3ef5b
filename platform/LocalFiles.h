// How the program reaches files: by their paths, through the system's own calls.
#pragma once

namespace platform {

// Keeps the toolkit off the desktop's virtual file system, which the program never needs (it lists,
// reads and trashes local paths only) and which, where one is installed, connects to the session bus
// when the toolkit first loads its theme and waits for ever on a bus that takes the connection and
// never answers. Programs started later get the environment as it was. Call before the toolkit
// starts, while this is the only thread.
void UseLocalFilesOnly();

} // namespace platform
