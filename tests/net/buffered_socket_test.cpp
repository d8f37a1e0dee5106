#include "net/buffered_socket.h"
#include "net/sock_error.h"
#include "net_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

using namespace net;
using nettest::waitFor;

namespace {

// A buffered client whose socket is one end of a socket pair; the test writes to the other.
struct Pair {
    TBinaryClient client;
    TBufferedSocket* sock = nullptr;
    int peer = -1;
    std::vector<std::string> log;

    explicit Pair(uint32_t readSize = 4001, uint32_t writeSize = 4001) {
        client.ReadBufferSize = readSize;
        client.WriteBufferSize = writeSize;
        client.OnReadBufferChange = [this](TBufferedSocketBase* s) {
            log.push_back("change " + std::to_string(s->ReadCount()));
        };
        client.OnReadBufferEmpty = [this](TBufferedSocketBase*) { log.push_back("empty"); };
        client.OnWriteBufferFull = [this](TBufferedSocketBase*) { log.push_back("write full"); };
        client.OnDisconnect = [this](TSockCtrl*, TSocketBase*) { log.push_back("disconnect"); };
        int sv[2];
        socketpair(AF_UNIX, SOCK_STREAM, 0, sv);
        peer = sv[1];
        sock = client.BufferedSocket();
        sock->Attach(sv[0], csoRead | csoWrite);
    }
    ~Pair() {
        if (peer >= 0) ::close(peer);
    }
    void put(const std::string& s) {
        ASSERT_EQ(::send(peer, s.data(), s.size(), 0), static_cast<ssize_t>(s.size()));
    }
};

std::vector<std::string> errors;
struct CaptureErrors {
    CaptureErrors() {
        errors.clear();
        platform::SetErrorReporter([](const std::string& t) { errors.push_back(t); });
    }
    ~CaptureErrors() { platform::SetErrorReporter(nullptr); }
};

} // namespace

TEST(BufferedSocket, AHandlerThatTakesNothingEndsTheNotification) {
    CaptureErrors capture;
    Pair p;
    p.sock->OnReadBufferFull = [](TBufferedSocketBase*) {};
    p.put(std::string(4001, 'y'));
    ASSERT_TRUE(waitFor([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], "Read buffer full, user did not flush");
    EXPECT_EQ(p.sock->ReadCount(), 4001u) << "the buffer stays as it was";
}

TEST(BufferedSocket, ReadOperations) {
    Pair p;
    p.put(std::string("ab\r\r\nc", 6));
    ASSERT_TRUE(waitFor([&] { return p.sock->ReadCount() == 6; }));
    char buf[16];
    EXPECT_FALSE(p.sock->ReadBlock(buf, 7)) << "more than is held";
    EXPECT_EQ(p.sock->ReadCount(), 6u);
    EXPECT_THROW(p.sock->ReadBlock(buf, 0), EBufferedSocketException);
    std::string line;
    ASSERT_TRUE(p.sock->ReadLine(line, "\r\n", false));
    EXPECT_EQ(line, "ab\r");
    EXPECT_EQ(p.sock->ReadCount(), 1u);
    EXPECT_FALSE(p.sock->ReadLine(line, "\r\n", false)) << "no complete delimiter";
    p.log.clear();
    EXPECT_EQ(p.sock->ReadBuf(buf, 10), 1);
    EXPECT_EQ(buf[0], 'c');
    EXPECT_EQ(p.log, (std::vector<std::string>{"empty"}));
    p.log.clear();
    EXPECT_EQ(p.sock->ReadBuf(buf, 10), 0);
    EXPECT_TRUE(p.log.empty()) << "an empty buffer fires nothing";

    p.put("one\ntwo\n");
    ASSERT_TRUE(waitFor([&] { return p.sock->ReadCount() == 8; }));
    char small[4];
    EXPECT_FALSE(p.sock->ReadLineBuf(small, 4, true, "\n")) << "the line and its zero do not fit";
    char big[16];
    ASSERT_TRUE(p.sock->ReadLineBuf(big, 16, true, "\n"));
    EXPECT_STREQ(big, "one\n");
    ASSERT_TRUE(p.sock->ReadLineBuf(big, 16, false, "\n"));
    EXPECT_STREQ(big, "two");
}

TEST(BufferedSocket, WriteOperationsAndSizes) {
    Pair p(32, 16);
    TBufferedSocket* s = p.sock;
    EXPECT_TRUE(s->WriteBlock("0123456789", 10));
    EXPECT_FALSE(s->WriteLine("abcde", "\r\n")) << "7 bytes do not fit in 6";
    EXPECT_EQ(s->WriteCount(), 10u) << "not even the text is written";
    EXPECT_THROW(s->WriteBlock("abcdefg", 7), EBufferedSocketException);
    p.log.clear();
    EXPECT_TRUE(s->WriteBlock("abcdef", 6));
    EXPECT_EQ(p.log, (std::vector<std::string>{"write full"}));
    EXPECT_EQ(s->WriteBuf("z", 1), 0) << "no room";
    EXPECT_THROW(s->WriteBuf(std::string(17, 'q').data(), 17), EBufferedSocketException);
    EXPECT_THROW(s->SetWriteBufferSize(8), EBufferedSocketException);
    EXPECT_EQ(s->WriteBufferSize(), 16u);
    s->SetWriteBufferSize(64);
    EXPECT_EQ(s->WriteCount(), 16u);
    s->FlushWriteBuffer();
    EXPECT_EQ(s->WriteCount(), 0u);
    char got[32] = {};
    ASSERT_EQ(::recv(p.peer, got, sizeof got, 0), 16);
    EXPECT_EQ(std::string(got, 16), "0123456789abcdef");
    EXPECT_THROW(s->SetRecordSize(40), EBufferedSocketException) << "larger than the read buffer";
    s->SetRecordSize(8);
    EXPECT_TRUE(s->WriteRecord("recordAB"));
    EXPECT_THROW(s->Send("x", 1), EBufferedSocketException);
    char c;
    EXPECT_THROW(s->Recv(&c, 1), EBufferedSocketException);
}

TEST(BufferedSocket, PumpsMoveWholeStreams) {
    Pair p(64, 64);
    std::string payload;
    for (int i = 0; i < 1000; ++i) payload += std::to_string(i) + ",";
    bool sent = false;
    p.sock->OnFileSent = [&](TBufferedSocketBase*) { sent = true; };
    p.sock->StartSendStream(new TMemoryStream(payload), true);
    EXPECT_EQ(nettest::receive(p.peer, payload.size()), payload);
    EXPECT_TRUE(waitFor([&] { return sent; }));

    TMemoryStream sink;
    bool received = false;
    p.sock->OnFileReceived = [&](TBufferedSocketBase*) { received = true; };
    p.sock->StartReceiveStream(&sink, false, 300);
    p.put(std::string(300, 'r') + "tail");
    ASSERT_TRUE(waitFor([&] { return received; }));
    EXPECT_EQ(sink.Data, std::string(300, 'r'));
    EXPECT_EQ(p.sock->ReadCount(), 4u) << "what follows stays in the buffer";
}

namespace {
// Answers the first request as soon as its request line is in and closes with the rest of
// it unread (a reset); of the second connection it reports the first 16 bytes, in hex.
const char* const EarlyAnswerServer = R"(
import socket
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
s.bind(("127.0.0.1", 0))
s.listen(2)
print("PORT %d" % s.getsockname()[1], flush=True)
c, _ = s.accept()
data = b""
while b"\r\n" not in data:
    chunk = c.recv(4096)
    if not chunk:
        break
    data += chunk
c.sendall(b"HTTP/1.0 413 Too Large\r\n\r\n")
c.close()
c, _ = s.accept()
data = b""
while len(data) < 16:
    chunk = c.recv(65536)
    if not chunk:
        break
    data += chunk
print("FIRST " + data[:16].hex(), flush=True)
c.sendall(b"HTTP/1.0 200 OK\r\n\r\nok")
c.close()
)";
} // namespace

TEST(BinaryClient, AConnectionCutOffDuringAPostLeavesNothingForTheNextRequest) {
    CaptureErrors capture;
    testsupport::Peer server("python3", {"-c", EarlyAnswerServer});
    ASSERT_TRUE(server.started()) << server.errorText();

    TBinaryClient c;
    c.ReadBufferSize = 4001;
    c.WriteBufferSize = 4001;
    int connects = 0, disconnects = 0;
    uint32_t unsentAtCutOff = 0;
    c.OnConnect = [&](TSockCtrl*, TSocketBase* s) {
        auto* b = static_cast<TBufferedSocketBase*>(s);
        ASSERT_TRUE(s->Connected());
        if (++connects == 1) {
            // More than the kernel's buffers hold, so that the write buffer is full when
            // the server cuts the connection.
            const std::string body(8 << 20, 'x');
            b->StartSendStream(new TMemoryStream("POST / HTTP/1.0\r\nContent-Length: " +
                                                 std::to_string(body.size()) + "\r\n\r\n" + body),
                               true);
        } else {
            EXPECT_EQ(b->WriteCount(), 0u);
            EXPECT_EQ(b->ReadCount(), 0u);
            nettest::sendText(b, "GET / HTTP/1.0\r\n\r\n");
        }
    };
    c.OnDisconnect = [&](TSockCtrl*, TSocketBase* s) {
        if (++disconnects == 1) unsentAtCutOff = static_cast<TBufferedSocketBase*>(s)->WriteCount();
    };
    nettest::aim(c, server.port());
    c.Connect();
    ASSERT_TRUE(waitFor([&] { return disconnects == 1; }, 60000));
    ASSERT_GT(unsentAtCutOff, 0u) << "without bytes unsent at the cut-off this proves nothing";

    c.Connect();
    std::string out;
    ASSERT_TRUE(waitFor([&] {
        out += server.output();
        return out.find('\n', out.find("FIRST ")) != std::string::npos;
    }, 20000)) << out;
    const std::string first = QByteArray("GET / HTTP/1.0\r\n").toHex().toStdString();
    EXPECT_NE(out.find("FIRST " + first), std::string::npos) << out;
    EXPECT_EQ(connects, 2);
    EXPECT_TRUE(errors.empty()) << errors.front();
}
