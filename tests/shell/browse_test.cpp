// Browsing end to end: pages with pictures from a real server, through the window and
// through the program run as a person would.
#include "doc/image_obj.h"
#include "doc/text_section.h"
#include "shell/browser_window.h"
#include "shell/dialogs.h"
#include "shell/form_data.h"
#include "shell_test_support.h"
#include "test_support.h"
#include "view/html_view.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

using shell::TFMain;

namespace {

using testsupport::waitUntil;

class BrowseTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::unique_ptr<testsupport::Peer> server;

    void SetUp() override {
        server = std::make_unique<testsupport::Peer>(
            "python3", QStringList{testsupport::peerScript("http_server.py"), QString(TEST_DATA_DIR) + "/browse"});
        ASSERT_TRUE(server->started()) << server->errorText();
        shell::SetHeadless(true);
    }
    void TearDown() override { shell::SetHeadless(false); }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(server->port()) + "/"; }
    std::string ini() const {
        return "[users]\nusersrootdir=" + dir.path() + "users\n[tmp]\ntmpdir=" + dir.path() + "tmp\n[cache]\ncachedir=" +
               dir.path() + "cache\n";
    }
    std::unique_ptr<TFMain> window() {
        auto w = shelltest::Window(dir, "");
        w->resize(731, 677);
        w->show();
        return w;
    }
    static std::vector<doc::TImageObj*> images(TFMain& w) {
        std::vector<doc::TImageObj*> out;
        for (const auto& s : w.HTMLVisor->Sections())
            if (auto* t = dynamic_cast<doc::TSection*>(s.get()))
                for (const auto& i : t->Images) out.push_back(i.get());
        return out;
    }
};

} // namespace

TEST_F(BrowseTest, ThePicturesOfAPageArriveInTheBackground) {
    auto w = window();
    w->OpenUrl(base() + "page.html", true);
    EXPECT_EQ(w->windowTitle().toStdString(), "Three pictures");
    ASSERT_TRUE(waitUntil([&] { return !w->ImagesPending(); }));
    QCoreApplication::processEvents();
    auto imgs = images(*w);
    ASSERT_EQ(imgs.size(), 4u);
    for (doc::TImageObj* i : imgs) {
        SCOPED_TRACE(i->Source);
        EXPECT_EQ(i->PictureKind, doc::TImageObj::RealPicture);
        EXPECT_EQ(i->ImageWidth, 40);
        EXPECT_EQ(i->ImageHeight, 30);
    }
}

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
}

TEST_F(BrowseTest, ScreenshotOfAPageWithItsPictures) {
    for (const char* f : {"webling", "home.html"})
        ASSERT_TRUE(QFile::copy(QString(WEBLING_BINARY_DIR) + "/" + f, QString::fromStdString(dir.file(f))));
    QFile::setPermissions(QString::fromStdString(dir.file("webling")), QFile::ReadOwner | QFile::ExeOwner);
    dir.write("webling.ini", ini());
    const std::string png = dir.file("page.png");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.start(QString::fromStdString(dir.file("webling")),
            {QString::fromStdString("--screenshot=" + png), QString::fromStdString(base() + "page.html")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string out = p.readAllStandardOutput().toStdString();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(out.rfind("caption: Three pictures\nstatus: ", 0), 0u) << out;
    QImage shot(QString::fromStdString(png));
    ASSERT_FALSE(shot.isNull());
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
