// A browser window at a public terminal, attacked the way a local user or a page would:
// planted per-user directories, a changed webling.ini, the file dialogs.
#include "general/helpers.h"
#include "platform/exception.h"
#include "shell/access_rules.h"
#include "shell/browser_window.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using shell::TFMain;

namespace {

class TerminalWindow : public ::testing::Test {
protected:
    testsupport::TempDir dir;

    void TearDown() override { shell::ResetSharedRestrictions(); }
    std::unique_ptr<TFMain> window() { return shelltest::NewWindow(dir); }
    // The text the window refused to start with, or "" when it started.
    std::string refusal() {
        try {
            window();
        } catch (const platform::Exception& e) {
            return e.what();
        }
        return {};
    }
};

} // namespace

// A planted cache link is refused by the program run whole, in headless_test.cpp.
TEST_F(TerminalWindow, ADirectoryOthersMayWriteOrOwnStopsTheWindow) {
    shelltest::WriteIni(dir);
    const std::string tmp = dir.path() + "tmp/" + general::GetUserLogin();
    ASSERT_EQ(mkdir((dir.path() + "tmp").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
    ASSERT_EQ(chmod(tmp.c_str(), 0777), 0);
    EXPECT_NE(refusal().find("can be written by other users"), std::string::npos);
    if (geteuid() != 0) GTEST_SKIP() << "giving a directory to another user needs root";
    ASSERT_EQ(chmod(tmp.c_str(), 0700), 0);
    ASSERT_EQ(chown(tmp.c_str(), 65534, 65534), 0);
    EXPECT_NE(refusal().find("belongs to another user"), std::string::npos);
}

TEST_F(TerminalWindow, DirectoriesAreCreatedPrivateAndTheRootsNeverShared) {
    shelltest::WriteIni(dir);
    auto w = window();
    struct stat st;
    for (const std::string& d :
         {w->Settings().UserDir, w->Settings().TmpDir, w->Settings().CacheDir}) {
        ASSERT_EQ(lstat(d.c_str(), &st), 0) << d;
        EXPECT_EQ(st.st_mode & 07777, 0700u) << d;
    }
    ASSERT_EQ(lstat((dir.path() + "cache").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0022, 0u) << "a configured root is not made writable by others";
}

TEST_F(TerminalWindow, RestrictionsAreReadOnceForEveryLaterWindow) {
    shelltest::WriteIni(dir, "[restrictions]\nallow_proto_ftp=0\nallow_see_mainmenu_tools=0\n");
    dir.write("denied_urls.dat", "http://127.0.0.1:80/secret\n");
    auto first = window();
    shelltest::WriteIni(dir);
    dir.write("denied_urls.dat", "");
    auto later = window();
    EXPECT_FALSE(later->Settings().AllowedProtocols.test(general::ProtoFtp));
    EXPECT_FALSE(later->MTools->menuAction()->isVisible());
    later->OpenUrl("http://127.0.0.1/secret", true);
    EXPECT_EQ(later->StatusText(0), "URL no permitida!");
    later->OpenUrl("ftp://127.0.0.1/", true);
    EXPECT_EQ(later->StatusText(0), "Unknown Protocol!");
}

TEST_F(TerminalWindow, WithoutLocalFilesNoDialogReachesTheDisk) {
    shelltest::WriteIni(dir, "[restrictions]\nallow_proto_file=0\n");
    auto w = window();
    EXPECT_FALSE(w->MLocalFile->isVisible());
    EXPECT_FALSE(w->MLocalImage->isVisible());
    EXPECT_FALSE(w->PMSaveAs->isVisible());
    for (QFileDialog* d : {w->SaveDialog, w->OpenDialog}) {
        EXPECT_TRUE(d->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_TRUE(d->testOption(QFileDialog::ReadOnly)) << "no rename, delete or new folder";
        EXPECT_EQ(d->directory().absolutePath().toStdString() + "/", w->Settings().UserDir);
    }
    shelltest::WriteIni(dir);
    shell::ResetSharedRestrictions();
    auto open = window();
    EXPECT_TRUE(open->MLocalFile->isVisible());
    EXPECT_TRUE(open->PMSaveAs->isVisible());
}
