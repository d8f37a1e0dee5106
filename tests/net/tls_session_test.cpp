// TTlsSession on its own, fed bytes in memory: its refusals before anything is sent, what
// its client hello shows, and a peer that does not speak TLS. Whole connections are in
// buffered_socket_tls_test.cpp.
#include "net/tls_session.h"
#include "tls_test_support.h"

#include <gtest/gtest.h>

using net::TTlsSession;

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
        char buf[16];
        EXPECT_EQ(s.Read(buf, sizeof buf), -1) << "nothing is ever read after a refusal";
        EXPECT_EQ(s.Write("x", 1), 0);
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
