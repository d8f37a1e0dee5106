// TClientFTP against real servers on 127.0.0.1: pyftpdlib (anonymous, read-only), and a
// scripted server for what pyftpdlib will not do (stall on the data connection).
#include "ftp/client_ftp.h"
#include "net/net_test_support.h"
#include "net/socket_components.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace ftp;
using testsupport::Peer;
using testsupport::TempDir;

namespace {

std::string binaryContent() {
    std::string data;
    for (uint32_t i = 0; i < 300000; ++i) data += static_cast<char>(i * 7919u % 256u);
    return data + "\n\r\n";
}

struct PyFtpd {
    TempDir root;
    std::unique_ptr<Peer> server;
    PyFtpd() {
        root.write("readme.txt", "hello\n");
        root.write("bin/data.bin", binaryContent());
        root.write("pub/sub/deep.txt", "deep");
        server = std::make_unique<Peer>(
            "/usr/bin/python3", QStringList{testsupport::peerScript("ftp_server.py"),
                                            QString::fromStdString(root.path())});
    }
};

PyFtpd& pyftpd() {
    static PyFtpd p;
    return p;
}

class ClientFtp : public testing::Test {
protected:
    void SetUp() override {
        if (!pyftpd().server->started()) GTEST_SKIP() << pyftpd().server->errorText();
        c.Host = "127.0.0.1";
        c.Port = pyftpd().server->port();
        c.User = "anonymous";
        c.Password = "guest@example.org";
        c.TimeOut = 10;
    }
    bool login() {
        std::string home, system;
        return c.Login(home, system);
    }
    TClientFTP c;
    TempDir scratch;
};

} // namespace

TEST_F(ClientFtp, AnonymousLogInListAndLogout) {
    ASSERT_TRUE(login()) << c.Error;
    c.RemotePath = "/";
    EXPECT_FALSE(c.IsFile());
    EXPECT_FALSE(c.Error.empty()) << "the server says why SIZE failed";
    // pyftpdlib's own listing format, not a recorded one.
    const std::string base = "ftp://127.0.0.1:" + std::to_string(c.Port) + "/";
    EXPECT_EQ(c.List(true, true),
              (std::vector<std::string>{
                  "<HTML><HEAD></HEAD><BODY>",
                  "<B>DIR:</B>  <A HREF=" + base + "bin>bin</A><BR>",
                  "<B>DIR:</B>  <A HREF=" + base + "pub>pub</A><BR>",
                  "<B>FILE:</B> <A HREF=" + base + "readme.txt>readme.txt</A><BR>",
                  "</BODY></HTML>"}));
    c.Logout();
    EXPECT_FALSE(c.Succeeded());
    EXPECT_FALSE(c.ControlSocket().SocketIfAny()->Connected());
}

TEST_F(ClientFtp, AFileArrivesByteForByteWithProgress) {
    ASSERT_TRUE(login()) << c.Error;
    c.RemotePath = "/bin/data.bin";
    const std::string expected = binaryContent();
    EXPECT_TRUE(c.IsFile());
    int64_t last = 0;
    int calls = 0;
    c.OnProgress = [&](TClientFTP*, int64_t bytes) {
        EXPECT_GE(bytes, last);
        last = bytes;
        ++calls;
    };
    const std::string local = scratch.file("data.bin");
    for (int round = 0; round < 2; ++round) { // a further transfer on the same session
        SCOPED_TRACE(round);
        last = 0;
        ASSERT_TRUE(c.GetFile(local)) << c.Error;
        EXPECT_EQ(testsupport::readFile(local), expected);
        EXPECT_EQ(last, static_cast<int64_t>(expected.size()));
    }
    EXPECT_GT(calls, 2);
    EXPECT_EQ(c.DataSocket(), nullptr) << "the data socket lives only during a transfer";
    c.Logout();
}

TEST_F(ClientFtp, ABusyDataPortIsPassedOver) {
    ASSERT_TRUE(login());
    // Another program holds the port the next transfer would use.
    std::unique_ptr<nettest::Listener> holder;
    int next = 1390;
    for (; next < 1600; ++next) {
        holder = std::make_unique<nettest::Listener>(1, SOCK_STREAM, next);
        if (holder->port == next) break;
    }
    ASSERT_LT(next, 1600);
    c.SetDataPort(next - 1);
    c.RemotePath = "/readme.txt";
    EXPECT_TRUE(c.GetFile(scratch.file("r"))) << c.Error;
    EXPECT_NE(c.DataPort(), next);
    c.Logout();
}

TEST_F(ClientFtp, ConnectionFailures) {
    c.Port = nettest::closedPort();
    EXPECT_FALSE(login());
    EXPECT_EQ(c.Error, "Error 10061 (Connection refused) connecting");
    c.RemotePath = "/";
    EXPECT_FALSE(c.GetFile(scratch.file("x")));
    EXPECT_EQ(c.Error, "Socket not open");
    c.Host.clear();
    EXPECT_FALSE(login());
    EXPECT_EQ(c.Error, "No address specified");
}

namespace {

// A server that logs anyone in and, on LIST or RETR, connects to the announced data port
// and then sends nothing on it.
class StallingServer : public nettest::ThreadServer {
public:
    StallingServer() { start(); }
    ~StallingServer() override { stop(); }

private:
    void run() override {
        if (!readable(Listen.fd)) return;
        const int ctl = Listen.acceptOne();
        put(ctl, "220 script\r\n");
        std::string pending;
        int data = -1;
        sockaddr_in target{};
        char buf[512];
        while (readable(ctl)) {
            const ssize_t n = ::read(ctl, buf, sizeof buf);
            if (n <= 0) break;
            pending.append(buf, static_cast<size_t>(n));
            std::string cmd;
            while (takeLine(pending, cmd)) {
                const std::string verb = cmd.substr(0, 4);
                if (verb == "USER") put(ctl, "230 in\r\n");
                else if (verb == "PWD") put(ctl, "257 \"/\"\r\n");
                else if (verb == "SYST") put(ctl, "215 UNIX Type: L8\r\n");
                else if (verb == "TYPE") put(ctl, "200 I\r\n");
                else if (verb == "PORT") {
                    // Always on loopback: only the port of the announced address is used.
                    int h[6] = {};
                    std::sscanf(cmd.c_str() + 5, "%d,%d,%d,%d,%d,%d", &h[0], &h[1], &h[2], &h[3],
                                &h[4], &h[5]);
                    target = nettest::loopback(h[4] * 256 + h[5]);
                    put(ctl, "200 ok\r\n");
                } else if (verb == "LIST" || verb == "RETR") {
                    put(ctl, "150 here it comes\r\n");
                    data = ::socket(AF_INET, SOCK_STREAM, 0);
                    ::connect(data, reinterpret_cast<sockaddr*>(&target), sizeof target);
                } else if (verb == "QUIT") {
                    put(ctl, "221 bye\r\n");
                } else {
                    put(ctl, "502 no\r\n");
                }
            }
        }
        if (data >= 0) ::close(data);
        ::close(ctl);
    }
};

} // namespace

TEST(ClientFtpScripted, AServerThatStallsOnTheDataConnectionTimesOut) {
    StallingServer server;
    TempDir scratch;
    TClientFTP c;
    c.TimeOut = 1;
    c.Host = "127.0.0.1";
    c.Port = server.port();
    std::string home, system;
    ASSERT_TRUE(c.Login(home, system)) << c.Error;
    c.RemotePath = "/big";
    EXPECT_FALSE(c.GetFile(scratch.file("big")));
    EXPECT_EQ(c.Error, "Time out");
    EXPECT_EQ(c.DataSocket(), nullptr);
}

// The window that owns the client may close while Login waits for the host's address:
// Login then returns without touching the client again (ASan catches any later use).
TEST(ClientFtpLifetime, DestroyedDuringTheHostLookUpOfLogin) {
    nettest::HeldResolver resolver;
    nettest::Listener silent; // would take the connection and never greet
    auto* c = new TClientFTP;
    c->Host = "localhost";
    c->Port = silent.port;
    c->TimeOut = 10;
    bool destroyed = false;
    nettest::Later closeWindow([&] {
        ASSERT_TRUE(resolver.entered());
        delete c;
        destroyed = true;
    });
    std::string home, system;
    EXPECT_FALSE(c->Login(home, system));
    EXPECT_TRUE(destroyed);
    resolver.release();
    EXPECT_TRUE(nettest::waitFor([] { return net::LookupThreads() == 0; }));
    platform::ProcessMessages();
}
