// Navigation over HTTP against real servers on 127.0.0.1.
#include "platform/files.h"
#include "shell/browser_window.h"
#include "shell/cache_files.h"
#include "shell/url_combo_box.h"
#include "shell_test_support.h"
#include "test_support.h"
#include "view/html_view.h"

#include <QTimer>
#include <gtest/gtest.h>

using shell::TFMain;

namespace {

class NavigationTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    shelltest::RecordingServer server;
    shelltest::Headless headless;

    void SetUp() override { ASSERT_TRUE(server.Peer.started()) << server.Peer.errorText(); }
    std::unique_ptr<TFMain> window(const std::string& ini = "") {
        return shelltest::Window(dir, ini);
    }
    std::string base() const { return server.base(); }
    std::vector<std::string> seen() { return server.requests(); }
    std::string cached(TFMain& w) {
        return testsupport::readFile(shell::CacheFileName(w.Address().Url, w.Settings()));
    }
    static bool inCache(TFMain& w, const std::string& url) {
        return platform::FileExists(shell::CacheFileName(url, w.Settings()));
    }
    // Runs Action once, as soon as the server has read a request beginning with Start.
    void onceAsked(const std::string& start, std::function<void()> action) {
        QObject::connect(&poll, &QTimer::timeout, [this, start, action] {
            if (!server.asked(start)) return;
            poll.stop();
            action();
        });
        poll.start(20);
    }
    QTimer poll;
};

} // namespace

TEST_F(NavigationTest, APageIsAskedForByteForByteAndShown) {
    auto w = window();
    w->OpenUrl(base() + "/page.html", true);
    EXPECT_EQ(w->StatusText(0), "Finished.") << "the viewer has shown the page";
    auto reqs = seen();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0], "GET /page.html HTTP/1.0\r\nHost: 127.0.0.1\r\nAccept: */*\r\n"
                       "Accept-Encoding: \r\nAccept-Language: *\r\n"
                       "User-Agent: Webling 1.0\r\n\r\n");
}

TEST_F(NavigationTest, OddServersStillGiveTheirPages) {
    auto w = window();
    for (const char* path : {"/headerless", "/split", "/long-header", "/slow"}) {
        SCOPED_TRACE(path);
        w->OpenUrl(base() + path, true);
        EXPECT_EQ(w->LastNavigationError(), "");
        std::string body = cached(*w);
        EXPECT_FALSE(body.empty());
        EXPECT_EQ(body.find("HTTP/1.0"), std::string::npos) << "no header in the stored body";
    }
    EXPECT_NE(cached(*w).find("<p>part 4</p>"), std::string::npos) << "all of /slow";
}

// Absolute redirections between http and https are followed in https_test.cpp.
TEST_F(NavigationTest, RedirectionsAreFollowedUnlessSwitchedOff) {
    auto w = window();
    // A bare Location is followed, resolved against the answer that carried it, without a
    // download dialog or an empty-answer box.
    w->OpenUrl(base() + "/d/bare-redirect", true);
    EXPECT_EQ(w->Address().Path, "/d/../page.html");
    EXPECT_EQ(w->LastNavigationError(), "");
    EXPECT_NE(cached(*w).find("Hello there"), std::string::npos);

    auto off = window("[main]\ngotomovedlocations=0\n");
    off->OpenUrl(base() + "/redirect", true);
    EXPECT_EQ(off->Address().Path, "/redirect");
    EXPECT_EQ(cached(*off), "<html>moved</html>") << "shown with whatever body it carried";
}

TEST_F(NavigationTest, ARedirectionLoopStopsAfterTen) {
    auto w = window();
    w->OpenUrl(base() + "/loop", true);
    EXPECT_EQ(w->StatusText(0), "Too many redirections");
    EXPECT_EQ(cached(*w), "<html>loop body</html>");
    EXPECT_EQ(seen().size(), 11u) << "the first request and ten redirections";
}

TEST_F(NavigationTest, AnswersThatBringNoPageLeaveTheWindowAsItWas) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(shelltest::FreePort()) + "/";
    auto w = window();
    w->OpenUrl(base() + "/page.html", true);
    const std::string before = w->Address().Url;
    // No blank after the colon in /notype: the type is not found, so it is a download too,
    // and a download not saved is no page.
    for (const std::string& address :
         {base() + "/empty", base() + "/download.zip", base() + "/notype", refused}) {
        SCOPED_TRACE(address);
        w->OpenUrl(address, true);
        EXPECT_FALSE(w->Fetching());
        EXPECT_EQ(w->Address().Url, before);
        EXPECT_EQ(w->CBUrls->currentText().toStdString(), before);
        EXPECT_EQ(w->windowTitle().toStdString(), "Recorded");
        EXPECT_EQ(w->HistoryList().size(), 1u);
    }
    EXPECT_EQ(w->StatusText(0), "Connection refused");
    EXPECT_FALSE(inCache(*w, base() + "/download.zip"));
}

TEST_F(NavigationTest, HistoryBackForwardAndTruncation) {
    auto w = window();
    for (const char* query : {"?1", "?2", "?3"}) w->OpenUrl(base() + "/page.html" + query, true);
    ASSERT_EQ(w->HistoryList().size(), 3u);
    w->BAtrasClick();
    EXPECT_EQ(w->HistoryPosition(), 1);
    EXPECT_EQ(w->Address().Path, "/page.html?2");
    w->BAtrasClick();
    w->BAtrasClick(); // at the first page: nothing opens
    EXPECT_EQ(w->HistoryPosition(), 0);
    EXPECT_EQ(w->Address().Path, "/page.html?1");
    w->BDelanteClick();
    w->BDelanteClick();
    w->BDelanteClick(); // past the last page
    EXPECT_EQ(w->HistoryPosition(), 2);
    EXPECT_EQ(w->Address().Path, "/page.html?3");
    w->BAtrasClick();
    w->BAtrasClick();
    w->OpenUrl(base() + "/page.html?4", true);
    EXPECT_EQ(w->HistoryList().size(), 2u) << "later entries are removed";
    EXPECT_EQ(w->HistoryPosition(), 1);
}

TEST_F(NavigationTest, ThroughTinyproxy) {
    shelltest::Tinyproxy proxy(dir);
    if (!proxy.Port) GTEST_SKIP() << "tinyproxy is not installed";
    auto w = window("[proxy]\nuseproxy=1\nproxyserver=127.0.0.1\nproxyport=" +
                    std::to_string(proxy.Port) + "\n");
    w->OpenUrl(base() + "/page.html", true);
    EXPECT_NE(cached(*w).find("Hello there"), std::string::npos);
    auto reqs = seen();
    ASSERT_EQ(reqs.size(), 1u);
    // A request straight from the window would carry no Via line.
    EXPECT_NE(reqs[0].find("\r\nVia: "), std::string::npos) << "the proxy asks the server";
}

TEST_F(NavigationTest, ALinkFollowedDuringALoadIsTheOnlyPageRecorded) {
    auto w = window();
    // While /slow is still arriving, the user follows a link; the link's navigation runs
    // inside the waiting one and closes its connection.
    onceAsked("GET /slow", [&] { w->OpenUrl(base() + "/page.html", true); });
    w->OpenUrl(base() + "/slow", true);
    EXPECT_EQ(w->Address().Path, "/page.html");
    EXPECT_EQ(w->HistoryList(), (std::vector<std::string>{w->Address().Url}))
        << "recorded once, /slow never shown";
    EXPECT_EQ(w->HistoryPosition(), 0);
}

TEST_F(NavigationTest, ClosingTheWindowDuringALoadEndsTheRetrieval) {
    auto w = window();
    onceAsked("GET /slow", [&] { w->close(); });
    w->OpenUrl(base() + "/slow", true);
    EXPECT_FALSE(w->Fetching());
    EXPECT_EQ(w->Settings().HTTPThings.FileHandle, -1) << "the cache file is not left open";
    EXPECT_FALSE(w->ConnectionOpen()) << "the connection is not left open";
    EXPECT_TRUE(w->HistoryList().empty()) << "a closed window records nothing";
    // A closed further window stays hidden; a meta refresh firing there opens nothing.
    w->OpenUrl(base() + "/page.html", true);
    EXPECT_TRUE(w->HistoryList().empty());
    EXPECT_FALSE(w->MetaTimer->isActive());
}

TEST_F(NavigationTest, HostileServersEndWithinTheirTimeOut) {
    auto w = window("[main]\ntimeout=1\n");
    w->OpenUrl(base() + "/page.html", true);
    const std::string before = w->Address().Url;
    // Accepts and never answers: the window stays as it was and says why.
    w->OpenUrl(base() + "/silent", true);
    EXPECT_EQ(w->LastNavigationError(), "Time out!");
    EXPECT_EQ(w->Address().Url, before);
    EXPECT_EQ(w->CBUrls->currentText().toStdString(), before);
    EXPECT_EQ(w->HistoryList().size(), 1u);
    // Stops between two bytes, or sends less than it promised and holds the connection:
    // what came is shown, and the status line says it was cut short.
    for (const char* path : {"/drip", "/short-body"}) {
        SCOPED_TRACE(path);
        w->OpenUrl(base() + path, true);
        EXPECT_EQ(w->Address().Path, path);
        EXPECT_EQ(w->StatusText(0), "Time out!");
    }
    EXPECT_EQ(cached(*w), "<html>short");
    // Never stops sending: the deadline of the whole retrieval ends it.
    w->OpenUrl(base() + "/endless", true);
    EXPECT_EQ(w->StatusText(0), "Time out!");
    EXPECT_EQ(cached(*w).substr(0, 7), "<html>x");
    EXPECT_EQ(w->Settings().HTTPThings.FileHandle, -1);
}

TEST_F(NavigationTest, StopEndsTheRetrievalAtOnce) {
    auto w = window();
    w->OpenUrl(base() + "/page.html", true);
    // Stop is pressed once the server has the request it will never answer.
    onceAsked("GET /silent", [&] { w->BStopClick(); });
    w->OpenUrl(base() + "/silent", true);
    EXPECT_EQ(w->LastNavigationError(), "Stopped.");
    EXPECT_EQ(w->Address().Path, "/page.html");
    EXPECT_FALSE(w->Fetching());
    EXPECT_FALSE(w->ConnectionOpen());
    // The window is usable at once.
    w->OpenUrl(base() + "/page.html?again", true);
    EXPECT_EQ(w->LastNavigationError(), "");
    EXPECT_EQ(w->Address().Path, "/page.html?again");
}

TEST_F(NavigationTest, APageTooLargeAndARefusedDownloadWriteNothing) {
    auto w = window("[main]\nmaxpagesize=100000\n[restrictions]\nallow_proto_file=0\n");
    w->OpenUrl(base() + "/page.html", true);
    w->OpenUrl(base() + "/big?n=90000", true);
    EXPECT_EQ(w->LastNavigationError(), "") << "within the limit";
    w->OpenUrl(base() + "/big?n=1000000", true);
    EXPECT_EQ(w->StatusText(0), "Page too large");
    EXPECT_EQ(w->HistoryList().size(), 2u);
    // A type the browser does not show, at a terminal without file access.
    w->OpenUrl(base() + "/download.zip", true);
    EXPECT_EQ(w->StatusText(0), "Download not allowed");
    EXPECT_EQ(w->CBUrls->currentText().toStdString(), base() + "/big?n=90000");
    for (const char* path : {"/big?n=1000000", "/download.zip"})
        EXPECT_FALSE(inCache(*w, base() + path)) << path;
}

TEST_F(NavigationTest, APictureOpenedAsAnAddressIsShownFromTheCache) {
    auto w = window();
    // No extension: the server's type decides, and the picture is not asked for again
    // under its cache name.
    w->OpenUrl(base() + "/picture", true);
    EXPECT_EQ(w->LastNavigationError(), "");
    EXPECT_EQ(w->HTMLVisor->DocKind(), view::dkImage);
    EXPECT_TRUE(w->QueuedPictures() == 0);
    EXPECT_FALSE(w->ImagesPending());
    EXPECT_EQ(seen().size(), 1u);
    // A page named like a picture is still a page when the server says so.
    w->OpenUrl(base() + "/x/page.html", true);
    EXPECT_EQ(w->HTMLVisor->DocKind(), view::dkHTML);
}

TEST_F(NavigationTest, ManyRefusedPicturesBringUpOneBox) {
    dir.write("denied_urls.dat", base() + "/denied\n");
    auto w = window();
    std::string page = "<html><body>";
    for (int i = 0; i < 300; ++i)
        page += "<img src=\"" + base() + "/denied/" + std::to_string(i) + ".gif\">";
    dir.write("pages/many.html", page + "</body></html>");
    testing::internal::CaptureStderr();
    w->OpenUrl("file://" + dir.path() + "pages/many.html", true);
    const std::string boxes = testing::internal::GetCapturedStderr();
    const size_t first = boxes.find("URL no permitida");
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(boxes.find("URL no permitida", first + 1), std::string::npos) << "one box only";
    EXPECT_EQ(w->StatusText(0), "Not allowed URL! (300 pictures refused)");
    EXPECT_TRUE(seen().empty()) << "no refused picture is asked for";
}

TEST_F(NavigationTest, ProgressShowsTheBytesAndThePercentage) {
    auto w = window();
    w->OpenUrl(base() + "/slow", true);
    EXPECT_EQ(w->StatusText(2), std::to_string(cached(*w).size()) + " bytes");
    // A keep-alive answer ends with its Content-Length.
    w->OpenUrl(base() + "/keepalive", true);
    EXPECT_NE(cached(*w).find("Hello there"), std::string::npos);
    EXPECT_EQ(w->StatusText(2), std::to_string(cached(*w).size()) + " bytes (100%)");
}

TEST_F(NavigationTest, AWindowClosedLeavesTheOtherWindowsFiles) {
    auto first = window();
    auto second = window();
    first->OpenUrl(base() + "/page.html", true);
    second->OpenUrl(base() + "/page.html", true);
    second->OpenUrl(base() + "/page.html?own", true);
    const std::string own = second->Address().Url;
    second->close();
    EXPECT_NE(cached(*first).find("Hello there"), std::string::npos)
        << "the page the first window shows is the first window's too";
    EXPECT_FALSE(inCache(*second, own)) << "what only the closed window used goes with it";
    testing::internal::CaptureStderr();
    first->MSeeSource->trigger();
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("can not find"), std::string::npos);
    first->close();
    EXPECT_FALSE(inCache(*first, first->Address().Url));
}
