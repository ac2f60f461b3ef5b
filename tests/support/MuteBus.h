// A session bus that takes connections and never answers, as a bus daemon that is stopped or hung
// does: the tests point DBUS_SESSION_BUS_ADDRESS at it.
#pragma once

#include <string>

class CMuteBus
{
public:
    // Listens on a socket named `path` (shorter than a socket name may be) until it goes.
    explicit CMuteBus(const std::string& path);
    ~CMuteBus();
    CMuteBus(const CMuteBus&) = delete;
    CMuteBus& operator=(const CMuteBus&) = delete;

    bool IsListening() const { return m_socket >= 0; }
    // The bus address of the socket, for DBUS_SESSION_BUS_ADDRESS.
    std::string Address() const { return "unix:path=" + m_path; }

private:
    std::string m_path;
    int m_socket = -1;
};
