#include "general/helpers.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/user.h"
#include "shell/access_rules.h"
#include "shell/browser_window.h"
#include "shell/url_combo_box.h"
#include "shell/window_options.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using shell::TFMain;
using strings = std::vector<std::string>;

namespace {

// A program directory of the test's own, with its webling.ini and per-user directories
// below it, so that nothing touches the machine's /tmp/webling.
class WindowTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;

    // The first section of a name wins: a [users], [tmp] or [cache] in Ini replaces the
    // test's own.
    std::unique_ptr<TFMain> window(const std::string& ini) {
        dir.write("webling.ini", ini + shelltest::DirsIni(dir));
        return shelltest::NewWindow(dir);
    }
};

strings itemTexts(const QList<QAction*>& actions) {
    strings out;
    for (QAction* a : actions) out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    return out;
}
strings itemTexts(QMenu* m) { return itemTexts(m->actions()); }

} // namespace

TEST(WindowSetUp, WithoutAnyIniFileEveryKeyHasItsDefault) {
    testsupport::TempDir empty;
    auto w = shelltest::NewWindow(empty);
    const auto& o = w->Settings();
    const std::string u = general::GetUserLogin();
    for (const auto& [d, kind] :
         {std::pair{o.TmpDir, "tmp"}, {o.CacheDir, "cache"}, {o.UserDir, "users"}}) {
        EXPECT_EQ(d, "/tmp/webling/" + std::string(kind) + "/" + u + "/");
        EXPECT_TRUE(platform::IsDirectory(d)) << d;
    }
    EXPECT_EQ(o.HomePage, "file://" + empty.path() + "home.html");
    EXPECT_EQ(w->StartUrl, o.HomePage);
    // Every protocol the browser speaks is open, and the files go with the window.
    EXPECT_EQ(o.AllowedProtocols.to_ulong(), 0b111110u);
    EXPECT_TRUE(o.DelTmpFilesAtExit && o.DelCacheFilesAtExit);
    EXPECT_FALSE(o.AutoDelCacheFiles || o.LogOffAtExit || o.UseProxy);
    w->close();
}

// The other keys are read in the tests that use them, in a window of their own.
TEST(WindowOptions, AreReadWithoutAWindow) {
    testsupport::TempDir d;
    // The per-user directories with and without a final separator.
    platform::TIniFile ini(d.write("webling.ini", "[main]\nhomepage=http://home/\n[proxy]\n"
                                                  "useproxy=1\n[users]\nusersrootdir=/var/u/\n"
                                                  "[cache]\ncachedir=/var/c\n"));
    general::TOptions o;
    o.UserName = "ann";
    shell::ReadWindowOptions(o, ini, shell::TRestrictions{});
    EXPECT_EQ(o.HomePage, "http://home/");
    EXPECT_EQ(o.UserDir, "/var/u/ann/");
    EXPECT_EQ(o.CacheDir, "/var/c/ann/");
    EXPECT_EQ(o.TimeOut, 10);
    EXPECT_EQ(o.MaxPageSize, 64 << 20);
    EXPECT_FALSE(o.UseProxy) << "no proxy server: the proxy stays off";
}

TEST_F(WindowTest, UseProxyCannotBeSwitchedOnWithoutAServer) {
    auto w = window("[proxy]\nuseproxy=1\nproxyserver=127.0.0.1\n");
    EXPECT_TRUE(w->MUseProxy->isChecked());
    auto w3 = window("[proxy]\nuseproxy=1\n");
    w3->MUseProxy->trigger();
    EXPECT_FALSE(w3->MUseProxy->isChecked());
    EXPECT_FALSE(w3->Settings().UseProxy);
    EXPECT_EQ(w3->StatusText(0), "No proxy server configured");
}

TEST_F(WindowTest, MenuPermissionsHideTheirItems) {
    auto w = window("[restrictions]\nallowviewimages=0\nallow_see_mainmenu_edit=0\n"
                    "allow_see_menu_editbookmarks=0\nallowquitproxy=0\n");
    EXPECT_FALSE(w->MViewImages->isVisible());
    EXPECT_FALSE(w->Settings().AllowViewImages);
    EXPECT_FALSE(w->MEdit->menuAction()->isVisible());
    EXPECT_FALSE(w->MAddBookmark->isVisible());
    EXPECT_TRUE(w->MSeeBookmarks->isVisible());
    EXPECT_FALSE(w->MUseProxy->isVisible());
}

TEST_F(WindowTest, TheWindowHasItsMenusToolBarAndStatusBar) {
    auto w = window("");
    EXPECT_EQ(w->size(), QSize(731, 677));
    EXPECT_EQ(itemTexts(w->menuBar()->actions()),
              (strings{"Main", "Edit", "Bookmarks", "Tools", "Help"}));
    EXPECT_EQ(itemTexts(w->MMain), (strings{"Open", "-", "New Browser", "-", "Exit"}));
    EXPECT_EQ(itemTexts(w->MOpen), (strings{"URL", "Local File", "Local Image"}));
    EXPECT_EQ(itemTexts(w->MEdit), (strings{"Copy", "Select All", "Find from cursor"}));
    EXPECT_EQ(itemTexts(w->MBookmarks), (strings{"See", "Add"}));
    EXPECT_EQ(itemTexts(w->MTools),
              (strings{"View Images", "-", "See source page", "-", "See header page", "-",
                       "See scripts", "-", "Delete Cache Files", "-", "Delete Temp Files", "-",
                       "Use Proxy"}));
    EXPECT_TRUE(w->MViewImages->isChecked());
    EXPECT_EQ(itemTexts(w->MHelp), (strings{"About"}));
    EXPECT_EQ(itemTexts(w->PopupMenu),
              (strings{"Back", "Forward", "Reload", "Go Home", "Stop", "-",
                       "Open in another window", "-", "Save As"}));
    std::vector<std::string> hints;
    for (QToolButton* b : {w->BHome, w->BOpenURL, w->BReload, w->BAtras, w->BDelante, w->BStop}) {
        hints.push_back(b->toolTip().toStdString());
        EXPECT_EQ(b->size(), QSize(33, 33));
    }
    EXPECT_EQ(hints, (strings{"Home page", "Open URL", "Reload", "Back", "Forward", "Stop"}));
    EXPECT_EQ(w->CBUrls->width(), 289);
    const int widths[5] = {150, 150, 150, 150, 50};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(w->SBPanels[i]->width(), widths[i]);
}

TEST_F(WindowTest, ClosingDeletesPlainFilesAndLogsOffWhenConfigured) {
    auto w = window("[main]\nlogoffatexit=1\n");
    std::string tmp = w->Settings().TmpDir, cache = w->Settings().CacheDir;
    ASSERT_TRUE(platform::WriteWholeFile(tmp + "t.TMP", "x"));
    ASSERT_TRUE(platform::WriteWholeFile(cache + "page", "x"));
    ASSERT_TRUE(platform::MakeDirectory(cache + "sub", 0700));
    ASSERT_TRUE(platform::WriteWholeFile(cache + "sub/kept", "x"));
    int logOffs = 0;
    auto old = platform::SetLogOffHandler([&] { ++logOffs; });
    // Another window on the same directories: closing this one logs off, but leaves the
    // files this window did not use to the other.
    auto other = window("");
    w->close();
    platform::SetLogOffHandler(old);
    EXPECT_EQ(logOffs, 1);
    EXPECT_TRUE(platform::FileExists(tmp + "t.TMP"));
    EXPECT_TRUE(platform::FileExists(cache + "page"));
    // The last window empties them.
    other->close();
    EXPECT_FALSE(platform::FileExists(tmp + "t.TMP"));
    EXPECT_FALSE(platform::FileExists(cache + "page"));
    EXPECT_TRUE(platform::FileExists(cache + "sub/kept"));
}

TEST_F(WindowTest, FilesStayWhenToldToAndTheDeleteCommandAsksFirst) {
    auto w = window("[tmp]\ntmpdir=" + dir.path() + "tmp\ndeltmpfilesatexit=0\n[cache]\ncachedir=" +
                    dir.path() + "cache\ndelcachefilesatexit=0\n");
    const std::string tmp = w->Settings().TmpDir + "t.TMP", page = w->Settings().CacheDir + "page";
    ASSERT_TRUE(platform::WriteWholeFile(tmp, "x"));
    ASSERT_TRUE(platform::WriteWholeFile(page, "x"));
    w->SetStatus(0, "before");
    {
        shelltest::Headless headless; // the question takes its default answer, No
        w->DeleteCacheFilesClick();
    }
    EXPECT_TRUE(platform::FileExists(page));
    EXPECT_EQ(w->StatusText(0), "before");
    w->close();
    EXPECT_TRUE(platform::FileExists(tmp));
    EXPECT_TRUE(platform::FileExists(page));
}

// The texts on the status line are in terminal_window_test.cpp.
TEST_F(WindowTest, RefusedAddressesChangeOnlyTheStatusBar) {
    dir.write("denied_urls.dat", "http://adsrv\n");
    dir.write("page.html", "<html><title>Page</title>hello</html>");
    auto w = window("");
    w->OpenUrl("file://" + dir.path() + "page.html", true);
    const std::string url = w->Address().Url;
    for (const char* refused : {"http://adsrv/x", "gopher://host/"}) {
        w->OpenUrl(refused, true);
        EXPECT_EQ(w->Address().Url, url) << refused;
    }
    EXPECT_EQ(w->HistoryList().size(), 1u);
}

TEST_F(WindowTest, AddressBoxAddsTheSchemeAndKeepsEachTextOnce) {
    auto w = window("[restrictions]\nallow_proto_http=0\n");
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->CBUrls->setFocus();
    for (int i = 0; i < 2; ++i) {
        w->CBUrls->lineEdit()->setText("myhost");
        QTest::keyClick(w->CBUrls->lineEdit(), Qt::Key_Return);
    }
    ASSERT_EQ(w->CBUrls->count(), 1);
    EXPECT_EQ(w->CBUrls->itemText(0).toStdString(), "http://myhost");
    EXPECT_EQ(w->StatusText(0), "Unknown Protocol!") << "the navigation ran (and HTTP is off)";
}

TEST_F(WindowTest, BookmarksAreAddedOnceAndWritten) {
    auto w = window("");
    const std::string page = "file://" + dir.write("p.html", "<p>page");
    w->OpenUrl(page, true);
    for (QAction* a : {w->MAddBookmark, w->MAddBookmark}) a->trigger();
    EXPECT_EQ(w->Settings().Bookmarks, (strings{page}));
    EXPECT_EQ(testsupport::readFile(w->Settings().BookmarksFile), page + "\r\n");
    auto again = window("");
    EXPECT_EQ(again->Settings().Bookmarks, (strings{page}));
}

TEST(OpenUrlDialog, AHostWithoutSchemeGetsHttpAndEverythingElseStaysAsTyped) {
    const std::pair<const char*, const char*> cases[] = {
        {"127.0.0.1:8701/page2.html", "http://127.0.0.1:8701/page2.html"},
        {"www.example.com", "http://www.example.com"},
        {"localhost/x", "http://localhost/x"},
        {"page2.html", "page2.html"},
        {"sub/page.htm", "sub/page.htm"},
        {"../x.html", "../x.html"},
        {"#top", "#top"},
        {"mailto:ann@example.org", "mailto:ann@example.org"},
        {"ftp://host/", "ftp://host/"},
    };
    for (const auto& [typed, opened] : cases)
        EXPECT_EQ(shell::WithSchemeIfHost(typed), opened) << typed;
}
