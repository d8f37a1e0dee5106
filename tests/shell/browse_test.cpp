// Browsing end to end: pages with pictures from a real server, through the window and
// through the program run as a person would.
#include "doc/doc_page.h"
#include "shell/browser_window.h"
#include "shell_test_support.h"
#include "test_support.h"
#include "view/html_view.h"

#include <QCoreApplication>
#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

using shell::TFMain;

namespace {

using testsupport::waitUntil;

class BrowseTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::unique_ptr<testsupport::Peer> server = shelltest::FileServer(TEST_DATA_DIR "/browse");
    shelltest::Headless headless;

    void SetUp() override { ASSERT_TRUE(server->started()) << server->errorText(); }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(server->port()) + "/"; }
    std::unique_ptr<TFMain> window() {
        auto w = shelltest::Window(dir, "");
        w->resize(731, 677);
        w->show();
        return w;
    }
};

} // namespace

TEST_F(BrowseTest, ALinkClickCancelsAPendingRefresh) {
    auto w = window();
    w->OpenUrl(base() + "second.html", true);
    ASSERT_TRUE(w->MetaTimer->isActive());
    EXPECT_EQ(w->MetaTimer->interval(), 30000);
    bool handled = false;
    w->HTMLVisor->OnHotSpotClick(w->HTMLVisor, "page.html", handled);
    EXPECT_TRUE(handled);
    EXPECT_FALSE(w->MetaTimer->isActive());
    EXPECT_EQ(w->Address().Path, "/page.html");
    EXPECT_EQ(w->HistoryList().size(), 2u);
    // The screenshot below shows each colour; here every picture, the repeated one too,
    // arrives in the background.
    ASSERT_TRUE(waitUntil([&] { return !w->ImagesPending(); }));
    QCoreApplication::processEvents();
    auto imgs = testsupport::ImagesOf(w->HTMLVisor->Sections());
    ASSERT_EQ(imgs.size(), 4u);
    for (doc::TImageObj* i : imgs) EXPECT_EQ(i->PictureKind, doc::TImageObj::RealPicture);
}

TEST_F(BrowseTest, ScreenshotOfAPageWithItsPictures) {
    ASSERT_TRUE(shelltest::CopyProgram(dir));
    const std::string png = dir.file("page.png");
    const shelltest::RunResult r =
        shelltest::Run(dir, {QString::fromStdString("--screenshot=" + png),
                             QString::fromStdString(base() + "page.html")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("caption: Three pictures\nstatus: ", 0), 0u) << r.out;
    QImage shot(QString::fromStdString(png));
    ASSERT_FALSE(shot.isNull());
    EXPECT_GT(shot.width(), 600) << "the default size";
    EXPECT_GT(shot.height(), 500);
    auto has = [&](QRgb c) {
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) == c) return true;
        return false;
    };
    EXPECT_TRUE(has(qRgb(220, 20, 20)));
    EXPECT_TRUE(has(qRgb(20, 160, 40)));
    EXPECT_TRUE(has(qRgb(20, 40, 200)));
}
