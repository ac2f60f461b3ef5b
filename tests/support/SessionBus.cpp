// The bus daemon runs with a configuration written here: one listening socket in the test's folder,
// every name allowed, and no service folders, so that a call to a missing service fails at once.
// A small shell watches a pipe from this process and ends the daemon once the pipe closes: ending
// it earlier, while this process is still connected, would make the bus library end this process.
#include "tests/support/SessionBus.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

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
    int watch[2];
    int address[2];
    if (pipe2(watch, O_CLOEXEC) != 0 || pipe2(address, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, watch[0], 0);
    posix_spawn_file_actions_adddup2(&actions, address[1], 1);
    const char* script =
        "dbus-daemon --nofork --print-address=1 --config-file=\"$1\" 2>/dev/null </dev/null & "
        "exec >/dev/null; read -r _; kill $!";
    char* arguments[] = {const_cast<char*>("sh"),           const_cast<char*>("-c"),
                         const_cast<char*>(script),         const_cast<char*>("sh"),
                         const_cast<char*>(config.c_str()), nullptr};
    pid_t watcher = 0;
    const bool spawned = posix_spawn(&watcher, "/bin/sh", &actions, nullptr, arguments, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(watch[0]);
    close(address[1]);
    std::string line;
    char c = 0;
    while (spawned && read(address[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(address[0]);
    if (line.empty())
        return false;
    setenv("DBUS_SESSION_BUS_ADDRESS", line.c_str(), 1);
    return true; // watch[1] stays open until this process ends
}
