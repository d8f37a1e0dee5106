#include "net/sock_error.h"
#include "net/socket_components.h"
#include "net_test_support.h"

#include <poll.h>
#include <gtest/gtest.h>

using namespace net;
using nettest::waitFor;

namespace {

struct Log {
    std::vector<std::string> lines;
    void add(std::string s) { lines.push_back(std::move(s)); }
    bool has(const std::string& s) const {
        return std::find(lines.begin(), lines.end(), s) != lines.end();
    }
    // Whether every one of Wanted is there, each after the one before it.
    bool inOrder(std::initializer_list<std::string> wanted) const {
        auto at = lines.begin();
        for (const std::string& w : wanted) {
            at = std::find(at, lines.end(), w);
            if (at == lines.end()) return false;
            ++at;
        }
        return true;
    }
};

// Connects C to Port on 127.0.0.1, its events written to Log.
void start(TBasicClientSocket& c, Log& log, int port) {
    c.OnInfo = [&](TSockCtrl*, TSockInfo i, TSocketBase*) {
        log.add(std::string("info ") + SockInfoTexts[i]);
    };
    c.OnConnect = [&](TSockCtrl*, TSocketBase* s) {
        log.add("connect " + std::to_string(s->LastError) + (s->Connected() ? " up" : " down"));
    };
    c.OnDisconnect = [&](TSockCtrl*, TSocketBase*) { log.add("disconnect"); };
    nettest::aim(c, port);
    c.Connect();
}

// Connects C, watched by Log, to L; returns the server's end once the connect is reported.
int connected(TBasicClientSocket& c, Log& log, nettest::Listener& l) {
    start(c, log, l.port);
    const int peer = l.acceptOne();
    EXPECT_TRUE(waitFor([&] { return log.has("connect 0 up"); }));
    return peer;
}

} // namespace

TEST(SocketComponents, AddressPortAndProtocolSetters) {
    TBasicClientSocket c;
    // 65616 = 65536 + 80: a wrapped number would quietly reach the web server on port 80.
    for (auto [port, number] : {std::pair{"80", 80}, {"ftp", 21}, {"no-such-service", 0},
                                {"65535", 65535}, {"65616", 0}, {"4294967376", 0}}) {
        SCOPED_TRACE(port);
        c.SetPort(port);
        EXPECT_EQ(c.PortNumber(), number);
    }
    c.SetPort("80");
    EXPECT_EQ(c.ServiceName(), "http");
    c.SetProtocol("17");
    EXPECT_EQ(c.ProtocolName(), "UDP");
    c.SetProtocol("tcp");
    EXPECT_EQ(c.ProtocolNumber(), 6);
    c.SetProtocol("bogus");
    EXPECT_EQ(c.ProtocolNumber(), -1);
    c.SetTimeOut(-3);
    EXPECT_EQ(c.GetTimeOut(), 0);
    c.SetAddress("");
    EXPECT_EQ(nettest::raised([&] { c.Connect(); }), "No address specified");
}

TEST(SocketComponents, ARefusedConnectionArrivesThroughOnConnect) {
    TBasicClientSocket c;
    Log log;
    start(c, log, nettest::closedPort());
    ASSERT_TRUE(waitFor([&] { return log.has("connect 10061 down"); })) << log.lines.size();
    EXPECT_FALSE(log.has("info Connection"));
    EXPECT_TRUE(log.has("info Connecting"));
}

TEST(SocketComponents, AConnectThatNeverCompletesTimesOut) {
    // A listener whose queue is full drops further connection requests, so a connect
    // made once the first filler is through stays pending.
    nettest::Listener l(0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i)
        fillers.push_back(nettest::connectTo(l.port, nullptr, SOCK_NONBLOCK));
    ASSERT_TRUE(waitFor([&] {
        pollfd p{fillers[0], POLLOUT, 0};
        return ::poll(&p, 1, 0) > 0;
    }));

    TBasicClientSocket quiet;
    nettest::aim(quiet, l.port);
    quiet.SetTimeOut(5);
    quiet.Connect();
    EXPECT_FALSE(quiet.TimeOutActive()) << "no OnTimeOut, no time-out";

    TBasicClientSocket c;
    Log log;
    int timeouts = 0;
    std::vector<int> left;
    c.OnTimeOut = [&](TSockCtrl*, TSocketBase*) { ++timeouts; };
    c.SetTimeOut(2);
    start(c, log, l.port);
    EXPECT_TRUE(c.TimeOutActive());
    // Each tick of the one-second timer counts down once; the second ends the attempt.
    ASSERT_TRUE(waitFor([&] {
        if (left.empty() || left.back() != c.SecondsLeft) left.push_back(c.SecondsLeft);
        return timeouts > 0;
    }));
    EXPECT_EQ(left, (std::vector<int>{2, 1, 0}));
    EXPECT_TRUE(log.has("info Connection timed out"));
    EXPECT_FALSE(log.has("info Connection"));
    for (int f : fillers) ::close(f);
}

namespace {
// A client that records the socket events it is notified of, instead of handling them.
class Recorder : public TBasicClientSocket {
public:
    std::vector<intptr_t> events;
    void Notify(unsigned, uintptr_t, intptr_t l) override { events.push_back(l); }
};
} // namespace

TEST(SocketComponents, EventsDuringALookUpAreReplayedInOrderButNeverToTheDestroyed) {
    TBasicClientSocket b;
    Recorder keep;
    auto* gone = new Recorder;
    platform::PostMessage(gone->Window(), CM_SOCKETMESSAGE, 0, 9);
    for (intptr_t e = 1; e <= 3; ++e) platform::PostMessage(keep.Window(), CM_SOCKETMESSAGE, 0, e);
    EXPECT_EQ(b.LookupHostByName("localhost"), htonl(INADDR_LOOPBACK));
    EXPECT_TRUE(keep.events.empty()) << "nothing is handled inside the look-up";
    EXPECT_EQ(TSockCtrl::DeferredCount(), 4u);
    delete gone; // ASan catches a deferred event delivered to it
    ASSERT_TRUE(waitFor([&] { return keep.events.size() == 3; }));
    EXPECT_EQ(keep.events, (std::vector<intptr_t>{1, 2, 3}));
    EXPECT_EQ(TSockCtrl::DeferredCount(), 0u);
}

TEST(SocketComponents, ClosesFromEitherEndAreReportedInOrder) {
    nettest::Listener l;
    TBasicClientSocket c;
    Log log;
    ::close(connected(c, log, l));
    ASSERT_TRUE(waitFor([&] { return log.has("info Closed"); }));
    EXPECT_TRUE(log.inOrder({"info Disconnected", "disconnect", "info Closed"}));

    // The closed socket object stays with its component and connects again; closed from
    // this end, it first delivers the bytes still waiting.
    log.lines.clear();
    const int peer = connected(c, log, l);
    c.OnRead = [&](TSockCtrl*, TSocketBase* s) {
        char buf[64];
        int n = s->Recv(buf, sizeof buf);
        if (n > 0) log.add("read " + std::string(buf, static_cast<size_t>(n)));
    };
    ASSERT_EQ(::send(peer, "hello", 5, 0), 5);
    // Wait until the bytes are there, without handling their read event.
    pollfd readable{static_cast<int>(c.Socket()->Handle()), POLLIN, 0};
    ASSERT_EQ(::poll(&readable, 1, 10000), 1);
    c.Close();
    EXPECT_TRUE(log.inOrder({"read hello", "info Closed"}));
    ::close(peer);
}

namespace {
// A client that can hold its socket events back, as the event queue does when a handler
// runs between the moment an event is posted and the moment it is delivered.
class HoldingClient : public TBasicClientSocket {
public:
    bool holding = false;
    std::vector<std::pair<uintptr_t, intptr_t>> held;
    void Notify(unsigned msg, uintptr_t w, intptr_t l) override {
        if (holding) {
            held.emplace_back(w, l);
            return;
        }
        TBasicClientSocket::Notify(msg, w, l);
    }
};
} // namespace

TEST(SocketComponents, AnEventOfAClosedSocketNeverReachesTheNextOneOnTheSameDescriptor) {
    nettest::Listener first, second;
    HoldingClient c;
    Log log;
    const int peer = connected(c, log, first);
    const TSocket oldHandle = c.Socket()->Handle();

    // The first server closes; its close event is posted but not yet delivered when the
    // user opens another address on the same client.
    c.holding = true;
    ::close(peer);
    ASSERT_TRUE(waitFor([&] {
        for (auto& [w, l] : c.held)
            if (tWinsockAPISV::SelectEvent(l) == FD_CLOSE) return true;
        return false;
    }));
    c.Close();
    log.lines.clear();
    c.SetPort(std::to_string(second.port));
    c.Connect();
    if (c.Socket()->Handle() != oldHandle)
        GTEST_SKIP() << "the system gave the new socket another descriptor";
    c.holding = false;
    for (auto& [w, l] : c.held) platform::PostMessage(c.Window(), CM_SOCKETMESSAGE, w, l);
    // Posted messages are handled in order: once this one runs, so have the stale events.
    bool replayed = false;
    nettest::Later marker([&] { replayed = true; });
    int peer2 = second.acceptOne();
    ASSERT_TRUE(waitFor([&] { return replayed && log.has("connect 0 up"); }));
    EXPECT_FALSE(log.has("disconnect")) << "the old connection's close ended the new one";
    EXPECT_TRUE(c.Socket()->Connected());
    ::close(peer2);
}

TEST(SocketComponents, ALookUpNestedInAnotherKeepsBothResults) {
    TBasicClientSocket c;
    // A navigation started during another one's look-up runs its own inside that wait;
    // each must get its own answer.
    uint32_t inner = 0;
    nettest::Later nested([&] { inner = c.LookupHostByName("localhost"); });
    const uint32_t outer = c.LookupHostByName("127.0.0.1");
    EXPECT_EQ(outer, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(inner, htonl(INADDR_LOOPBACK));
}
