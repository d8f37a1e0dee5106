#include "platform/files.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <set>

TEST(TempFileName, UniqueEmptyFilesWithAShortPrefix) {
    testsupport::TempDir t;
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string n = platform::TempFileName(t.path(), "webling");
        ASSERT_FALSE(n.empty());
        EXPECT_TRUE(names.insert(n).second) << n;
        std::string base = n.substr(t.path().size());
        EXPECT_EQ(base.substr(0, 3), "web");
        EXPECT_TRUE(base.ends_with(".TMP")) << base;
        std::string hex = base.substr(3, base.size() - 7);
        EXPECT_FALSE(hex.empty());
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
        EXPECT_TRUE(platform::IsPlainFile(n));
        EXPECT_EQ(testsupport::readFile(n), "");
    }
    EXPECT_EQ(platform::TempFileName(t.path() + "missing/", "abc"), "");
}

TEST(Files, CopyOverAndProgramDirectory) {
    testsupport::TempDir t;
    std::string a = t.write("a", "new contents");
    std::string b = t.write("b", "old contents that are longer");
    EXPECT_TRUE(platform::CopyFileOver(a, b));
    EXPECT_EQ(testsupport::readFile(b), "new contents");
    EXPECT_FALSE(platform::CopyFileOver(t.file("missing"), b));
    std::string dir = platform::ProgramDirectory();
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(platform::IsDirectory(dir));
}
