// A D-Bus session bus of the tests' own, so that nothing reaches the user's desktop services.
#pragma once

#include <string>

// Starts a bus daemon with no activatable services and points DBUS_SESSION_BUS_ADDRESS at it.
// Without a daemon the address points nowhere, so that no bus is started behind the tests' back.
// Call before anything connects to the session bus. True when the bus runs.
bool StartPrivateSessionBus(const std::string& folder);
// Also called at exit.
void StopPrivateSessionBus();
