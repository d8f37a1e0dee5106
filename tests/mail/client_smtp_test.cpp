// TClientsmtp over real sockets on 127.0.0.1: a real SMTP server (aiosmtpd), a scripted
// server that lets the file pile up before it reads, a listener that never answers and a
// port where nobody listens.
#include "mail/client_smtp.h"
#include "mail_test_support.h"
#include "net/net_test_support.h"
#include "net/socket_components.h"

#include <QTimer>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace mail;
using testsupport::TempDir;

namespace {

class ClientSmtp : public testing::Test {
protected:
    void SetUp() override {
        if (!mailtest::server().started()) GTEST_SKIP() << mailtest::server().errorText();
        c.Host = "127.0.0.1";
        c.Port = mailtest::server().port();
        c.From = "ann";
        c.TimeOut = 10;
    }
    TClientsmtp c;
    TempDir dir;
};

// Who the message is from and to, and the sizes counted, are the dialog's and the session's
// tests; the whole of a file that takes many blocks only this one sees arrive.
TEST_F(ClientSmtp, ALargeMessageArrivesByteForByte) {
    // Many blocks of the file, and a last line without its line end.
    std::string body = "Subject: greetings\r\n\r\n";
    for (int i = 0; body.size() < 3'000'000; ++i)
        body += "line " + std::to_string(i) + " of a long message\r\n";
    body += "there";
    c.ToAddress = "bob@example.org";
    c.SUBJECT = "greetings";
    c.FileToSend = dir.write("msg", body);
    ASSERT_TRUE(c.SendMail()) << c.Error;
    const mailtest::Delivery d = mailtest::nextDelivery();
    const std::string expected = "SUBJECT: greetings\r\n" + body + "\r\n";
    // Not EXPECT_EQ: a line diff of megabytes would take all the memory there is.
    EXPECT_EQ(d.content.size(), expected.size());
    const auto differ = std::mismatch(d.content.begin(), d.content.end(), expected.begin(),
                                      expected.end());
    EXPECT_TRUE(d.content == expected) << "differs at " << differ.first - d.content.begin();
    EXPECT_FALSE(c.ControlSocket().SocketIfAny()->Connected());
}

TEST(ClientSmtpFailures, NoServerSilenceAndNoSettings) {
    TempDir dir;
    nettest::Listener silent; // connects, but the greeting never comes
    const struct {
        const char* host;
        int port;
        const char* error;
    } cases[] = {
        {"127.0.0.1", nettest::closedPort(), "Error 10061 (Connection refused) connecting"},
        {"127.0.0.1", silent.port, "Time out"},
        {"", 25, "No address specified"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.error);
        TClientsmtp c;
        c.Host = k.host;
        c.Port = k.port;
        c.ToAddress = "b";
        c.FileToSend = dir.write("msg", "text");
        c.TimeOut = 1;
        EXPECT_FALSE(c.SendMail());
        EXPECT_EQ(c.Error, k.error);
    }
}

// Speaks SMTP on one connection and, after the go-ahead for the data, reads nothing until
// Go is set: the client's socket fills up and must wait for write notifications.
class HoldingServer : public nettest::ThreadServer {
public:
    HoldingServer() : ThreadServer(4096) { start(); }
    ~HoldingServer() override {
        Go = true;
        stop();
    }
    std::atomic<bool> Go{false};
    std::atomic<size_t> DataBytes{0};

private:
    void run() override {
        if (!readable(Listen.fd)) return;
        const int fd = Listen.acceptOne();
        put(fd, "220 holding\r\n");
        std::string in;
        char buf[65536];
        bool inData = false;
        while (readable(fd)) {
            if (inData)
                while (!Go && !stopping())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            const size_t from = in.size() < 4 ? 0 : in.size() - 4;
            in.append(buf, static_cast<size_t>(n));
            if (inData) {
                const size_t end = in.find("\r\n.\r\n", from);
                if (end == std::string::npos) continue;
                DataBytes = end + 5;
                in.erase(0, end + 5);
                inData = false;
                put(fd, "250 taken\r\n");
                continue;
            }
            std::string cmd;
            while (!inData && takeLine(in, cmd)) {
                if (cmd == "data") {
                    inData = true;
                    put(fd, "354 go\r\n");
                } else if (cmd == "quit") {
                    put(fd, "221 bye\r\n");
                } else {
                    put(fd, "250 ok\r\n");
                }
            }
        }
        ::close(fd);
    }
};

TEST(ClientSmtpBlocks, AFileThatFillsTheConnectionResumesOnWriteNotifications) {
    HoldingServer server;
    TempDir dir;
    const std::string body(8 << 20, 'm');
    TClientsmtp c;
    c.Host = "127.0.0.1";
    c.Port = server.port();
    c.ToAddress = "b";
    c.AddEndOfDAta = false;
    c.FileToSend = dir.write("msg", body + "\r\n.\r\n");
    // The server starts reading only once a send has found the connection full.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (c.StalledSends() > 0 || c.State() == smEndOfData) server.Go = true;
    });
    watch.start(5);
    ASSERT_TRUE(c.SendMail()) << c.Error;
    EXPECT_GT(c.StalledSends(), 0);
    EXPECT_EQ(server.DataBytes, strlen("SUBJECT: \r\n") + body.size() + 5);
    EXPECT_EQ(c.BytesSent(), static_cast<int64_t>(body.size()) + 5);
}

} // namespace
