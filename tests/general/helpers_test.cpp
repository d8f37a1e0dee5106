#include "general/helpers.h"
#include "general/options.h"
#include "platform/exception.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace general;

TEST(ContentTypes, RenderableComparesTheMediaTypeOnly) {
    TOptions o;
    o.SetFixedValues();
    // Plain text/html, no type and a download type are the navigation tests' own.
    const std::pair<const char*, bool> cases[] = {
        {"TEXT/HTML; charset=ISO-8859-1", true},
        {"text/html;charset=utf-8", true},
        {" image/gif ", true},
        {"text/htmlx", false},
    };
    for (const auto& [type, renderable] : cases) {
        o.HTTPThings.ContentType = type;
        EXPECT_EQ(IsRenderableType(o), renderable) << type;
    }
}

TEST(AddressText, SegmentsAndExtensions) {
    EXPECT_EQ(LastPathSegment("http://host:80/dir/file.zip"), "file.zip");
    EXPECT_EQ(LastPathSegment("http://host:80/dir/"), "");
    EXPECT_EQ(LastPathSegment("plain"), "plain");
    EXPECT_EQ(LastExtension("http://host:80/a.b/readme"), "b/readme");
    EXPECT_EQ(LastExtension("noext"), "noext");
}

TEST(Directories, TrailingSeparatorAndForce) {
    for (std::string d : {"", "/a/b", "/a/b/"}) {
        const std::string expected = d.empty() ? "" : "/a/b/";
        EnsureTrailingBackslash(d);
        EXPECT_EQ(d, expected);
    }

    EXPECT_THROW(ForceDirectories(""), platform::Exception);

    testsupport::TempDir t;
    std::string leaf = t.path() + "a/b/c/";
    ForceDirectories(leaf);
    EXPECT_TRUE(DirectoryExists(leaf));
    struct stat st;
    ASSERT_EQ(stat((t.path() + "a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u) << "created parents are never writable by others";
    ASSERT_EQ(stat((t.path() + "a/b/c").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u) << "the directory itself is the user's own";
}

// The header fields a server sends are looked up by ResponseSplitter's tests.
TEST(GetHeaderValue, Lookups) {
    const std::string h = "HTTP/1.0 302 Found\r\nLocation: /x\r\nX-Odd:nospace\r\n";
    EXPECT_EQ(GetHeaderValue(h, "\r\nX-Odd: "), "") << "exactly one blank after the colon";
    EXPECT_EQ(GetHeaderValue(h, "\r\nHTTP/1.0"), "") << "the status line never matches";
    EXPECT_EQ(GetHeaderValue("", "\r\nLocation: "), "");
    EXPECT_EQ(GetHeaderValue(h, ""), "");
    EXPECT_EQ(GetHeaderValue("A\r\nLocation:  two blanks\nZ", "\r\nLocation: "), " two blanks");
    EXPECT_EQ(GetHeaderValue("A\r\nLocation: end", "\r\nLocation: "), "end");
}

TEST(PerUserDirectories, CreatedPrivateBelowARootNoOneElseControls) {
    testsupport::TempDir t;
    const std::string dir = t.path() + "root/ann/";
    EXPECT_EQ(PreparePerUserDirectory(dir, ""), "");
    struct stat st;
    ASSERT_EQ(lstat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(lstat((t.path() + "root").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u) << "a configured root is never made shared";
    EXPECT_EQ(PreparePerUserDirectory(dir, ""), "") << "an existing own directory is accepted";

    // The program's own default tree is created sticky.
    const std::string shared = t.path() + "webling/cache/ann/";
    EXPECT_EQ(PreparePerUserDirectory(shared, t.path() + "webling"), "");
    ASSERT_EQ(lstat((t.path() + "webling/cache").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 01777u);
}

// Another user planted cache/<user> as a link to the victim's home.
TEST(PerUserDirectories, APlantedDirectoryOrAnOpenRootIsRefused) {
    testsupport::TempDir t;
    t.write("home/.bashrc", "mine");
    t.write("cache/.keep", "");
    ASSERT_EQ(symlink((t.path() + "home").c_str(), (t.path() + "cache/ann").c_str()), 0);
    EXPECT_EQ(PreparePerUserDirectory(t.path() + "cache/ann/", ""), "is a symbolic link");
    // The directory's own checks (writable by others, another owner) are those of
    // platform::PrivateDirectoryProblem, tested with it.
    ASSERT_EQ(mkdir((t.path() + "open").c_str(), 0700), 0);
    ASSERT_EQ(chmod((t.path() + "open").c_str(), 0777), 0);
    EXPECT_NE(PreparePerUserDirectory(t.path() + "open/ann/", "").find("not sticky"), std::string::npos);
    EXPECT_FALSE(DirectoryExists(t.path() + "open/ann")) << "nothing is created below such a root";
}
