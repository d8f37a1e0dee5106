#include "platform/files.h"
#include "test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

TEST(TempFileName, UniqueEmptyFilesWithAShortPrefix) {
    testsupport::TempDir t;
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::string n = platform::TempFileName(t.path(), "webling");
        EXPECT_TRUE(names.insert(n).second) << n;
        EXPECT_TRUE(platform::IsPlainFile(n)) << n;
    }
    const std::string base = names.begin()->substr(t.path().size());
    EXPECT_EQ(base.substr(0, 3), "web");
    EXPECT_TRUE(base.ends_with(".TMP")) << base;
    const std::string hex = base.substr(3, base.size() - 7);
    EXPECT_FALSE(hex.empty());
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
    EXPECT_EQ(testsupport::readFile(*names.begin()), "");
    EXPECT_EQ(platform::TempFileName(t.path() + "missing/", "abc"), "");
}

TEST(Files, CopyOverTakesRegularFilesOnly) {
    testsupport::TempDir t;
    std::string a = t.write("a", "new contents");
    std::string b = t.write("b", "old contents that are longer");
    EXPECT_TRUE(platform::CopyFileOver(a, b));
    EXPECT_EQ(testsupport::readFile(b), "new contents");
    EXPECT_FALSE(platform::CopyFileOver(t.file("missing"), b));
    EXPECT_FALSE(platform::CopyFileOver("/dev/zero", b)) << "a device never ends";
    ASSERT_EQ(mkfifo((t.path() + "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(platform::CopyFileOver(t.path() + "fifo", b)) << "a FIFO would block";
    EXPECT_FALSE(platform::CopyFileOver(a, t.path() + "fifo"));
    EXPECT_EQ(testsupport::readFile(b), "new contents");

    std::string dir = platform::ProgramDirectory();
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(platform::IsDirectory(dir));
}

TEST(PrivateDirectories, OnlyARealDirectoryOfTheUsersOwnQualifies) {
    testsupport::TempDir t;
    const std::string own = t.path() + "own";
    ASSERT_EQ(mkdir(own.c_str(), 0700), 0);
    EXPECT_EQ(platform::PrivateDirectoryProblem(own + "/"), "");
    const int fd = platform::OpenPrivateDirectory(own);
    EXPECT_GE(fd, 0);
    if (fd >= 0) close(fd);

    ASSERT_EQ(symlink(own.c_str(), (t.path() + "link").c_str()), 0);
    EXPECT_EQ(platform::PrivateDirectoryProblem(t.path() + "link/"), "is a symbolic link");
    std::string why;
    EXPECT_LT(platform::OpenPrivateDirectory(t.path() + "link/", &why), 0);
    EXPECT_EQ(why, "is a symbolic link");

    const std::string open = t.path() + "open";
    ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(chmod(open.c_str(), 0770), 0);
    EXPECT_EQ(platform::PrivateDirectoryProblem(open), "can be written by other users");
    EXPECT_EQ(platform::PrivateDirectoryProblem(t.write("plain", "x")), "is not a directory");
    EXPECT_EQ(platform::PrivateDirectoryProblem(t.path() + "missing"), "does not exist");

    if (geteuid() != 0) GTEST_SKIP() << "giving a directory to another user needs root";
    const std::string foreign = t.path() + "foreign";
    ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform::PrivateDirectoryProblem(foreign), "belongs to another user");
    EXPECT_LT(platform::OpenPrivateDirectory(foreign), 0);
}

TEST(PrivateDirectories, FilesAreNeverOpenedThroughALink) {
    testsupport::TempDir t;
    const std::string victim = t.write("victim", "precious");
    ASSERT_EQ(mkdir((t.path() + "d").c_str(), 0700), 0);
    ASSERT_EQ(symlink(victim.c_str(), (t.path() + "d/name").c_str()), 0);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    EXPECT_LT(platform::OpenInPrivateDirectory(t.path() + "d/name", flags), 0);
    EXPECT_FALSE(platform::CopyFileOver(t.write("src", "evil"), t.path() + "d/name"));
    EXPECT_EQ(testsupport::readFile(victim), "precious");

    // A whole-file write replaces the link itself and leaves its target alone.
    EXPECT_TRUE(platform::WriteWholeFile(t.path() + "d/name", "bookmarks"));
    EXPECT_EQ(testsupport::readFile(victim), "precious");
    EXPECT_EQ(testsupport::readFile(t.path() + "d/name"), "bookmarks");
    struct stat st;
    ASSERT_EQ(lstat((t.path() + "d/name").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_FALSE(platform::WriteWholeFile(t.path() + "missing/name", "x"));

    // Temporary files are made only in a directory of the user's own.
    ASSERT_EQ(symlink((t.path() + "d").c_str(), (t.path() + "tmplink").c_str()), 0);
    EXPECT_EQ(platform::TempFileName(t.path() + "tmplink/", "abc"), "");
}

TEST(SharedRoots, CreatedStickyAndNeverThroughALink) {
    testsupport::TempDir t;
    const std::string base = t.path() + "webling";
    EXPECT_EQ(platform::MakeSharedRoot(base, base + "/cache/"), "");
    struct stat st;
    for (const std::string& d : {base, base + "/cache"}) {
        ASSERT_EQ(lstat(d.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 01777u) << d;
    }
    EXPECT_EQ(platform::MakeSharedRoot(base, base + "/cache"), "") << "an existing tree will do";

    ASSERT_EQ(mkdir((t.path() + "elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(symlink((t.path() + "elsewhere").c_str(), (base + "/tmp").c_str()), 0);
    EXPECT_EQ(platform::MakeSharedRoot(base, base + "/tmp"), base + "/tmp is a symbolic link");
    ASSERT_EQ(mkdir((base + "/users").c_str(), 0700), 0);
    ASSERT_EQ(chmod((base + "/users").c_str(), 0777), 0);
    EXPECT_EQ(platform::MakeSharedRoot(base, base + "/users"),
              base + "/users can be written by other users and is not sticky");
    EXPECT_NE(platform::MakeSharedRoot(base, t.path() + "other"), "");
}
