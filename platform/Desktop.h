// Handing files to the desktop: opening one with its application, showing one in the file manager.
#pragma once

#include <string>

namespace platform {

// Opens the file or folder with the desktop's default application for its type, as a double-click
// in the file manager does; `folder` is its working folder where the system lets the caller choose.
// An executable file is never run itself. Returns without waiting for other programs where they are
// asked through the desktop's event loop (a session bus that does not answer within about 2 s is
// then passed over). False when no application is set for the file's type or none could be started,
// with the system's reason in `reason` where it gives one.
bool OpenWithDefaultApplication(const std::string& path, const std::string& folder, std::string& reason);

// Opens the file manager on `folder` with the file `path` selected where the desktop can do that,
// and on the folder alone where it cannot. Returns without waiting for other programs where they are
// asked through the desktop's event loop (a file manager that does not answer within about 2 s then
// gets the folder alone). False when nothing could be started.
bool ShowInFileManager(const std::string& path, const std::string& folder);

} // namespace platform
