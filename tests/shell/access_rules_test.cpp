#include "general/options.h"
#include "general/url.h"
#include "shell/access_rules.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <unistd.h>

using namespace shell;

namespace {

// Look-ups never leave the machine: only "localhost" has an address.
class LoopbackResolver : public ::testing::Test {
protected:
    void SetUp() override {
        old = SetHostResolver([](const std::string& host) {
            return host == "localhost" ? std::vector<std::string>{"127.0.0.1"}
                                       : std::vector<std::string>{};
        });
    }
    void TearDown() override {
        SetHostResolver(old);
        ResetSharedRestrictions();
    }
    THostResolver old;
    testsupport::TempDir dir;

    // The verdict a window reaches on Address with the given files beside the program.
    TUrlVerdict check(const std::string& address) {
        return CheckAddress(address, ReadRestrictions(dir.path()));
    }
};

struct AddressCase {
    const char* address;
    bool allowed;
};

std::string canonical(const std::string& address) {
    general::TRECURL r;
    general::ParseUrl(address, r, {});
    return r.Url;
}

} // namespace

TEST(UrlLists, LinesEndInAnyStyleAndAreKeptUnchanged) {
    testsupport::TempDir t;
    auto lines = LoadUrlList(t.write("l.dat", "a\r\nb\nc\r\r\n d \nlast"));
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", " d ", "last"}));
    EXPECT_TRUE(LoadUrlList(t.file("missing.dat")).empty());
    EXPECT_TRUE(LoadUrlList(t.write("empty.dat", "")).empty());
}

TEST_F(LoopbackResolver, WindowListsDenyByPrefixWithoutCase) {
    general::TOptions o;
    o.DeniedUrls = {"", "http://adsrv", "http://myhost/", "http://only:80/secret"};
    // Without allowedonly the allowed list never changes the verdict.
    o.AllowedUrls = {"http://only:80/"};
    const AddressCase cases[] = {
        {"http://adsrv/x", false},   // canonical 'http://adsrv:80/x'
        {"HTTP://ADSRV2/", false},   // a plain prefix, as written in the window's list
        {"http://myhost/", true},    // the canonical form carries the port
        {"http://other/", true},     // the empty line matches nothing
        {"http://adsrvx.com/", false},
        {"http://only/secret/x", false}, // denied entries come first
        {"http://only/", true},
    };
    for (const AddressCase& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(IsUrlAllowed(canonical(c.address), o), c.allowed);
    }
}

// Every spelling an attacker tried against one denied page.
TEST_F(LoopbackResolver, EverySpellingOfADeniedAddressIsRefused) {
    dir.write("denied_urls.dat", "http://127.0.0.1:8123/secret\n");
    const TRestrictions r = ReadRestrictions(dir.path());
    for (const char* a : {"http://127.0.0.1:8123/secret", "http://localhost:8123/secret",
                          "http://LOCALHOST.:8123/secret", "http://127.0.0.1:8123/%73ecret",
                          "http://127.0.0.1:8123//secret", "http://127.0.0.1:8123/./secret",
                          "http://127.0.0.1:8123/x/../secret", "http://127.0.0.1:08123/secret",
                          "http://2130706433:8123/secret", "http://0x7f000001:8123/secret",
                          "http://127.1:8123/secret", "http://0177.0.0.1:8123/secret",
                          "http://user@127.0.0.1:8123/secret",
                          "http://127.0.0.1:8123/secret/deeper"}) {
        SCOPED_TRACE(a);
        const TUrlVerdict v = CheckAddress(a, r);
        EXPECT_FALSE(v.Allowed) << v.Rule;
        EXPECT_EQ(v.Message, "URL no permitida!");
    }
    EXPECT_TRUE(CheckAddress("http://127.0.0.1:8123/public", r).Allowed);
    EXPECT_TRUE(CheckAddress("http://127.0.0.1:8124/secret", r).Allowed) << "another port";
}

TEST_F(LoopbackResolver, AServiceNameIsItsPortNumber) {
    dir.write("denied_urls.dat", "http://127.0.0.1:80/\n");
    const TRestrictions r = ReadRestrictions(dir.path());
    if (getservbyname("http", "tcp") == nullptr) GTEST_SKIP() << "no service database (netbase)";
    EXPECT_FALSE(CheckAddress("http://127.0.0.1:http/", r).Allowed);
    EXPECT_FALSE(CheckAddress("http://127.0.0.1:nosuchservice/", r).Allowed) << "unknown name";
}

TEST_F(LoopbackResolver, LocalPathsAreComparedWhereTheyReallyLead) {
    const std::string secret = dir.path() + "etc/";
    dir.write("etc/passwd", "root");
    dir.write("pub/page.html", "ok");
    ASSERT_EQ(symlink(secret.c_str(), (dir.path() + "pub/link").c_str()), 0);
    dir.write("denied_urls.dat", "file://" + secret + "\n");
    const TRestrictions r = ReadRestrictions(dir.path());
    for (const std::string& a : {"file://" + secret + "passwd", "file:" + secret + "passwd",
                                 "file:///" + secret, "file://" + dir.path() + "pub/../etc/",
                                 "file://" + dir.path() + "pub/link/passwd",
                                 "file://" + dir.path() + "etc",
                                 "file:///proc/self/root" + secret}) {
        SCOPED_TRACE(a);
        EXPECT_FALSE(CheckAddress(a, r).Allowed);
    }
    EXPECT_TRUE(CheckAddress("file://" + dir.path() + "pub/page.html", r).Allowed);
}

TEST_F(LoopbackResolver, EntriesAreCanonicalisedWhenLoaded) {
    dir.write("denied_urls.dat", "HTTP://LocalHost.:0080/a/./b/../%63\nhttp://adsrv\n\n"
                                 "not an address\nhttp://blocked:80/\nhttp://myhost:80/private\n");
    const TRestrictions r = ReadRestrictions(dir.path());
    EXPECT_EQ(r.DeniedUrls,
              (std::vector<std::string>{"http://localhost:80/a/c", "http://127.0.0.1:80/a/c",
                                        "http://adsrv:80/", "not an address", "http://blocked:80/",
                                        "http://myhost:80/private"}));
    EXPECT_EQ(r.DeniedSources[1], "HTTP://LocalHost.:0080/a/./b/../%63");
    const AddressCase cases[] = {
        {"http://127.0.0.1/a/c/d", false}, // a name entry also meets its address
        {"http://adsrv2/", true},          // a host entry means that host only
        {"http://ADSRV/x", false},          {"http://blocked/", false},
        {"http://blocked/x?y=1", false},    {"http://BLOCKED:80/", false},
        {"http://myhost/private/a", false}, {"http://myhost/privateer", false},
        {"http://myhost/public", true},     {"http://other/", true},
        {"mailto:a@b", true},               {"ftp://blocked/", true},
    };
    for (const AddressCase& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(CheckAddress(c.address, r).Allowed, c.allowed);
    }
}

TEST_F(LoopbackResolver, AllowedOnlyMakesTheAllowedListDecisive) {
    dir.write("webling.ini", "[restrictions]\nallowedonly=1\n");
    EXPECT_FALSE(check("http://127.0.0.1/").Allowed) << "a missing list refuses everything";
    EXPECT_EQ(check("http://127.0.0.1/").Message, "URL no permitida!");
    dir.write("allowed_urls.dat", "");
    EXPECT_FALSE(check("file:///etc/passwd").Allowed) << "an empty list refuses everything";
    dir.write("allowed_urls.dat", "http://localhost:8000/\n");
    EXPECT_TRUE(check("http://127.0.0.1:8000/page").Allowed);
    EXPECT_EQ(check("http://127.0.0.1:8000/page").Rule, "allowed entry \"http://localhost:8000/\"");
    EXPECT_FALSE(check("http://127.0.0.1:8001/").Allowed);
    EXPECT_FALSE(check("http://localhost:8000.evil/").Allowed);

    // Through a window's options: the flag read for the program directory applies.
    general::TOptions o;
    o.ProgramDir = dir.path();
    o.AllowedUrls = SharedRestrictions(dir.path()).AllowedUrls;
    EXPECT_TRUE(IsUrlAllowed("http://localhost:8000/x", o));
    EXPECT_FALSE(IsUrlAllowed("http://localhost:9/x", o));
    dir.write("webling.ini", "[restrictions]\nallowedonly=0\n");
    EXPECT_FALSE(IsUrlAllowed("http://localhost:9/x", o)) << "read once: the change is not seen";
}

// The rule of a switched-off protocol, of a denied entry and of no entry at all are printed by
// --check-url in headless_test.cpp.
TEST_F(LoopbackResolver, TheVerdictNamesTheRuleThatDecided) {
    const TUrlVerdict v = check("gopher://127.0.0.1/");
    EXPECT_FALSE(v.Allowed);
    EXPECT_EQ(v.Message, "Unknown Protocol!");
    EXPECT_NE(check("http://0x7f.1/").Rule.find("dotted quad"), std::string::npos);
}
