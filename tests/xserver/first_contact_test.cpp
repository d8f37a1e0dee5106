// What a person does in the first minutes, done as a person does it: real key presses and
// mouse clicks on the real program in an X server.
#include "x_session.h"

#include <QDir>
#include <gtest/gtest.h>

using testsupport::waitUntil;

namespace {

class FirstContact : public xtest::XSessionTest {
protected:
    void SetUp() override {
        XSessionTest::SetUp();
        site.write("t.html", "<title>Typed</title><h1>Typed page</h1>");
        site.write("k.html", "<title>Keypad</title><h1>Keypad page</h1>");
    }

    testsupport::Peer server = xtest::httpServer(site);
    xtest::PeerLog requests{server};
};

} // namespace

TEST_F(FirstContact, AnAddressTypedIntoTheBoxOpensWithEnterKeypadEnterAndFromTheList) {
    ASSERT_TRUE(b.open({}, "Webling start page"));

    b.enterAddress(xtest::loopback(server, "t.html"));
    EXPECT_TRUE(b.waitForCaption("Typed")) << b.caption();
    EXPECT_TRUE(waitUntil([&] { return requests.has("GET /t.html"); }));

    b.enterAddress(xtest::loopback(server, "k.html"), "KP_Enter");
    EXPECT_TRUE(b.waitForCaption("Keypad")) << b.caption();

    // Both addresses are in the list, "http://" added; the first one is clicked.
    b.clickAddressBox();
    b.key({"alt+Down"});
    ASSERT_TRUE(b.waitForWindows(2)) << "the list did not open";
    b.click(300, b.toolBarY() + 20);
    EXPECT_TRUE(b.waitForCaption("Typed")) << b.caption();
    EXPECT_TRUE(waitUntil([&] {
        const std::string& r = requests.text();
        return r.find("GET /t.html") != r.rfind("GET /t.html");
    })) << requests.text();
}

TEST_F(FirstContact, LinksBetweenLocalPagesAndTheBackAndForwardButtons) {
    site.write("a.html", xtest::BigLinkPage("Page A", "sub/b.html#end"));
    site.write("sub/b.html", xtest::BigLinkPage("Page B", "../a.html"));
    ASSERT_TRUE(b.open(site.file("a.html"), "Page A"));

    b.click(300, b.toolBarY() + 150);
    EXPECT_TRUE(b.waitForCaption("Page B"));
    b.clickToolButton(3);
    EXPECT_TRUE(b.waitForCaption("Page A"));
    b.clickToolButton(4);
    EXPECT_TRUE(b.waitForCaption("Page B"));
    // The relative link of the page in the folder leads back up to the first page.
    b.click(300, b.toolBarY() + 150);
    EXPECT_TRUE(b.waitForCaption("Page A"));
}

TEST_F(FirstContact, ALocalAddressWithAFragmentShowsTheAnchorAtTheTop) {
    std::string page = "<title>Long</title><body bgcolor=white text=black>";
    for (int i = 0; i < 200; ++i) page += "Line " + std::to_string(i) + "<br>";
    page += "<a name=bottom></a><font size=7 color=#FF0000>BOTTOM</font>";
    for (int i = 0; i < 200; ++i) page += "<br>";
    site.write("long.html", page);
    ASSERT_TRUE(b.open({}, "Webling start page"));

    b.enterAddress("file://" + site.file("long.html") + "#bottom");
    ASSERT_TRUE(b.waitForCaption("Long")) << b.caption();
    const int top = b.toolBarY() + 20;
    EXPECT_TRUE(waitUntil([&] {
        return xtest::countColour(x.screenshot(), QRect(0, top, 700, 80), qRgb(255, 0, 0)) > 50;
    })) << "the anchor's line is not at the top of the page";
}

TEST_F(FirstContact, TextSelectedWithTheMouseIsCopiedWithControlC) {
    site.write("sel.html", "<title>Select</title><body bgcolor=white><font size=7>Selectable "
                           "words</font><p>more text");
    ASSERT_TRUE(b.open(site.file("sel.html"), "Select"));

    const int y = b.toolBarY() + 45;
    b.drag(5, y, 650, y);
    b.key({"ctrl+c"});
    EXPECT_TRUE(waitUntil([&] {
        return x.clipboard().find("Selectable words") != std::string::npos;
    })) << x.clipboard();
}

TEST_F(FirstContact, FindFromTheEditMenuSelectsTheWord) {
    site.write("find.html",
               "<title>Haystack</title><body bgcolor=white><p>hay hay hay<p>hay needle hay");
    ASSERT_TRUE(b.open(site.file("find.html"), "Haystack"));

    b.openMenu(1);
    ASSERT_TRUE(b.waitForWindows(2)) << "the Edit menu did not open";
    b.key({"Up", "Return"});
    ASSERT_TRUE(b.waitForCaption("Find"));
    b.type("needle");
    b.key({"Return"});
    b.key({"Escape"});
    ASSERT_TRUE(b.waitForWindows(1));
    // What Find selected is what Copy takes.
    b.key({"ctrl+c"});
    EXPECT_TRUE(waitUntil([&] { return x.clipboard() == "needle"; })) << x.clipboard();
}

TEST_F(FirstContact, ClosingTheWindowEndsTheProgramAndRemovesItsFiles) {
    ASSERT_TRUE(b.open(site.file("t.html"), "Typed"));
    EXPECT_FALSE(QDir(QString::fromStdString(b.cacheDir())).isEmpty(QDir::Files));

    b.openMenu(0);
    ASSERT_TRUE(b.waitForWindows(2)) << "the Main menu did not open";
    b.key({"Up", "Return"});
    EXPECT_TRUE(b.waitForExit());
    EXPECT_TRUE(QDir(QString::fromStdString(b.cacheDir())).isEmpty(QDir::Files));
    EXPECT_TRUE(QDir(QString::fromStdString(b.tmpDir())).isEmpty(QDir::Files));
}
