// The buffered client's TLS mode against a real HTTPS server on 127.0.0.1: pages fetched,
// each verification failure refused with its own text, and handshakes that stall, break
// off, are stopped or arrive one byte at a time.
#include "net/buffered_socket.h"
#include "net/sock_error.h"
#include "net_test_support.h"
#include "tls_test_support.h"

#include <QFile>
#include <QTcpSocket>
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

// Each failed check is refused with its own text; a handshake that stalls gives the
// time-out, and one the server breaks off is a refusal too.
TEST_F(TlsClientTest, EveryHandshakeThatFailsEndsWithItsOwnEvent) {
    const std::string notSigned =
        "The certificate of 127.0.0.1 is not signed by a trusted authority";
    struct Case {
        const char* cert;
        bool withCa;
        const char* name;
        QStringList relay;
        const char* event;
        std::string text;
    };
    const Case cases[] = {
        {"self", true, "127.0.0.1", {}, "refused", notSigned},
        {"good", false, "127.0.0.1", {}, "refused", notSigned},
        {"expired", true, "127.0.0.1", {}, "refused", "The certificate of 127.0.0.1 has expired"},
        {"other", true, "127.0.0.1", {}, "refused",
         "The certificate is for other.example, not for 127.0.0.1"},
        {"good", true, "localhost", {}, "refused",
         "The certificate is for 127.0.0.1, not for localhost"},
        {"good", true, "127.0.0.1", {"--stall-after", "40"}, "timeout", ""},
        {"good", true, "127.0.0.1", {"--close-after", "40"}, "refused",
         "TLS handshake with 127.0.0.1 failed: the server closed the connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cert) + " as " + c.name + " " + c.relay.join(' ').toStdString());
        auto peer = server(c.cert, c.relay);
        Fetch f;
        f.client.SetTimeOut(std::string(c.event) == "timeout" ? 1 : 0);
        f.start(peer->port(), c.withCa ? authority().caFile() : "", c.name);
        ASSERT_TRUE(waitFor([&] { return f.done; }));
        EXPECT_EQ(f.log, std::vector<std::string>{c.event}) << "never a connection, never data";
        EXPECT_EQ(f.failure, c.text);
        EXPECT_EQ(f.lastError, f.log[0] == "refused" ? WSAECONNABORTED : 0);
        EXPECT_TRUE(f.body.empty());
        f.client.Close();
        EXPECT_FALSE(f.client.SocketIfAny()->Connected());
    }
}

TEST_F(TlsClientTest, StopDuringTheHandshakeEndsItQuietlyAndTheClientConnectsAgain) {
    auto stalling = server("good", {"--stall-after", "40"});
    Fetch f;
    int sends = 0;
    f.client.OnInfo = [&](TSockCtrl*, TSockInfo code, TSocketBase*) {
        if (code == siSend) ++sends;
    };
    f.start(stalling->port(), authority().caFile());
    ASSERT_TRUE(waitFor([&] { return sends > 0; })) << "the client hello went out";
    f.client.Close();
    EXPECT_FALSE(f.client.SocketIfAny()->Connected());
    EXPECT_TRUE(f.log.empty()) << "Stop reports nothing";

    // The same client, on to a server that answers: only that connection is reported.
    auto good = server("good");
    f.start(good->port(), authority().caFile());
    ASSERT_TRUE(waitFor([&] { return f.done; }));
    EXPECT_EQ(f.log, (std::vector<std::string>{"connect", "disconnect"}));
    EXPECT_EQ(f.content(), testsupport::readFile(site.file("page.html")));
}

TEST_F(TlsClientTest, TlsStartedInsideAProxyTunnel) {
    if (!QFile::exists("/usr/bin/tinyproxy")) GTEST_SKIP() << "tinyproxy is not installed";
    auto peer = server("good");
    const int proxyPort = nettest::closedPort();
    const std::string conf =
        site.write("tinyproxy.conf", "Port " + std::to_string(proxyPort) +
                                         "\nListen 127.0.0.1\nTimeout 30\nMaxClients 10\n"
                                         "Allow 127.0.0.1\nLogLevel Error\n");
    QProcess proxy;
    proxy.start("/usr/bin/tinyproxy", {"-d", "-c", QString::fromStdString(conf)});
    ASSERT_TRUE(proxy.waitForStarted());
    ASSERT_TRUE(waitFor([&] {
        QTcpSocket check;
        check.connectToHost("127.0.0.1", static_cast<quint16>(proxyPort));
        return check.waitForConnected(100);
    }));

    Fetch f;
    bool tunnel = false;
    std::string reply;
    // First the plain connection to the proxy; its OnConnect asks for the tunnel. The
    // answer is read line by line; after its blank line TLS starts, and the second
    // OnConnect is the one that sends the request.
    auto fetchConnect = f.client.OnConnect;
    f.client.OnConnect = [&](TSockCtrl* c, TSocketBase* s) {
        if (tunnel || !s->Connected()) return fetchConnect(c, s);
        const std::string target = "127.0.0.1:" + std::to_string(peer->port());
        nettest::sendText(static_cast<TBufferedSocketBase*>(s),
                          "CONNECT " + target + " HTTP/1.0\r\n\r\n");
    };
    f.client.OnRead = [&](TSockCtrl*, TSocketBase* s) {
        auto* b = static_cast<TBufferedSocketBase*>(s);
        std::string line;
        while (!tunnel && b->ReadLine(line, "\r\n", false)) {
            reply += line + "\n";
            if (line.empty()) {
                tunnel = true;
                b->StartTls("127.0.0.1", authority().caFile());
            }
        }
    };
    nettest::aim(f.client, proxyPort);
    f.client.Connect();
    ASSERT_TRUE(waitFor([&] { return f.done; }));
    EXPECT_EQ(reply.rfind("HTTP/1.0 200", 0), 0u) << reply;
    EXPECT_EQ(f.log, (std::vector<std::string>{"connect", "disconnect"}));
    EXPECT_EQ(f.content(), testsupport::readFile(site.file("page.html")));
    proxy.terminate();
    proxy.waitForFinished(3000);
}
