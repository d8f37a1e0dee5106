#include "image/image_support.h"
#include "image/memory_stream.h"
#include "platform/files.h"
#include "shell/access_rules.h"
#include "shell/browser_window.h"
#include "shell/cache_files.h"
#include "shell/dialogs.h"
#include "shell/image_thread.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace shell;

namespace {

using testsupport::waitUntil;

TImageJob job(const std::string& address, const std::string& cacheFile) {
    TImageJob j;
    j.Srcs = {address};
    general::ParseUrl(address, j.RecUrl, {});
    j.CacheFile = cacheFile;
    return j;
}

} // namespace

TEST(ImageRequest, HasNoLanguageLineAndUsesTheProxyForm) {
    TImageJob j = job("http://host/path/a.gif", "/x");
    EXPECT_EQ(ImageRequest(j), "GET /path/a.gif HTTP/1.0\r\nHost: host\r\nAccept: */*\r\n"
                               "Accept-Encoding: \r\nUser-Agent: Webling 1.0\r\n\r\n");
    j.UseProxy = true;
    EXPECT_EQ(ImageRequest(j).substr(0, 42), "GET http://host:80/path/a.gif HTTP/1.0\r\nHo");
}

TEST(ImageThreads, StopAndTheLaunchersEndCancelWorkersThatHang) {
    // A listener that accepts connections and never answers them.
    QTcpServer silent;
    silent.setMaxPendingConnections(1000);
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    const std::string base = "http://127.0.0.1:" + std::to_string(silent.serverPort()) + "/";
    testsupport::TempDir dir;
    ASSERT_EQ(mkdir((dir.path() + "cache").c_str(), 0700), 0);
    auto jobs = [&](int n) {
        std::deque<TImageJob> q;
        for (int i = 0; i < n; ++i) {
            const std::string name = std::to_string(i);
            q.push_back(job(base + name + ".gif", dir.path() + "cache/" + name));
            q.back().TimeOut = 0; // no time-out: only cancelling can end them
        }
        return q;
    };
    int delivered = 0;
    {
        TImageThreads threads([&](const std::string&, image::TMemoryStream&) { ++delivered; });
        threads.Start(jobs(70));
        EXPECT_EQ(threads.Running(), TImageThreads::MaxRunning);
        ASSERT_TRUE(waitUntil([&] {
            return !std::filesystem::is_empty(dir.path() + "cache");
        })) << "workers are waiting for an answer, with their files open";
        threads.Stop();
        EXPECT_TRUE(threads.Idle()) << "Stop returns once every worker has ended";
        // Started again, and then the launcher goes with its window.
        threads.Start(jobs(10));
        EXPECT_EQ(threads.Running(), 10);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0) << "a cancelled worker hands nothing over";
}

TEST(ImageRequests, LocalImagesAtOnceNetworkImagesQueuedOnce) {
    testsupport::TempDir dir;
    shelltest::WriteIni(dir, "[restrictions]\nallow_proto_ftp=0\n");
    dir.write("pages/a.gif", shelltest::Gif());
    dir.write("pages/page.html", "<img src=a.gif>");
    auto window = shelltest::NewWindow(dir);
    TFMain& w = *window;
    shelltest::Headless headless;
    w.OpenUrl("file://" + dir.path() + "pages/page.html", true);
    image::TMemoryStream* stream = nullptr;
    w.OnImageRequest("a.gif", stream);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Data(), shelltest::Gif())
        << "copied next to the page, handed over without a thread";
    // Cached under the picture's absolute local address.
    const std::string local = "file://" + dir.path() + "pages/a.gif";
    EXPECT_TRUE(platform::IsPlainFile(CacheFileName(local, w.Settings())));
    EXPECT_TRUE(w.QueuedPictures() == 0);

    w.OnImageRequest("http://elsewhere/x.gif", stream);
    EXPECT_EQ(stream, image::LaterStream());
    w.OnImageRequest("http://elsewhere/x.gif", stream);
    EXPECT_EQ(w.QueuedPictures(), 1u);

    w.OnImageRequest("ftp://host/y.gif", stream);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(w.StatusText(0), "Unknown protocol!");

    // Where FTP is allowed, its pictures are coming later, not broken.
    shelltest::WriteIni(dir);
    // The restrictions are read once per program; a test starts them afresh.
    ResetSharedRestrictions();
    shelltest::NewWindow(dir)->OnImageRequest("ftp://127.0.0.1/y.gif", stream);
    EXPECT_EQ(stream, image::LaterStream());
}
