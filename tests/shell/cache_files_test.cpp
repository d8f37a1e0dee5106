#include "general/options.h"
#include "platform/files.h"
#include "shell/cache_files.h"
#include "shell/dialogs.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {
general::TOptions optionsIn(const std::string& dir) {
    general::TOptions o;
    o.SetFixedValues();
    o.CacheDir = dir;
    return o;
}
} // namespace

TEST(CacheFileName, RemovesTheCharactersAFileNameMayNotHold) {
    general::TOptions o = optionsIn("/c/");
    EXPECT_EQ(CacheFileName("http://host:80/dir/page.html?a=1", o), "/c/httphost80dirpage.htmla=1");
    EXPECT_EQ(CacheFileName("http://host:80/a/bc", o), CacheFileName("http://host:80/ab/c", o));
    EXPECT_EQ(CacheFileName("file:///C|\\docs\\a.htm", o), "/c/fileCdocsa.htm");
    EXPECT_EQ(CacheFileName("http://h:80/A b&c=%20", o), "/c/httph80A b&c=%20");
}

TEST(CacheFileName, LongNamesAreCutAndHashed) {
    general::TOptions o = optionsIn("/c/");
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
    SetHeadless(true); // the message about a missing directory goes to standard error
    EXPECT_EQ(CountFilesInDir(t.file("missing/")), -1);
    SetHeadless(false);
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
