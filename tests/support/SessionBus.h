// A D-Bus session bus of the tests' own, so that nothing reaches the user's desktop services.
#pragma once

#include <string>

// Starts a bus daemon with no activatable services and points DBUS_SESSION_BUS_ADDRESS at it; the
// daemon ends when this process has ended. Without a daemon the address points nowhere, so that
// no bus is started behind the tests' back. Call before anything connects to the session bus.
// True when the bus runs.
bool StartPrivateSessionBus(const std::string& folder);
