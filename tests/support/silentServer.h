#pragma once

// A TCP port on 127.0.0.1 that takes connections and never says a word: a
// line server that hangs. Linux only.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

class SilentServer
{
public:
    SilentServer()
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            listen(m_listener, 8) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer()
    {
        for (int fd : m_accepted)
            close(fd);
        if (m_listener >= 0)
            close(m_listener);
    }

    // 0 when no port could be had.
    int port() const { return m_port; }

    // True once a client has connected; it is kept waiting.
    bool hasClient()
    {
        const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            m_accepted.push_back(fd);
        return !m_accepted.empty();
    }

private:
    int m_listener = -1;
    int m_port = 0;
    std::vector<int> m_accepted;
};
