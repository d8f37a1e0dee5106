// The buffered client's TLS mode against a real HTTPS server on 127.0.0.1: pages fetched,
// verification failures refused with their own text, handshakes that break off or arrive
// one byte at a time. Stopping and proxy tunnels are proved through the window, in the
// shell's HTTPS tests.
#include "net/buffered_socket.h"
#include "net/sock_error.h"
#include "net_test_support.h"
#include "tls_test_support.h"

#include <gtest/gtest.h>

using namespace net;
using nettest::authority;
using nettest::waitFor;

namespace {

// A page large enough for many full read buffers, of bytes that show a misplaced piece.
std::string bigBody() {
    std::string s;
    for (int i = 0; s.size() < 300000; ++i)
        s += "line " + std::to_string(i) + "\n";
    return s;
}

class TlsClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!authority().ok) GTEST_SKIP() << "no test certificates: " << authority().failure;
        site.write("page.html", "<HTML><BODY>Hello over TLS</BODY></HTML>\n");
        site.write("big.bin", bigBody());
    }
    std::unique_ptr<testsupport::Peer> server(const std::string& cert,
                                              const QStringList& relay = {}) {
        auto p = nettest::startTlsServer(authority(), cert, site.path(), relay);
        EXPECT_TRUE(p->started()) << p->errorText();
        return p;
    }
    testsupport::TempDir site;
};

// One GET over a TLS connection of a buffered client, recorded event by event.
struct Fetch {
    TBinaryClient client;
    std::string body, failure;
    std::vector<std::string> log;
    bool done = false;
    int lastError = 0;

    Fetch() {
        client.ReadBufferSize = 4001;
        client.WriteBufferSize = 4001;
        client.OnConnect = [this](TSockCtrl*, TSocketBase* s) {
            auto* b = static_cast<TBufferedSocketBase*>(s);
            log.push_back(s->Connected() ? "connect" : "refused");
            if (!s->Connected()) {
                failure = b->TlsFailure();
                lastError = s->LastError;
                done = true;
                return;
            }
            nettest::sendText(b, "GET /" + path + " HTTP/1.0\r\n\r\n");
        };
        client.OnReadBufferFull = [this](TBufferedSocketBase* s) { take(s); };
        client.OnDisconnect = [this](TSockCtrl*, TSocketBase* s) {
            log.push_back("disconnect");
            take(static_cast<TBufferedSocketBase*>(s));
            failure = static_cast<TBufferedSocketBase*>(s)->TlsFailure();
            done = true;
        };
        client.OnTimeOut = [this](TSockCtrl*, TSocketBase*) {
            log.push_back("timeout");
            done = true;
        };
    }
    void take(TBufferedSocketBase* s) {
        char buf[4001];
        int n;
        while ((n = s->ReadBuf(buf, sizeof buf)) > 0)
            body.append(buf, static_cast<size_t>(n));
    }
    void start(int port, const std::string& caFile, const std::string& name = "127.0.0.1") {
        nettest::aim(client, port);
        client.SetTls(true, name, caFile);
        client.Connect();
    }
    // The body after the header, or the whole answer when there is no header end.
    std::string content() const {
        const size_t at = body.find("\r\n\r\n");
        return at == std::string::npos ? body : body.substr(at + 4);
    }
    std::string path = "page.html";
};

} // namespace

TEST_F(TlsClientTest, PagesArriveWholeInBigBodiesInOneByteRecordsAndWithTlsOff) {
    auto plain = server("good");
    auto dribbling = server("good", {"--dribble"});
    testsupport::Peer http("/usr/bin/python3", {testsupport::peerScript("http_server.py"),
                                                QString::fromStdString(site.path())});
    ASSERT_TRUE(http.started()) << http.errorText();
    const struct {
        const char* path;
        int port;
        bool tls;
    } cases[] = {{"page.html", plain->port(), true},
                 {"big.bin", plain->port(), true},
                 {"page.html", dribbling->port(), true},
                 {"big.bin", http.port(), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " from " + std::to_string(c.port));
        Fetch f;
        f.path = c.path;
        if (c.tls) {
            f.start(c.port, authority().caFile());
        } else {
            // TLS switched off again: a plain server's bytes are the bytes the owner reads,
            // through a look-up of the name and many full read buffers.
            f.client.SetTls(true, "127.0.0.1", "");
            f.client.SetTls(false, "", "");
            nettest::aim(f.client, c.port, "localhost");
            f.client.Connect();
        }
        ASSERT_TRUE(waitFor([&] { return f.done; }, 60000));
        EXPECT_EQ(f.log, (std::vector<std::string>{"connect", "disconnect"}));
        EXPECT_EQ(f.body.rfind("HTTP/1.0 200", 0), 0u) << f.body.substr(0, 100);
        EXPECT_EQ(f.content(), testsupport::readFile(site.file(c.path)));
        EXPECT_TRUE(f.failure.empty()) << f.failure;
        if (!c.tls) {
            EXPECT_FALSE(f.client.BufferedSocket()->TlsActive());
        }
    }
}

// Each failed check is refused with its own text, and never as a connection. A self-signed,
// an expired or another host's certificate, and a stalling handshake, are refused through the
// window in the shell's HTTPS tests.
TEST_F(TlsClientTest, EveryHandshakeThatFailsEndsWithItsOwnEvent) {
    struct Case {
        bool withCa;
        const char* name;
        QStringList relay;
        std::string text;
    };
    const Case cases[] = {
        {false, "127.0.0.1", {},
         "The certificate of 127.0.0.1 is not signed by a trusted authority"},
        {true, "localhost", {}, "The certificate is for 127.0.0.1, not for localhost"},
        {true, "127.0.0.1", {"--close-after", "40"},
         "TLS handshake with 127.0.0.1 failed: the server closed the connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto peer = server("good", c.relay);
        Fetch f;
        f.start(peer->port(), c.withCa ? authority().caFile() : "", c.name);
        ASSERT_TRUE(waitFor([&] { return f.done; }));
        EXPECT_EQ(f.log, std::vector<std::string>{"refused"}) << "never a connection, never data";
        EXPECT_EQ(f.failure, c.text);
        EXPECT_EQ(f.lastError, WSAECONNABORTED);
        EXPECT_TRUE(f.body.empty());
        f.client.Close();
        EXPECT_FALSE(f.client.SocketIfAny()->Connected());
    }
}
