// TTlsSession on its own: driven by a blocking poll loop over a non-blocking socket, as a
// worker thread drives it, and its refusals before anything is sent.
#include "net/tls_session.h"
#include "tls_test_support.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using net::TTlsSession;

namespace {

const nettest::TestAuthority& authority() {
    static const nettest::TestAuthority ca;
    return ca;
}

// A blocking fetch as a worker thread does it: every wait is a poll() with a limit, and
// the session only ever sees bytes in memory.
struct BlockingFetch {
    int fd = -1;
    std::string answer;
    ~BlockingFetch() {
        if (fd >= 0) ::close(fd);
    }

    bool wait(short events) {
        pollfd p{fd, events, 0};
        return ::poll(&p, 1, 10000) > 0;
    }
    // Sends everything the session has to say; false when the connection broke.
    bool flush(TTlsSession& s) {
        char buf[16384];
        size_t n;
        while ((n = s.TakeCipher(buf, sizeof buf)) > 0) {
            for (size_t off = 0; off < n;) {
                const ssize_t w = ::send(fd, buf + off, n - off, MSG_NOSIGNAL);
                if (w > 0) {
                    off += static_cast<size_t>(w);
                } else if (w < 0 && errno == EAGAIN) {
                    if (!wait(POLLOUT)) return false;
                } else {
                    return false;
                }
            }
        }
        return true;
    }
    // Feeds the session what has arrived, waiting for some; false at the transport's end.
    bool receive(TTlsSession& s) {
        if (!wait(POLLIN)) {
            s.TransportClosed();
            return false;
        }
        char buf[16384];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n > 0) {
            s.PutCipher(buf, static_cast<size_t>(n));
            return true;
        }
        if (n < 0 && errno == EAGAIN) return true;
        s.TransportClosed();
        return false;
    }

    // Connects, shakes hands, sends Request and reads to the end; the session's state is
    // the result.
    void run(TTlsSession& s, int port, const std::string& request) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS)
            return;
        if (!wait(POLLOUT)) return;
        while (s.Handshake() == TTlsSession::tsHandshaking) {
            if (!flush(s)) return;
            if (!receive(s)) break;
        }
        flush(s); // the alert of a refusal, or the client's last handshake words
        if (s.State() != TTlsSession::tsEstablished) return;
        for (size_t off = 0; off < request.size();)
            off += static_cast<size_t>(s.Write(request.data() + off, request.size() - off));
        if (!flush(s)) return;
        char buf[4096];
        for (;;) {
            const int n = s.Read(buf, sizeof buf);
            if (n > 0) {
                answer.append(buf, static_cast<size_t>(n));
                continue;
            }
            if (n < 0) return;
            flush(s);
            receive(s);
        }
    }
};

} // namespace

TEST(TlsSession, ABlockingPollLoopFetchesAPageOnAWorkerThread) {
    if (!authority().ok) GTEST_SKIP() << authority().failure;
    testsupport::TempDir site;
    site.write("page.html", "Hello from the worker\n");
    auto peer = nettest::startTlsServer(authority(), "good", site.path(), {"--dribble"});
    ASSERT_TRUE(peer->started()) << peer->errorText();
    TTlsSession s("127.0.0.1", authority().caFile());
    BlockingFetch f;
    std::thread worker([&] { f.run(s, peer->port(), "GET /page.html HTTP/1.0\r\n\r\n"); });
    worker.join();
    EXPECT_EQ(s.State(), TTlsSession::tsClosed) << s.Failure();
    EXPECT_EQ(f.answer.rfind("HTTP/1.0 200", 0), 0u) << f.answer;
    EXPECT_NE(f.answer.find("\r\n\r\nHello from the worker\n"), std::string::npos);
}

TEST(TlsSession, ARefusalInABlockingLoopNamesTheCheck) {
    if (!authority().ok) GTEST_SKIP() << authority().failure;
    testsupport::TempDir site;
    auto peer = nettest::startTlsServer(authority(), "expired", site.path());
    ASSERT_TRUE(peer->started()) << peer->errorText();
    TTlsSession s("127.0.0.1", authority().caFile());
    BlockingFetch f;
    f.run(s, peer->port(), "GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(s.State(), TTlsSession::tsFailed);
    EXPECT_EQ(s.Failure(), "The certificate of 127.0.0.1 has expired");
    EXPECT_TRUE(f.answer.empty());
    char buf[16];
    EXPECT_EQ(s.Read(buf, sizeof buf), -1) << "nothing is ever read after a refusal";
    EXPECT_EQ(s.Write("x", 1), 0);
}

TEST(TlsSession, RefusalsBeforeAnythingIsSent) {
    struct Case {
        const char* host;
        std::string caFile;
        std::string text;
    };
    const std::string missing = std::string(TEST_BINARY_DIR) + "/no-such-authorities.pem";
    const Case cases[] = {
        {"", "", "TLS needs the name of the host to check its certificate"},
        {"example.org", missing, "The trusted authorities in " + missing + " could not be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TTlsSession s(c.host, c.caFile);
        EXPECT_EQ(s.Handshake(), TTlsSession::tsFailed);
        EXPECT_EQ(s.Failure(), c.text);
        EXPECT_EQ(s.CipherPending(), 0u);
    }
}

TEST(TlsSession, AServerNameGoesOutInTheHelloAndAnAddressDoesNot) {
    // The client hello is plain: the name the server is asked for can be seen in it.
    auto hello = [](const std::string& host) {
        TTlsSession s(host, "");
        EXPECT_EQ(s.Handshake(), TTlsSession::tsHandshaking);
        std::string bytes(s.CipherPending(), '\0');
        bytes.resize(s.TakeCipher(bytes.data(), bytes.size()));
        return bytes;
    };
    EXPECT_NE(hello("www.example.org").find("www.example.org"), std::string::npos);
    EXPECT_EQ(hello("192.0.2.7").find("192.0.2.7"), std::string::npos);
    EXPECT_EQ(hello("[::1]").find("::1"), std::string::npos);
}

TEST(TlsSession, GarbageFromThePeerFailsTheHandshakeWithItsText) {
    TTlsSession s("127.0.0.1", "");
    s.Handshake();
    const std::string junk = "HTTP/1.0 400 Bad Request\r\n\r\n";
    s.PutCipher(junk.data(), junk.size());
    EXPECT_EQ(s.Handshake(), TTlsSession::tsFailed);
    EXPECT_EQ(s.Failure().rfind("TLS handshake with 127.0.0.1 failed: ", 0), 0u) << s.Failure();
}
