#include "general/helpers.h"
#include "general/options.h"
#include "platform/exception.h"
#include "platform/user.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace general;

TEST(ContentTypes, RenderableComparesTheMediaTypeOnly) {
    TOptions o;
    o.SetFixedValues();
    struct {
        const char* type;
        bool renderable;
    } cases[] = {{"text/html", true},
                 {"TEXT/HTML; charset=ISO-8859-1", true},
                 {"text/html;charset=utf-8", true},
                 {" image/gif ", true},
                 {"", false},
                 {"application/zip", false},
                 {"text/htmlx", false}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.type);
        o.HTTPThings.ContentType = c.type;
        EXPECT_EQ(IsRenderableType(o), c.renderable);
    }
}

TEST(ContentTypes, KnownExtensions) {
    TOptions o;
    o.SetFixedValues();
    EXPECT_TRUE(IsKnownExtension(o, "htm"));
    EXPECT_FALSE(IsKnownExtension(o, "HT"));
    EXPECT_TRUE(IsKnownExtension(o, "jpeg"));
    EXPECT_FALSE(IsKnownExtension(o, ""));
}

TEST(AddressText, SegmentsAndExtensions) {
    EXPECT_EQ(LastPathSegment("http://host:80/dir/file.zip"), "file.zip");
    EXPECT_EQ(LastPathSegment("http://host:80/dir/"), "");
    EXPECT_EQ(LastPathSegment("plain"), "plain");
    EXPECT_EQ(LastExtension("http://host:80/a.b/readme"), "b/readme");
    EXPECT_EQ(LastExtension("noext"), "noext");
}

TEST(Directories, TrailingSeparatorAndForce) {
    std::string d;
    EnsureTrailingBackslash(d);
    EXPECT_EQ(d, "");
    d = "/a/b";
    EnsureTrailingBackslash(d);
    EXPECT_EQ(d, "/a/b/");
    EnsureTrailingBackslash(d);
    EXPECT_EQ(d, "/a/b/");

    EXPECT_THROW(ForceDirectories(""), platform::Exception);

    testsupport::TempDir t;
    std::string leaf = t.path() + "a/b/c/";
    ForceDirectories(leaf);
    EXPECT_TRUE(DirectoryExists(t.path() + "a"));
    EXPECT_TRUE(DirectoryExists(t.path() + "a/b"));
    EXPECT_TRUE(DirectoryExists(leaf));
    struct stat st;
    ASSERT_EQ(stat((t.path() + "a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 01777u) << "created parents are shared";
    ASSERT_EQ(stat((t.path() + "a/b/c").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u) << "the directory itself is the user's own";
}

TEST(Files, SizeOf) {
    testsupport::TempDir t;
    EXPECT_EQ(FileSizeOf(t.file("missing")), 0);
    EXPECT_EQ(FileSizeOf(t.write("five", "12345")), 5);
}

TEST(User, LoginNameAndReplaceableLogOff) {
    EXPECT_FALSE(GetUserLogin().empty());
    int calls = 0;
    auto old = platform::SetLogOffHandler([&] { ++calls; });
    LogOffUser();
    platform::SetLogOffHandler(old);
    EXPECT_EQ(calls, 1);
}

TEST(GetHeaderValue, Lookups) {
    const std::string h = "HTTP/1.0 302 Found\r\nContent-Type: text/html\r\nLocation: /x\r\n"
                          "content-length: 12\r\nX-Odd:nospace\r\n";
    EXPECT_EQ(GetHeaderValue(h, "\r\nLocation: "), "/x");
    EXPECT_EQ(GetHeaderValue(h, "\r\nCONTENT-TYPE: "), "text/html");
    EXPECT_EQ(GetHeaderValue(h, "\r\nContent-Length: "), "12");
    EXPECT_EQ(GetHeaderValue(h, "\r\nX-Odd: "), "") << "exactly one blank after the colon";
    EXPECT_EQ(GetHeaderValue(h, "\r\nHTTP/1.0"), "") << "the status line never matches";
    EXPECT_EQ(GetHeaderValue("", "\r\nLocation: "), "");
    EXPECT_EQ(GetHeaderValue(h, ""), "");
    EXPECT_EQ(GetHeaderValue("A\r\nLocation:  two blanks\nZ", "\r\nLocation: "), " two blanks");
    EXPECT_EQ(GetHeaderValue("A\r\nLocation: end", "\r\nLocation: "), "end");
}
