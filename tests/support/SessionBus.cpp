// The bus daemon runs with a configuration written here: one listening socket in the test's folder,
// every name allowed, and no service folders, so that a call to a missing service fails at once.
#include "tests/support/SessionBus.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/types.h>

namespace {

pid_t s_daemon = 0;

} // namespace

bool StartPrivateSessionBus(const std::string& folder)
{
    // The toolkit's accessibility bridge would look for its own bus through this one and complain.
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder + "/no-bus").c_str(), 1);
    const std::string config = folder + "/session.conf";
    std::ofstream(config) << "<busconfig><type>session</type><listen>unix:dir=" << folder
                          << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                             "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                             "<allow own=\"*\"/></policy></busconfig>\n";
    const std::string command =
        "dbus-daemon --fork --print-address=1 --print-pid=1 --config-file='" + config + "' 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr)
        return false;
    char address[512] = "";
    long pid = 0;
    const bool started = std::fscanf(out, "%511s %ld", address, &pid) == 2;
    pclose(out);
    if (!started)
        return false;
    s_daemon = static_cast<pid_t>(pid);
    std::atexit(StopPrivateSessionBus);
    setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
    return true;
}

void StopPrivateSessionBus()
{
    if (s_daemon > 0)
        kill(s_daemon, SIGTERM);
    s_daemon = 0;
}
