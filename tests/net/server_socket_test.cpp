#include "net/server_socket.h"
#include "net/sock_error.h"
#include "net_test_support.h"

#include <gtest/gtest.h>
#include <netdb.h>

using namespace net;
using nettest::connectTo;
using nettest::waitFor;

namespace {

// Whether the server has closed its end: a read returns 0 at once.
bool closedByPeer(int fd) {
    return waitFor([&] {
        char c;
        return ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
    });
}

struct Server {
    TBasicServerSocket s;
    int accepted = 0, rejected = 0, rejectInfos = 0;
    Server() {
        s.OnAccept = [this](TSockCtrl*, TSocketBase* sock) {
            EXPECT_TRUE(sock->Connected());
            ++accepted;
        };
        s.OnReject = [this](TSockCtrl*, TSocketBase*) { ++rejected; };
        s.OnInfo = [this](TSockCtrl*, TSockInfo i, TSocketBase*) { rejectInfos += i == siReject; };
        s.SetAddress("127.0.0.1");
        s.SetPort("0");
        s.QueueLength = 32;
    }
};

} // namespace

// The rejected peer is closed as RestrictionDecidesOverListedPeers shows.
TEST(ServerSocket, ConnectionsBeyondMaxConnectionsAreRejected) {
    Server srv;
    srv.s.MaxConnections = 1;
    srv.s.Listen();
    int peer = connectTo(srv.s.PortNumber());
    ASSERT_TRUE(waitFor([&] { return srv.accepted == 1; }));
    const int extra = connectTo(srv.s.PortNumber());
    ASSERT_TRUE(waitFor([&] { return srv.rejected == 1; }));
    EXPECT_EQ(srv.rejectInfos, 1);
    const auto held = [&](size_t n) {
        return waitFor([&] { return srv.s.Accepted().Count() == n; });
    };
    ASSERT_TRUE(held(1)) << "the rejected connection is freed";
    // When one leaves, a newcomer fits again.
    ::close(peer);
    ASSERT_TRUE(held(0));
    peer = connectTo(srv.s.PortNumber());
    ASSERT_TRUE(waitFor([&] { return srv.accepted == 2; }));
    ::close(peer);
    ::close(extra);
}

TEST(ServerSocket, HostPatterns) {
    struct Case {
        std::vector<std::string> lines;
        const char* address;
        bool listed;
    };
    const Case cases[] = {
        {{"192.168.*.*"}, "192.168.1.5", true},
        {{"192.168.*.*"}, "10.0.0.1", false},
        {{"192.168"}, "192.168.1.5", true},
        {{"10.0.0.2", "10.0.*.1"}, "10.0.0.1", true},
        {{"10.0.0.2"}, "10.0.0.1", false},
        {{}, "10.0.0.1", false},
        {{"", "  "}, "10.0.0.1", false}, // blank lines match nothing
        {{"localhost"}, "127.0.0.1", true},
        {{"otherhost", "*"}, "127.0.0.1", true},
        {{"LOCALHOST"}, "127.0.0.1", false}, // names compare with their case
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address) + " " + (c.lines.empty() ? "" : c.lines[0]));
        TBasicServerSocket s;
        s.RestrictedHosts = c.lines;
        EXPECT_EQ(s.HostListed(c.address), c.listed);
    }
}

TEST(ServerSocket, RestrictionDecidesOverListedPeers) {
    sockaddr_in second = nettest::loopback();
    second.sin_addr.s_addr = inet_addr("127.0.0.2");
    char name[256];
    const bool secondHasName = ::getnameinfo(reinterpret_cast<const sockaddr*>(&second),
                                             sizeof second, name, sizeof name, nullptr, 0,
                                             NI_NAMEREQD) == 0;
    struct Case {
        std::vector<std::string> lines;
        THostRestriction restriction;
        const char* from;
        bool reverseOnly, accepted;
    };
    // The peer from 127.0.0.2 has no name: with a name line its reverse look-up fails, and
    // denying only "otherhost" must not let through a peer that could not be judged.
    const Case cases[] = {
        {{"127.0.0.*"}, hrAccept, nullptr, false, true},
        {{"127.0.0.*"}, hrDeny, nullptr, false, false},
        {{"10.*"}, hrAccept, nullptr, false, false},
        {{}, hrDeny, nullptr, false, true},
        {{"otherhost"}, hrDeny, "127.0.0.2", true, false},
        {{"otherhost"}, hrDeny, "127.0.0.2", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.restriction) + " " + std::to_string(c.lines.size()) +
                     (c.reverseOnly ? " reverse only" : ""));
        if (c.from && secondHasName) GTEST_SKIP() << "127.0.0.2 has a name here";
        Server srv;
        srv.s.RestrictedHosts = c.lines;
        srv.s.Restriction = c.restriction;
        srv.s.AllowOnlyIfReverseDNS = c.reverseOnly;
        srv.s.Listen();
        const int peer = connectTo(srv.s.PortNumber(), c.from);
        ASSERT_TRUE(waitFor([&] { return srv.accepted + srv.rejected == 1; }));
        EXPECT_EQ(srv.accepted, c.accepted ? 1 : 0);
        if (!c.accepted) {
            EXPECT_TRUE(closedByPeer(peer));
        }
        ::close(peer);
    }
}
