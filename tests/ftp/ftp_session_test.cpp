// The FTP dialogue driven with recorded replies, every reply also split at every byte
// boundary, without sockets.
#include "ftp/ftp_session.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <functional>
#include <set>

using namespace ftp;

namespace {

class Scripted : public TFtpSession {
public:
    std::vector<std::string> sent;
    bool open = true;
    bool timer = false;
    int listening = 0;
    std::set<int> busy;

    Scripted() {
        Host = "10.0.0.1";
        User = "anonymous";
        Password = "guest@";
    }
    void reply(const std::string& text) { ControlData(text.data(), text.size()); }

protected:
    bool SendCommand(const std::string& text) override {
        if (!open) return false;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        sent.push_back(text.substr(0, text.size() - 2));
        return true;
    }
    bool ControlOpen() override { return open; }
    void CloseControl() override { open = false; }
    void SetInactivityTimer(bool running) override { timer = running; }
    bool OpenDataPort(int port) override {
        if (busy.count(port)) return false;
        listening = port;
        return true;
    }
    void CloseDataPort() override { listening = 0; }
    std::string LocalAddress() override { return "10.0.0.7"; }
};

struct Step {
    std::string reply;
    std::string answer; // the command that must follow, or empty for none
};

// Runs the dialogue once for every way of splitting its replies.
template <class Start, class Check>
void everySplit(const std::vector<Step>& steps, Start start, Check check) {
    size_t longest = 0;
    for (const Step& st : steps) longest = std::max(longest, st.reply.size());
    for (size_t split = 0; split <= longest; ++split) {
        SCOPED_TRACE("split " + std::to_string(split));
        Scripted s;
        start(s);
        for (const Step& st : steps) {
            const size_t before = s.sent.size();
            testsupport::feedSplit(
                st.reply, split, [&](const char* d, size_t n) { s.ControlData(d, n); },
                [&](size_t upTo) { EXPECT_EQ(s.sent.size(), before) << "answered at " << upTo; });
            if (st.answer.empty()) {
                EXPECT_EQ(s.sent.size(), before) << st.reply;
            } else {
                ASSERT_EQ(s.sent.size(), before + 1) << st.reply;
                EXPECT_EQ(s.sent.back(), st.answer);
            }
        }
        check(s);
    }
}

const std::vector<Step> AnonymousUpToPwd = {
    {"220-Welcome\r\n220-to the\r\n220 test server\r\n", "USER anonymous"},
    {"331 Send your password\r\n", "PASS guest@"},
    {"230 Logged in\r\n", "PWD"},
};

} // namespace

TEST(FtpSession, LogInVariants) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool succeeded;
        std::string home, system, error;
        int type;
        bool account;
    };
    // The anonymous log-in to its end, with these replies to PWD, SYST and TYPE.
    const auto anonymous = [](const char* pwd, const char* syst, const char* type) {
        std::vector<Step> steps = AnonymousUpToPwd;
        steps.insert(steps.end(), {{pwd, "SYST"}, {syst, "TYPE I"}, {type, ""}});
        return steps;
    };
    const Step hello = {"220 hi\r\n", "USER anonymous"}, password = {"331 pw\r\n", "PASS guest@"};
    const std::vector<Case> cases = {
        {"multi-line greeting, PASS, Unix",
         anonymous("257 \"/home/ftp\" is the current directory\r\n", "215 UNIX Type: L8\r\n",
                   "200 Type set to I\r\n"),
         true, "/home/ftp", "UNIX", "", fsUnix, false},
        {"USER answered with 230 skips PASS",
         {hello, {"230 no password needed\r\n", "PWD"}, {"257 /pub is current\r\n", "SYST"},
          {"215 Windows_NT\r\n", "TYPE I"}, {"200 I\r\n", ""}},
         true, "/pub", "Windows_NT", "", fsWindowsNT, false},
        {"PASS answered with 332 needs an account",
         {hello, password, {"332 Need account\r\n", ""}}, true, "", "", "", fsUnknown, true},
        {"PWD in single quotes, SYST refused",
         anonymous("257 ''/x''\r\n", "500 SYST not understood\r\n", "504 No binary here\r\n"),
         true, "/x", "NCSA/CUTCP", "", fsNCSA, false},
        {"SYST OS/2", anonymous("257 \"/\"\r\n", "215 OS/2\r\n", "200 I\r\n"), true, "/",
         "Unknown", "", fsUnknown, false},
        {"SYST VMS and MVS words", anonymous("257 \"/\"\r\n", "215 vms\r\n", "200 I\r\n"), true,
         "/", "vms", "", fsVMS, false},
        {"greeting refused", {{"421 Too many users\r\n", ""}}, false, "", "", "Too many users",
         fsUnknown, false},
        {"USER refused, QUIT follows",
         {hello, {"530 Not allowed\r\n", "QUIT"}, {"221 Bye\r\n", ""}}, false, "", "",
         "Not allowed", fsUnknown, false},
        {"PASS refused, QUIT follows",
         {hello, password, {"530-Login incorrect.\r\n530 Try again\r\n", "QUIT"},
          {"221 Bye\r\n", ""}},
         false, "", "", "Try again", fsUnknown, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        everySplit(c.steps, [](Scripted& s) { s.StartLogin(); }, [&](Scripted& s) {
            EXPECT_TRUE(s.Finished());
            EXPECT_EQ(s.Succeeded(), c.succeeded);
            EXPECT_EQ(s.HomeDir(), c.home);
            EXPECT_EQ(s.SystemName(), c.system);
            EXPECT_EQ(s.SystemType(), c.type);
            EXPECT_EQ(s.Error, c.error);
            EXPECT_EQ(s.AccountNeeded(), c.account);
            EXPECT_FALSE(s.timer) << "the timer stops with the operation";
        });
    }
}

TEST(FtpSession, LogInChecksItsSettings) {
    Scripted s;
    s.TimeOut = 60;
    s.StartLogin();
    EXPECT_EQ(s.TimeOut, 30);
    const std::string greeting = AnonymousUpToPwd[0].reply;
    s.reply(greeting);
    EXPECT_EQ(s.ReplyTexts(), (std::vector<std::string>{"Welcome", "to the", "test server"}));
    EXPECT_FALSE(s.Finished());

    Scripted nohost;
    nohost.Host.clear();
    nohost.StartLogin();
    EXPECT_TRUE(nohost.Finished());
    EXPECT_FALSE(nohost.Succeeded());
    EXPECT_EQ(nohost.Error, "No address specified");

    // A password with a line end would carry a command of its own to the server.
    Scripted sneaky;
    sneaky.Password = "x\r\nDELE /etc";
    sneaky.StartLogin();
    sneaky.reply("220 hi\r\n331 pw\r\n");
    EXPECT_EQ(sneaky.sent, std::vector<std::string>{"USER anonymous"});
    EXPECT_TRUE(sneaky.Finished());
    EXPECT_FALSE(sneaky.Succeeded());
}

TEST(FtpSession, SizeReplies) {
    struct Case {
        const char* reply;
        int64_t size;
        const char* error;
    };
    const Case cases[] = {
        {"213 3221225472\r\n", 3221225472ll, ""}, // 3 GiB: no 32-bit wrap to a negative size
        {"550 /pub is not retrievable.\r\n", -1, "/pub is not retrievable."},
        {"213 twelve\r\n", -1, "twelve"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        everySplit({{c.reply, ""}}, [](Scripted& s) {
            s.RemotePath = "/pub";
            s.StartGetSize();
            EXPECT_EQ(s.sent, std::vector<std::string>{"SIZE /pub"});
            EXPECT_TRUE(s.timer) << "a command awaits its reply";
        }, [&](Scripted& s) {
            EXPECT_TRUE(s.Finished());
            EXPECT_EQ(s.SizeResult(), c.size);
            EXPECT_EQ(s.Error, c.error);
        });
    }
}

TEST(FtpSession, LogoutClosesAfterTheReply) {
    Scripted s;
    EXPECT_TRUE(s.StartLogout());
    EXPECT_EQ(s.sent, std::vector<std::string>{"QUIT"});
    s.reply("221 Goodbye\r\n");
    EXPECT_TRUE(s.Finished());
    EXPECT_FALSE(s.open);
    EXPECT_FALSE(s.StartLogout()) << "nothing to quit without a connection";
}

namespace {

// Starts a listing of /pub.
void startListing(Scripted& s) {
    s.RemotePath = "/pub";
    s.StartList();
}

const std::string UnixListing = "total 2\r\ndrwxr-xr-x 2 ftp ftp 512 Jan 1 2000 sub\r\n"
                                "-rw-r--r-- 1 ftp ftp 9 Jan 1 2000 a b.txt";

} // namespace

TEST(FtpSession, AListingCompletesWithTheDataCloseBeforeOrAfter226) {
    const std::vector<Step> steps = {{"200 PORT ok\r\n", "LIST /pub"}, {"150 Opening\r\n", ""}};
    for (bool closeFirst : {true, false}) {
        everySplit(steps, startListing, [&](Scripted& s) {
            EXPECT_FALSE(s.timer) << "after 150 the data timer watches";
            s.DataAccepted();
            for (char c : UnixListing) s.DataReceived(&c, 1);
            if (closeFirst) {
                s.DataClosed();
                EXPECT_FALSE(s.Finished());
                EXPECT_TRUE(s.timer) << "the final reply is awaited";
                s.reply("226 Done\r\n");
            } else {
                s.reply("226 Done\r\n");
                EXPECT_FALSE(s.Finished());
                s.DataClosed();
            }
            EXPECT_TRUE(s.Finished());
            EXPECT_TRUE(s.Succeeded());
            // Conversion itself is FtpListing's; a session that never learnt its system
            // converts nothing, even when HTML is asked for.
            const auto& raw = s.EndList(true, true);
            ASSERT_EQ(raw.size(), 3u) << "a last line without LF is kept";
            EXPECT_EQ(raw.front(), "total 2");
            EXPECT_EQ(raw.back(), "-rw-r--r-- 1 ftp ftp 9 Jan 1 2000 a b.txt");
        });
    }
    // The data closed early, then both final replies in one chunk.
    Scripted s;
    startListing(s);
    s.reply("200 ok\r\n");
    s.DataClosed();
    s.reply("150 go\r\n226 done\r\n");
    EXPECT_TRUE(s.Finished());
    EXPECT_TRUE(s.Succeeded());
}

TEST(FtpSession, DataPortsCycleAndSkipBusyOnes) {
    Scripted s;
    auto transfer = [&] {
        s.sent.clear();
        s.StartList();
        s.reply("200 ok\r\n150 go\r\n");
        s.DataClosed();
        s.reply("226 ok\r\n");
        s.EndList(false, false);
        return s.sent.empty() ? std::string() : s.sent.front();
    };
    for (int i = 1; i <= 219; ++i) transfer();
    EXPECT_EQ(transfer(), "PORT 10,0,0,7,6,64") << "220th: 1600";
    EXPECT_EQ(transfer(), "PORT 10,0,0,7,5,100") << "221st: 1380";

    s.busy = {1381, 1382};
    EXPECT_EQ(transfer(), "PORT 10,0,0,7,5,103") << "busy ports are passed over";
    for (int p = 1380; p <= 1600; ++p) s.busy.insert(p);
    EXPECT_EQ(transfer(), "");
    EXPECT_EQ(s.Error, "Can not prepare one socket to accept data.");
    EXPECT_TRUE(s.Finished());
}

TEST(FtpSession, TransferFailures) {
    testsupport::TempDir dir;
    struct Case {
        const char* name;
        const char* local;
        std::string replies;
        bool refused; // ended by the replies, before any data
        std::function<void(Scripted&)> then;
        const char* error;
    };
    // A data close arriving after a refusal must not turn it into a success.
    const auto closed = [](Scripted& s) { s.DataClosed(); };
    const Case cases[] = {
        {"PORT refused", "a", "500 Illegal PORT command\r\n", true, closed,
         "Illegal PORT command"},
        {"RETR refused", "b", "200 ok\r\n550 No such file\r\n", true, closed, "No such file"},
        {"transfer aborted", "c", "200 ok\r\n150 go\r\n426 Aborted\r\n", true, closed, "Aborted"},
        {"no local file", "no/such/dir/out", "200 ok\r\n", true, closed,
         "Can not create the local file."},
        {"the data connection stalls", "d", "200 ok\r\n150 go\r\n", false,
         [](Scripted& s) {
             s.DataAccepted();
             s.DataReceived("abc", 3);
             s.DataTimedOut();
         },
         "Time out"},
        {"the final reply never comes", "e", "200 ok\r\n150 go\r\n", false,
         [](Scripted& s) {
             s.DataReceived("abc", 3);
             s.DataClosed();
             ASSERT_TRUE(s.timer);
             s.InactivityTimedOut();
             EXPECT_FALSE(s.open);
         },
         "Time out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scripted s;
        s.RemotePath = "/missing";
        s.StartGetFile(dir.file(c.local));
        EXPECT_EQ(s.sent.front().substr(0, 5), "PORT ");
        s.reply(c.replies);
        EXPECT_EQ(s.Finished(), c.refused);
        c.then(s);
        EXPECT_TRUE(s.Finished());
        EXPECT_EQ(s.Error, c.error);
        EXPECT_FALSE(s.EndGetFile()) << "a transfer without its final reply is not known whole";
        EXPECT_EQ(s.listening, 0);
        if (c.refused) {
            EXPECT_TRUE(testsupport::readFile(dir.file(c.local)).empty());
        }
    }
}

TEST(FtpSession, UnsolicitedAndDamagedRepliesNeverCrash) {
    Scripted s;
    s.reply("garbage\r\n"); // idle: dropped
    EXPECT_TRUE(s.sent.empty());
    s.StartLogin();
    const std::string junk = std::string("\r\n\n1\n12\n") + std::string(20000, 'x') + "\n";
    s.reply(junk);
    EXPECT_FALSE(s.Finished());
    s.ControlClosed();
    EXPECT_TRUE(s.Finished());
    EXPECT_EQ(s.Error, "Disconnected");
}
