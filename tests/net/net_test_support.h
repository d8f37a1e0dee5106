// Small helpers for the socket tests: a plain listening socket on 127.0.0.1 and a loop
// that handles messages until something has happened.
#pragma once

#include "platform/clock.h"
#include "platform/messages.h"
#include "test_support.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

// Socket tests poll often: their events come from the network, not from timers.
inline bool waitFor(const std::function<bool()>& done, int ms = 10000) { return testsupport::waitUntil(done, ms); }

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
