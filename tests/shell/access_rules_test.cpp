#include "general/options.h"
#include "general/url.h"
#include "shell/access_rules.h"
#include "test_support.h"

#include <gtest/gtest.h>

using shell::IsUrlAllowed;
using shell::LoadUrlList;

TEST(UrlLists, LinesEndInAnyStyleAndAreKeptUnchanged) {
    testsupport::TempDir t;
    auto lines = LoadUrlList(t.write("l.dat", "a\r\nb\nc\r\r\n d \nlast"));
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", " d ", "last"}));
    EXPECT_TRUE(LoadUrlList(t.file("missing.dat")).empty());
    EXPECT_TRUE(LoadUrlList(t.write("empty.dat", "")).empty());
}

TEST(IsUrlAllowed, DeniedPrefixesCompareWithoutCase) {
    general::TOptions o;
    o.DeniedUrls = {"", "http://adsrv", "http://myhost/"};
    struct {
        const char* address;
        bool allowed;
    } cases[] = {
        {"http://adsrv/x", false},   // canonical 'http://adsrv:80/x'
        {"HTTP://ADSRV2/", false},   // a plain prefix
        {"http://myhost/", true},    // the canonical form carries the port
        {"http://other/", true},     // the empty line matches nothing
        {"http://adsrvx.com/", false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.address);
        general::TRECURL r;
        general::ParseUrl(c.address, r, {});
        EXPECT_EQ(IsUrlAllowed(r.Url, o), c.allowed);
    }
}

TEST(IsUrlAllowed, TheAllowedListNeverChangesTheVerdict) {
    general::TOptions o;
    o.AllowedUrls = {"http://only:80/"};
    EXPECT_TRUE(IsUrlAllowed("http://elsewhere:80/", o));
    o.DeniedUrls = {"http://only:80/secret"};
    EXPECT_FALSE(IsUrlAllowed("http://only:80/secret/x", o)) << "denied entries come first";
    EXPECT_TRUE(IsUrlAllowed("http://only:80/", o));
}
