// The SMTP dialogue driven with recorded replies, every reply also split at every byte
// boundary, without sockets; and the message file going out in blocks over a connection
// that takes less than it is offered.
#include "mail/smtp_session.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mail;
using testsupport::TempDir;

namespace {

class Scripted : public TSmtpSession {
public:
    std::string wire;           // every byte the connection took
    std::vector<size_t> offers; // the size of every offer
    size_t room = SIZE_MAX;     // bytes the connection takes before it would block
    bool open = true, timer = false;

    // Starts a delivery of Body from a file in Dir to To through host "h".
    bool begin(const TempDir& dir, const std::string& to = "b", const std::string& body = "x") {
        FileToSend = dir.write("msg", body);
        Host = "h";
        ToAddress = to;
        return StartSending();
    }
    void say(std::initializer_list<const char*> replies) {
        for (const char* r : replies)
            ReplyData(r, strlen(r));
    }

protected:
    int SendBytes(const char* data, size_t count) override {
        if (!open) return -1;
        offers.push_back(count);
        const size_t n = std::min(count, room);
        if (room != SIZE_MAX) room -= n;
        wire.append(data, n);
        return static_cast<int>(n);
    }
    void CloseConnection() override { open = false; }
    void SetTimer(bool running) override { timer = running; }
    std::string LocalAddress() override { return "10.0.0.7"; }
};

struct Step {
    std::string reply;
    std::string answer; // what must go out after it (empty: nothing)
};

const std::string Body = "Subject: x\r\n\r\nline one\r\n";
const std::string Data = "SUBJECT: hi\r\n" + Body + "\r\n.\r\n";

struct Dialogue {
    const char* name;
    std::vector<std::string> more; // recipients after bob@x
    std::vector<Step> steps;
    bool succeeded;
    const char* error;
};

const std::vector<Step> opening = {
    {"220-mail.example.org ESMTP\r\n220-more words\r\n220 ready\r\n", "helo 10.0.0.7\r\n"},
    {"250-hello 10.0.0.7\r\n250 HELP\r\n", "mail from: ann@x\r\n"},
};

std::vector<Step> with(std::vector<Step> steps) {
    steps.insert(steps.begin(), opening.begin(), opening.end());
    return steps;
}

const Step toBob = {"250 ok\r\n", "rcpt to: <bob@x>\r\n"}, toData = {"250 ok\r\n", "data\r\n"};

const Dialogue dialogues[] = {
    {"delivered to three, a 452 taken as acceptance",
     {"carol@y", "dave@z"},
     with({toBob,
           {"250 ok\r\n", "rcpt to: <carol@y>\r\n"},
           {"452 later\r\n", "rcpt to: <dave@z>\r\n"},
           toData,
           {"354 go ahead\r\n", Data},
           {"250 queued\r\n", "quit\r\n"},
           {"221 bye\r\n", ""}}),
     true,
     ""},
    {"multi-line greeting 554", {}, {{"554-go\r\n554 away\r\n", ""}}, false, "No connection"},
    {"HELO refused", {}, {opening[0], {"501 who?\r\n", ""}}, false, "Error in HELO"},
    {"MAIL FROM refused", {}, with({{"553 bad sender\r\n", ""}}), false, "Error in MAIL FROM"},
    {"a recipient but the last refused", {"carol@y"}, with({toBob, {"550 no bob\r\n", ""}}), false,
     "Error in MAIL FROM"},
    {"the last recipient refused", {"carol@y"},
     with({toBob, {"250 ok\r\n", "rcpt to: <carol@y>\r\n"}, {"550 no carol\r\n", ""}}), false,
     "Error in RCPT TO"},
    {"DATA answered 451", {}, with({toBob, toData, {"451 busy\r\n", ""}}), false, "Error in DATA"},
    {"DATA answered 250", {}, with({toBob, toData, {"250 what\r\n", ""}}), false, "Error in DATA"},
    {"the message refused at its end", {},
     with({toBob, toData, {"354 go\r\n", Data}, {"554 spam\r\n", ""}}), false, "Error in DATA"},
};

TEST(SmtpSession, EveryDialogueWithEverySplitOfEveryReply) {
    for (const Dialogue& d : dialogues) {
        SCOPED_TRACE(d.name);
        size_t longest = 0;
        for (const Step& st : d.steps)
            longest = std::max(longest, st.reply.size());
        for (size_t split = 0; split <= longest; ++split) {
            SCOPED_TRACE("split " + std::to_string(split));
            TempDir dir;
            Scripted s;
            s.From = "ann@x";
            s.SUBJECT = "hi";
            s.Recipients = d.more;
            ASSERT_TRUE(s.begin(dir, "bob@x", Body)) << s.Error;
            s.Connected();
            EXPECT_TRUE(s.timer);
            for (const Step& st : d.steps) {
                ASSERT_FALSE(s.Finished()) << "ended before " << st.reply;
                const size_t before = s.wire.size();
                testsupport::feedSplit(
                    st.reply, split, [&](const char* p, size_t n) { s.ReplyData(p, n); },
                    [&](size_t at) { EXPECT_EQ(s.wire.size(), before) << "answered at " << at; });
                EXPECT_EQ(s.wire.substr(before), st.answer) << "after " << st.reply;
                if (!s.Finished()) {
                    EXPECT_TRUE(s.timer) << "a reply is awaited after " << st.reply;
                }
            }
            EXPECT_TRUE(s.Finished());
            EXPECT_EQ(s.Succeeded(), d.succeeded);
            EXPECT_EQ(s.Error, d.error);
            EXPECT_FALSE(s.open) << "the connection is closed at the end";
            EXPECT_FALSE(s.timer);
            // Nothing the server says afterwards is answered.
            const size_t after = s.wire.size();
            s.say({"250 late\r\n"});
            EXPECT_EQ(s.wire.size(), after);
        }
    }
}

// A session whose dialogue has reached the go-ahead for the data.
struct AtData {
    TempDir dir;
    Scripted s;
    explicit AtData(const std::string& body) {
        s.From = "a";
        s.AddEndOfDAta = false;
        EXPECT_TRUE(s.begin(dir, "b", body));
        s.Connected();
        s.say({"220 hi\r\n", "250 hi\r\n", "250 ok\r\n", "250 ok\r\n"});
        EXPECT_EQ(s.State(), smData);
        s.offers.clear();
        s.wire.clear();
    }
};

TEST(SmtpFile, AConnectionThatTakesLessResumesOnWriteNotifications) {
    std::string body(30000, 'x');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>('a' + i % 26);
    AtData p(body);
    p.s.SUBJECT = "a subject";
    p.s.room = 4; // even the subject line must wait
    p.s.say({"354 go\r\n"});
    int notifications = 0;
    while (p.s.State() == smData && notifications++ < 100) {
        EXPECT_TRUE(p.s.timer) << "a connection that never takes more must time out";
        p.s.room = 3000;
        p.s.WriteReady();
    }
    EXPECT_EQ(p.s.wire, "SUBJECT: a subject\r\n" + body);
    EXPECT_EQ(p.s.BytesSent(), 30000);
    EXPECT_GE(p.s.StalledSends(), 10);
    // Each block is read once: the offers after a stall go on where it stopped.
    EXPECT_EQ(std::count(p.s.offers.begin(), p.s.offers.end(), 8192u), 3);
    EXPECT_EQ(std::count(p.s.offers.begin(), p.s.offers.end(), 30000u - 3 * 8192u), 1);
    EXPECT_EQ(p.s.State(), smEndOfData);
    EXPECT_TRUE(p.s.timer) << "the final reply is awaited";
    p.s.say({"250 ok\r\n"});
    EXPECT_EQ(p.s.wire.substr(p.s.wire.size() - 6), "quit\r\n");

    AtData refused(body);
    refused.s.room = 100;
    refused.s.say({"354 go\r\n", "552 too big\r\n"});
    EXPECT_EQ(refused.s.Error, "Error in DATA");
    EXPECT_FALSE(refused.s.open);
}

TEST(SmtpStart, WhatEndsADeliveryBeforeItBegins) {
    TempDir dir;
    const std::string file = dir.write("msg", "x");
    ASSERT_EQ(::symlink(file.c_str(), dir.file("link").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const struct {
        const char* name;
        std::string fileToSend, host, to;
        std::vector<std::string> more;
        const char* error;
    } cases[] = {
        {"no such file", dir.file("none"), "h", "b", {}, ""},
        {"a directory", dir.path(), "h", "b", {}, ""},
        {"a link", dir.file("link"), "h", "b", {}, ""},
        {"a pipe", dir.file("fifo"), "h", "b", {}, ""},
        {"no host", file, "", "b", {}, "No address specified"},
        {"no recipient at all", file, "h", "", {"", ""}, "No recipient"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scripted s;
        s.FileToSend = c.fileToSend;
        s.Host = c.host;
        s.ToAddress = c.to;
        s.Recipients = c.more;
        s.AddEndOfDAta = false;
        EXPECT_FALSE(s.StartSending());
        EXPECT_EQ(s.Error, c.error);
        EXPECT_TRUE(s.Finished());
    }
}

TEST(SmtpStart, SettingsTakenWhenSendingStarts) {
    TempDir dir;
    for (auto [given, used] : {std::pair{45, 30}, {5, 5}, {0, 10}, {-3, 10}}) {
        SCOPED_TRACE(given);
        Scripted s;
        s.TimeOut = given;
        ASSERT_TRUE(s.begin(dir));
        EXPECT_EQ(s.TimeOut, used);
    }
    // Split addresses are trimmed and added to those already there.
    Scripted s;
    s.Recipients = {"first"};
    s.SplitRecipients(" a , b ,");
    EXPECT_EQ(s.Recipients, (std::vector<std::string>{"first", "a", "b", ""}));
    ASSERT_TRUE(s.begin(dir, ""));
    EXPECT_EQ(s.Targets(), (std::vector<std::string>{"first", "a", "b"}))
        << "empty addresses are not sent";
}

TEST(SmtpEnd, ClosesLineEndsAndGarbage) {
    TempDir dir;
    const auto started = [&](Scripted& s, const char* to,
                             std::initializer_list<const char*> replies) {
        ASSERT_TRUE(s.begin(dir, to));
        s.Connected();
        s.say(replies);
    };
    Scripted closed, afterQuit, smuggled, junk;
    started(closed, "b", {"220 hi\r\n"});
    closed.ConnectionClosed();
    EXPECT_EQ(closed.Error, "Disconnected");
    // A server that hangs up instead of answering QUIT has taken the message.
    started(afterQuit, "b",
            {"220 hi\r\n", "250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n"});
    ASSERT_EQ(afterQuit.State(), smQuit);
    afterQuit.ConnectionClosed();
    EXPECT_TRUE(afterQuit.Succeeded());
    started(smuggled, "b>\r\nrset", {"220 hi\r\n", "250 hi\r\n", "250 ok\r\n"});
    EXPECT_EQ(smuggled.Error, "Invalid character in SMTP command");
    EXPECT_EQ(smuggled.wire.find("rset"), std::string::npos);
    // Bytes that are no reply at all, and a line that never ends: no crash, no growth.
    started(junk, "b", {});
    const std::string noise(100000, '\x7f');
    junk.ReplyData(noise.data(), noise.size());
    junk.ReplyData("\0\0\n\n\n\n\n\n\n\n", 10);
    EXPECT_TRUE(junk.Finished());
}

} // namespace
