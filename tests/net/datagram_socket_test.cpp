#include "net/datagram_socket.h"
#include "net/server_socket.h"
#include "net/sock_error.h"
#include "net_test_support.h"

#include <gtest/gtest.h>

using namespace net;
using nettest::raised;
using nettest::waitFor;

namespace {

TSocketFactory datagramClass() {
    return [](TSockCtrl* o) { return std::make_unique<TDatagramSocket>(o); };
}

// A plain UDP socket on 127.0.0.1.
struct Peer : nettest::Listener {
    Peer() : Listener(0, SOCK_DGRAM) {}
    void sendTo(int p, const std::string& s) {
        const sockaddr_in a = nettest::loopback(p);
        ::sendto(fd, s.data(), s.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    }
    std::string take() { return nettest::receive(fd, 1); }
};

} // namespace

TEST(DatagramSocket, AServerReceivesAndAnswersDatagrams) {
    TBasicServerSocket s;
    s.SetAddress("127.0.0.1");
    s.SetPort("0");
    std::string got;
    sockaddr_in from{};
    s.OnRead = [&](TSockCtrl*, TSocketBase* sock) {
        char buf[64];
        const int n = static_cast<TDatagramSocket*>(sock)->RecvFrom(buf, sizeof buf, from);
        if (n > 0) got.assign(buf, static_cast<size_t>(n));
    };
    s.Listen(datagramClass(), "TDatagramSocket");
    ASSERT_GT(s.PortNumber(), 0);
    Peer peer;
    peer.sendTo(s.PortNumber(), "ping");
    ASSERT_TRUE(waitFor([&] { return got == "ping"; }));
    EXPECT_EQ(ntohs(from.sin_port), peer.port);
    auto* d = static_cast<TDatagramSocket*>(s.SocketIfAny());
    EXPECT_EQ(d->SendTo("pong", 4, "127.0.0.1", static_cast<uint16_t>(peer.port)), 4);
    EXPECT_EQ(peer.take(), "pong");
}

TEST(DatagramSocket, AClientConnectsAtOnceAndSends) {
    Peer peer;
    TBasicClientSocket c;
    c.SetSocketClass(datagramClass(), "TDatagramSocket");
    auto* d = static_cast<TDatagramSocket*>(c.Socket());
    EXPECT_NE(d->Handle(), INVALID_SOCKET) << "open from its creation";
    EXPECT_EQ(raised([&] { d->Send("x", 1); }), "Socket not open");
    EXPECT_EQ(raised([&] { d->SetSocketType(1); }), "Invalid type for a Datagram socket");
    c.SetAddress("127.0.0.1");
    c.SetPort(std::to_string(peer.port));
    c.Connect();
    EXPECT_TRUE(d->Connected());
    EXPECT_EQ(d->Send("hi", 2), 2);
    EXPECT_EQ(peer.take(), "hi");
    // SendTo with the component's port, to a name this time.
    EXPECT_EQ(d->SendTo("again", 5, "localhost"), 5);
    EXPECT_EQ(peer.take(), "again");
    const std::string huge(70000, 'x');
    EXPECT_EQ(raised([&] { d->Send(huge.data(), static_cast<int>(huge.size())); }),
              "Datagram exceeds Winsock's max UDP packet size");
    d->Close();
    EXPECT_NE(d->Handle(), INVALID_SOCKET) << "a fresh socket right after the close";
    EXPECT_FALSE(d->Connected());
}
