// The window while and after a page arrives, used as a person uses it: a link clicked
// during a slow load, a download turned down, a picture saved from its pop-up menu.
#include "x_session.h"

#include <QByteArray>
#include <QFile>
#include <gtest/gtest.h>

using testsupport::waitUntil;

namespace {

class WindowUse : public xtest::XSessionTest {
protected:
    void SetUp() override {
        XSessionTest::SetUp();
        ASSERT_TRUE(server.started()) << server.errorText();
    }
    // True once the server has read a request for Path; it logs what it reads in hex.
    bool asked(const std::string& path) {
        return log.has(QByteArray(("GET " + path + " ").c_str()).toHex().toStdString());
    }

    testsupport::Peer server{"python3", {testsupport::peerScript("recording_server.py")}};
    xtest::PeerLog log{server};
};

// A 1 x 1 GIF.
const char gif[] = "GIF89a\1\0\1\0\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0\1\0\1\0\0\2\2D\1\0;";

} // namespace

TEST_F(WindowUse, ALinkClickedDuringASlowLoadIsTheLinkOfThePageOnDisplay) {
    site.write("home.html", xtest::BigLinkPage("Home", "about.html"));
    site.write("about.html", "<title>About</title>About this place");
    ASSERT_TRUE(b.open(site.file("home.html"), "Home"));

    b.enterAddress(xtest::loopback(server, "slow4"));
    ASSERT_TRUE(waitUntil([&] { return asked("/slow4"); }));
    b.click(300, b.toolBarY() + 150);
    EXPECT_TRUE(b.waitForCaption("About")) << b.caption();
    EXPECT_FALSE(asked("/about.html")) << "resolved against the address still loading";
}

TEST_F(WindowUse, ADownloadTurnedDownLeavesTheWindowAsItWas) {
    site.write("home.html", xtest::BigLinkPage("Home", "about.html"));
    ASSERT_TRUE(b.open(site.file("home.html"), "Home"));

    b.enterAddress(xtest::loopback(server, "download.zip"));
    ASSERT_TRUE(b.waitForCaption("You are going to download a \"application/zip\" file."))
        << b.caption();
    b.key({"Escape"});
    EXPECT_TRUE(b.waitForWindows(1));
    EXPECT_TRUE(b.waitForCaption("Home")) << b.caption();
}

TEST_F(WindowUse, SaveAsOnAPictureSavesThePicture) {
    const std::string picture(gif, sizeof gif - 1);
    site.write("pic.gif", picture);
    site.write("photo.html",
               "<title>Photo</title><body bgcolor=white><img src=pic.gif width=400 height=250>");
    ASSERT_TRUE(b.open(site.file("photo.html"), "Photo"));

    b.click(200, b.toolBarY() + 120, 3);
    ASSERT_TRUE(b.waitForWindows(2)) << "the pop-up menu did not open";
    // Save As is the menu's last item.
    b.key({"Up", "Return"});
    ASSERT_TRUE(b.waitForCaption("Save As")) << b.caption();
    const std::string saved = b.Dir.path() + "saved.gif";
    b.key({"ctrl+a"});
    b.type(saved);
    b.key({"Return"});
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(QString::fromStdString(saved)); }));
    EXPECT_TRUE(waitUntil([&] { return testsupport::readFile(saved) == picture; }))
        << "the picture's bytes, not the page's";
}
