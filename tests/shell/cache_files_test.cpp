#include "general/options.h"
#include "platform/files.h"
#include "shell/cache_files.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace shell;

namespace {
general::TOptions optionsIn(const std::string& dir) {
    general::TOptions o;
    o.SetFixedValues();
    o.CacheDir = dir;
    return o;
}
} // namespace

TEST(CacheFileName, RemovesTheCharactersAFileNameMayNotHoldAndCutsLongNames) {
    general::TOptions o = optionsIn("/c/");
    EXPECT_EQ(CacheFileName("http://host:80/dir/page.html?a=1", o), "/c/httphost80dirpage.htmla=1");
    EXPECT_EQ(CacheFileName("http://host:80/a/bc", o), CacheFileName("http://host:80/ab/c", o));
    EXPECT_EQ(CacheFileName("file:///C|\\docs\\a.htm", o), "/c/fileCdocsa.htm");
    EXPECT_EQ(CacheFileName("http://h:80/A b&c=%20", o), "/c/httph80A b&c=%20");

    // Long names are cut and hashed.
    std::string base = "http://host:80/" + std::string(190, 'x');
    std::string n200 = CacheFileName(base, o).substr(3); // 200 once ":" and "/" are gone
    EXPECT_EQ(n200.size(), 200u) << "200 bytes is still kept whole";
    std::string a = CacheFileName(base + "/first", o).substr(3);
    std::string b = CacheFileName(base + "/second", o).substr(3);
    EXPECT_EQ(a.size(), 180u + 17u);
    EXPECT_EQ(a.substr(0, 180), b.substr(0, 180));
    EXPECT_NE(a, b) << "different addresses keep different files";
    EXPECT_EQ(a[180], '-');
    EXPECT_EQ(a, CacheFileName(base + "/first", o).substr(3)) << "the hash is stable";
    // The name really can be created.
    testsupport::TempDir t;
    o.CacheDir = t.path();
    EXPECT_TRUE(platform::WriteWholeFile(CacheFileName(base + "/first", o), "x"));
}

TEST(CacheCleanUp, DeletesPlainFilesAndLeavesSubdirectories) {
    testsupport::TempDir t;
    t.write("a.html", "1");
    t.write("b.gif", "2");
    t.write("sub/keep.txt", "3");
    EXPECT_EQ(CountFilesInDir(t.path()), 2);
    DeleteFilesInDir(t.path());
    EXPECT_EQ(CountFilesInDir(t.path()), 0);
    EXPECT_TRUE(platform::IsPlainFile(t.file("sub/keep.txt")));
    shelltest::Headless headless; // the message about a missing directory goes to standard error
    EXPECT_EQ(CountFilesInDir(t.file("missing/")), -1);
}

TEST(CacheCleanUp, AutomaticDeletionEmptiesAFullCacheOnly) {
    testsupport::TempDir t;
    general::TOptions o = optionsIn(t.path());
    o.AutoDelCacheFiles = true;
    o.MaxCacheFiles = 100;
    for (int i = 0; i < 99; ++i) t.write("f" + std::to_string(i), "x");
    for (int i = 0; i < 60; ++i) AutoDeleteCache(o);
    EXPECT_EQ(CountFilesInDir(t.path()), 99);
    t.write("f99", "x");
    for (int i = 0; i < 60 && CountFilesInDir(t.path()) > 0; ++i) AutoDeleteCache(o);
    EXPECT_EQ(CountFilesInDir(t.path()), 0) << "emptied completely, not trimmed";
    o.AutoDelCacheFiles = false;
    for (int i = 0; i < 100; ++i) t.write("g" + std::to_string(i), "x");
    for (int i = 0; i < 60; ++i) AutoDeleteCache(o);
    EXPECT_EQ(CountFilesInDir(t.path()), 100);
}

// Another user replaced the cache directory by a link to the victim's home, or made it
// writable by all: neither is ever emptied. A link inside the cache goes, its target stays.
TEST(CacheCleanUp, LinksAndDirectoriesOthersMayWriteNeverLeadTheDeletion) {
    testsupport::TempDir t;
    t.write("home/.bashrc", "mine");
    ASSERT_EQ(symlink((t.path() + "home/").c_str(), (t.path() + "cache").c_str()), 0);
    t.write("shared/file", "x");
    ASSERT_EQ(chmod((t.path() + "shared").c_str(), 0777), 0);
    t.write("own/page", "x");
    ASSERT_EQ(symlink((t.path() + "home/.bashrc").c_str(), (t.path() + "own/link").c_str()), 0);
    shelltest::Headless headless;
    DeleteFilesInDir(t.path() + "cache/");
    EXPECT_EQ(CountFilesInDir(t.path() + "cache/"), -1);
    DeleteFilesInDir(t.path() + "shared/");
    EXPECT_TRUE(platform::IsPlainFile(t.path() + "shared/file"));
    EXPECT_EQ(CountFilesInDir(t.path() + "own/"), 2);
    DeleteFilesInDir(t.path() + "own/");
    EXPECT_EQ(CountFilesInDir(t.path() + "own/"), 0);
    EXPECT_EQ(testsupport::readFile(t.path() + "home/.bashrc"), "mine");
}

// A link planted at a page's predictable cache file name, aimed at the user's .bashrc.
TEST(CacheFiles, APlantedLinkAtACacheNameIsNotFollowed) {
    testsupport::TempDir t;
    general::TOptions o = optionsIn(t.path() + "cache/");
    t.write("home/.bashrc", "mine");
    ASSERT_EQ(mkdir(o.CacheDir.c_str(), 0700), 0);
    const std::string name = CacheFileName("http://evil:80/page.html", o);
    ASSERT_EQ(symlink((t.path() + "home/.bashrc").c_str(), name.c_str()), 0);
    EXPECT_LT(OpenCacheFile(name), 0);
    EXPECT_FALSE(platform::CopyFileOver(t.write("page", "server's text"), name));
    EXPECT_EQ(testsupport::readFile(t.path() + "home/.bashrc"), "mine");

    const int fd = OpenCacheFile(CacheFileName("http://good:80/", o));
    ASSERT_GE(fd, 0) << "an ordinary name in the user's own cache opens";
    close(fd);
    const std::string outside = t.path() + "home/";
    ASSERT_EQ(chmod(outside.c_str(), 0777), 0);
    EXPECT_LT(OpenCacheFile(outside + "f"), 0) << "only in a directory of the user's own";
}
