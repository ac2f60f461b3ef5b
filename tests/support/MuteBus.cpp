// The kernel completes each connection into the listening socket's queue, where nothing ever reads
// it: a client can connect and send, and waits for good for any answer.
#include "tests/support/MuteBus.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

CMuteBus::CMuteBus(const std::string& path) : m_path(path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return;
    path.copy(address.sun_path, path.size());
    m_socket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_socket >= 0 && (bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
                          listen(m_socket, SOMAXCONN) != 0)) {
        close(m_socket);
        m_socket = -1;
    }
}

CMuteBus::~CMuteBus()
{
    if (m_socket >= 0) {
        close(m_socket);
        unlink(m_path.c_str());
    }
}
