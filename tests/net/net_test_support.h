// Small helpers for the socket tests: a plain listening socket on 127.0.0.1 and a loop
// that handles messages until something has happened.
#pragma once

#include "platform/clock.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

inline bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    uint32_t end = platform::TickCount() + static_cast<uint32_t>(ms);
    while (!done()) {
        if (static_cast<int32_t>(end - platform::TickCount()) <= 0) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        usleep(1000);
    }
    return true;
}

struct Listener {
    int fd = -1;
    int port = 0;
    explicit Listener(int backlog = 8) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, backlog);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() {
        if (fd >= 0) ::close(fd);
    }
    int acceptOne() { return ::accept(fd, nullptr, nullptr); }
};

// A port on which nothing listens.
inline int closedPort() {
    Listener l;
    return l.port;
}

} // namespace nettest
