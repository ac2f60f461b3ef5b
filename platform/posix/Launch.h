// Starting the desktop's applications without waiting on the calling thread, shared by opening files
// and opening addresses.
#pragma once

#include <gio/gio.h>
#include <string>

namespace platform {

// How long the desktop's services over the session bus have to take a request before the program
// goes on without them.
inline constexpr guint kDesktopDeadlineMs = 2000;

// Starts `application` on `uri` and returns at once; takes the application's reference. The launch
// first asks the session bus (to announce the start, or to have the bus start a program that it
// activates); a bus that has not answered within kDesktopDeadlineMs is given up, and the
// application is then started without it. Runs on the thread of the default main context.
void StartApplication(GAppInfo* application, const std::string& uri);

} // namespace platform
