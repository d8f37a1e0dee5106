// Small helpers for the socket tests: a plain listening socket on 127.0.0.1, a loop that
// handles messages until something has happened, ways to act inside a look-up, and a
// scripted server on a thread of the test.
#pragma once

#include "platform/clock.h"
#include "net/sock_error.h"
#include "net/winsock_api.h"
#include "platform/messages.h"
#include "test_support.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace nettest {

// Socket tests poll often: their events come from the network, not from timers.
inline bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    return testsupport::waitUntil(done, ms);
}

// 127.0.0.1 at Port.
inline sockaddr_in loopback(int port = 0) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A socket bound to Port on 127.0.0.1, or to one of the system's choosing when Port is 0 or
// taken; a stream socket listens.
struct Listener {
    int fd = -1;
    int port = 0;
    explicit Listener(int backlog = 8, int type = SOCK_STREAM, int wanted = 0) {
        fd = ::socket(AF_INET, type, 0);
        sockaddr_in a = loopback(wanted);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        if (type == SOCK_STREAM) ::listen(fd, backlog);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() {
        if (fd >= 0) ::close(fd);
    }
    int acceptOne() { return ::accept(fd, nullptr, nullptr); }
};

// A plain client socket connecting to Port on 127.0.0.1, optionally from another loopback
// address; a non-blocking one may still be connecting when it is returned.
inline int connectTo(int port, const char* from = nullptr, int flags = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | flags, 0);
    if (from) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = inet_addr(from);
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    const sockaddr_in a = loopback(port);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    return fd;
}

// Points a client component at Port on Host.
template <class Client> void aim(Client& c, int port, const char* host = "127.0.0.1") {
    c.SetAddress(host);
    c.SetPort(std::to_string(port));
}

// Writes S through a buffered socket and sends it at once.
template <class Buffered> void sendText(Buffered* b, const std::string& s) {
    b->WriteBlock(s.data(), static_cast<uint32_t>(s.size()));
    b->FlushWriteBuffer();
}

// What arrives on the plain socket Fd, once Count bytes are in or the wait gives up.
inline std::string receive(int fd, size_t count) {
    std::string got;
    waitFor([&] {
        char buf[65536];
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) got.append(buf, static_cast<size_t>(n));
        return got.size() >= count;
    });
    return got;
}

// The text of the socket error F raises, or "" when it raises none.
inline std::string raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const net::ESockError& e) {
        return e.what();
    }
    return {};
}

// A port on which nothing listens.
inline int closedPort() {
    Listener l;
    return l.port;
}

// Twenty seconds from now on the system clock: a condition wait against it is one the
// thread sanitizer sees (it does not see the steady clock's wait).
inline std::chrono::system_clock::time_point testDeadline() {
    return std::chrono::system_clock::now() + std::chrono::seconds(20);
}

// A resolver that holds every look-up until the test lets it go, so that a look-up is
// certainly in progress; then it asks the system as usual. The hold is bounded so that a
// failing test cannot leave a thread behind for ever.
class HeldResolver {
public:
    HeldResolver() {
        // The worker keeps the state alive: a look-up abandoned by its socket may still be
        // inside the resolver when the test that held it has ended.
        net::SetHostResolver([state = S](const char* name, const addrinfo* hints,
                                         addrinfo** result) {
            std::unique_lock<std::mutex> lock(state->M);
            ++state->Entered;
            state->Changed.notify_all();
            state->Changed.wait_until(lock, testDeadline(), [&] { return state->Open; });
            lock.unlock();
            return ::getaddrinfo(name, nullptr, hints, result);
        });
    }
    ~HeldResolver() {
        release();
        net::SetHostResolver(nullptr);
        waitFor([] { return net::LookupThreads() == 0; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(S->M);
        S->Open = true;
        S->Changed.notify_all();
    }
    bool entered() {
        std::unique_lock<std::mutex> lock(S->M);
        return S->Changed.wait_until(lock, testDeadline(), [this] { return S->Entered > 0; });
    }

private:
    struct State {
        std::mutex M;
        std::condition_variable Changed;
        int Entered = 0;
        bool Open = false;
    };
    std::shared_ptr<State> S = std::make_shared<State>();
};

// Runs a function when its message is handled: inside the nested loop of a look-up.
class Later : public platform::TMessageTarget {
public:
    explicit Later(std::function<void()> f) : F(std::move(f)) { platform::PostMessage(this, 1); }
    intptr_t handleMessage(unsigned, uintptr_t, intptr_t) override {
        F();
        return 0;
    }

private:
    std::function<void()> F;
};

// A server run by a thread of the test on one loopback connection, for what real servers
// will not do (stall, hold back reading, show what they were sent). Run() does the talking;
// every wait gives up once the test is over, so a failing test cannot hang the thread.
class ThreadServer {
public:
    explicit ThreadServer(int receiveBuffer = 0) {
        if (receiveBuffer > 0)
            ::setsockopt(Listen.fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    virtual ~ThreadServer() { stop(); }
    int port() const { return Listen.port; }

protected:
    // Called last by the derived constructor, once its members exist.
    void start() { Thread = std::thread([this] { run(); }); }
    // Called first by the derived destructor, while its members still exist.
    void stop() {
        Stop = true;
        if (Thread.joinable()) Thread.join();
    }
    virtual void run() = 0;
    bool stopping() const { return Stop; }
    bool readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        while (!Stop)
            if (::poll(&p, 1, 50) > 0) return true;
        return false;
    }
    // Takes the first CR LF line off Pending.
    static bool takeLine(std::string& pending, std::string& line) {
        const size_t eol = pending.find("\r\n");
        if (eol == std::string::npos) return false;
        line = pending.substr(0, eol);
        pending.erase(0, eol + 2);
        return true;
    }
    static void put(int fd, const std::string& s) { (void)!::write(fd, s.data(), s.size()); }

    Listener Listen{1};

private:
    std::atomic<bool> Stop{false};
    std::thread Thread;
};

} // namespace nettest
