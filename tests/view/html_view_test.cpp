#include "view_fixture.h"

#include "image/gif_image.h"

#include <QApplication>
#include <QScrollBar>

using namespace viewtest;
using testsupport::pngBytes;

// A file loaded with an anchor is scrolled there in LinksAreFollowedByTheirExtension.
TEST_F(ViewTest, ReloadingTheSameFileKeepsThePositionAndAnotherStartsAtTheTop) {
    const std::string a = page("a.htm", longBody(80));
    View->LoadDocument(a);
    View->ScrollToY(300);
    View->LoadDocument(a);
    EXPECT_EQ(View->ViewTop(), 300) << "the same file without an anchor keeps the view";
    View->LoadDocument(page("b.htm", longBody(80)));
    EXPECT_EQ(View->ViewTop(), 0) << "another file starts at the top";
}

TEST_F(ViewTest, AMissingFileRaisesAndLeavesTheOldDocument) {
    const std::string a = page("a.htm", longBody(5));
    View->LoadDocument(a);
    const int sections = View->Sections().Count();
    std::vector<bool> processing;
    View->OnProcessing = [&](view::THtmlView*, bool on) { processing.push_back(on); };

    const std::string missing = Dir.file("nowhere.htm");
    const auto load = [&] { View->LoadDocument(missing + "#x"); };
    EXPECT_EQ(testsupport::FailureOf<view::EInOutError>(load), "Can't locate file: " + missing);
    EXPECT_EQ(processing, (std::vector<bool>{true, false}));
    EXPECT_EQ(View->DocumentFile(), a);
    EXPECT_EQ(View->Sections().Count(), sections);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone";
}

// A usable refresh alone is taken up by the window in browse_test.cpp.
TEST_F(ViewTest, RefreshMetaFiresOnceAfterTheLoadOnlyWhenUsable) {
    const std::string refresh = "<meta http-equiv=\"refresh\" content=";
    const struct {
        const char* name;
        std::string metas;
        int delay;
        std::string url; // "": the refresh is not reported
    } cases[] = {
        {"no url", refresh + "\"5\">", 0, ""},
        {"zero delay", refresh + "\"0; url=x\">", 0, ""},
        {"not a number", refresh + "\"soon; url=x\">", 0, ""},
        {"other http-equiv", "<meta http-equiv=\"expires\" content=\"5; url=x\">", 0, ""},
        {"last usable wins", refresh + "\"3; url=first.htm\">" + refresh + "\"0; url=bad.htm\">" + refresh + "\"7;url=Second.htm\">", 7,
         "Second.htm"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = page("meta" + std::to_string(n++) + ".htm", c.metas + "<p>text");
        int calls = 0, delay = 0, metas = 0;
        std::string url;
        bool processingAtFire = true;
        View->OnMeta = [&](view::THtmlView*, const std::string&, const std::string&, const std::string&) { ++metas; };
        View->OnMetaRefresh = [&](view::THtmlView*, int d, const std::string& u) {
            ++calls;
            delay = d;
            url = u;
            processingAtFire = View->Processing();
        };
        View->LoadDocument(file);
        EXPECT_GE(metas, 1);
        EXPECT_EQ(calls, c.url.empty() ? 0 : 1);
        EXPECT_EQ(delay, c.delay);
        EXPECT_EQ(url, c.url);
        if (calls) {
            EXPECT_FALSE(processingAtFire) << "fired after the load has finished";
        }
    }
}

// The link to a picture is followed in SelectTest.TheHistoryRemembersWhereEachPageWasLeft.
TEST_F(ViewTest, LinksAreFollowedByTheirExtension) {
    const std::string other = page("other.htm", "<title>Other</title>" + longBody(60));
    const std::string a = page("a.htm", "<p><a href=\"other.htm#s4\">other</a> "
                                        "<a href=\"file.zip\">zip</a>" +
                                            longBody(60) + "<p><a href=\"#s0\">top</a>");
    std::vector<std::string> clicked;
    View->OnHotSpotClick = [&](view::THtmlView*, const std::string& src, bool&) { clicked.push_back(src); };

    View->LoadDocument(a);
    // Nothing happens for a file the viewer cannot show.
    ASSERT_TRUE(clickLink("file.zip"));
    EXPECT_EQ(View->DocumentFile(), a);

    // An anchor within the page: from the bottom back to the top.
    View->ScrollToY(View->DocHeight());
    const int bottom = View->ViewTop();
    ASSERT_GT(bottom, 0);
    ASSERT_TRUE(clickLink("#s0"));
    EXPECT_LT(View->ViewTop(), bottom);
    EXPECT_EQ(View->DocumentFile(), a);

    View->ScrollToY(0);
    ASSERT_TRUE(clickLink("other.htm#s4"));
    EXPECT_EQ(View->DocumentFile(), other);
    EXPECT_EQ(View->DocTitle(), "Other");
    EXPECT_EQ(View->ViewTop(), View->Anchors().AnchorY("s4") + View->MarginHeight());

    EXPECT_EQ(clicked, (std::vector<std::string>{"file.zip", "#s0", "other.htm#s4"}));

    // A click the handler takes is not followed.
    View->OnHotSpotClick = [&](view::THtmlView*, const std::string&, bool& handled) { handled = true; };
    View->LoadDocument(a);
    ASSERT_TRUE(clickLink("other.htm#s4"));
    EXPECT_EQ(View->DocumentFile(), a);
}

TEST_F(ViewTest, HoveringALinkShowsTheHandAndReportsItOnce) {
    const std::string a = page("a.htm", "<p><a href=\"next.htm\" target=\"main\">next page</a><p>plain text");
    View->LoadDocument(a);
    std::vector<std::string> covered;
    View->OnHotSpotCovered = [&](view::THtmlView*, const std::string& src) { covered.push_back(src); };
    auto p = linkPoint("next.htm");
    ASSERT_TRUE(p);
    QTest::mouseMove(panel(), *p);
    QTest::mouseMove(panel(), *p + QPoint(1, 0));
    EXPECT_EQ(panel()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(View->LinkURL(), "next.htm");
    EXPECT_EQ(View->LinkTarget(), "main");
    QTest::mouseMove(panel(), QPoint(panel()->width() - 2, panel()->height() - 2));
    EXPECT_EQ(panel()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(covered, (std::vector<std::string>{"next.htm", ""}));
    EXPECT_EQ(View->LinkURL(), "");
    // Leaving the page straight from a link clears it too.
    QTest::mouseMove(panel(), *p);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(panel(), &leave);
    EXPECT_EQ(covered, (std::vector<std::string>{"next.htm", "", "next.htm", ""}));
}

TEST_F(ViewTest, ResolveFileNameFollowsThePosixRules) {
    const std::string a = page("sub/a.htm", "<p>x");
    View->LoadDocument(a);
    const std::string dir = Dir.file("sub/");
    struct Case {
        const char* name;
        std::string base, root, input, expected;
    } cases[] = {
        {"relative to the document", "", "", "pics/b.gif", dir + "pics/b.gif"},
        {"blanks trimmed", "", "", "  b.htm\t", dir + "b.htm"},
        {"case kept", "", "", "Mixed.HTM", dir + "Mixed.HTM"},
        {"parent directory", "", "", "../up.htm", Dir.file("up.htm")},
        {"absolute", "", "", "/var/www/x.htm", "/var/www/x.htm"},
        {"file address with escapes", "", "", "file:///home/ann/a%20b.htm", "/home/ann/a b.htm"},
        {"below the server root", "", "/srv/site/", "/img/a.gif", "/srv/site/img/a.gif"},
        {"DosPath keeps it relative", "DosPath", "", "x/y.htm", "x/y.htm"},
        {"file base", "file:///data/base/", "", "y.htm", "/data/base/y.htm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View->SetFallbackBase(c.base);
        View->SetServerRoot(c.root);
        View->LoadDocument(a); // the base is taken at load
        EXPECT_EQ(View->ResolveFileName(c.input), c.expected);
    }
}

TEST_F(ViewTest, PropertiesKeepTheirLimits) {
    View->SetMarginWidth(51);
    EXPECT_EQ(View->MarginWidth(), 10);
    View->SetMarginHeight(-1);
    EXPECT_EQ(View->MarginHeight(), 5);
    View->SetMarginWidth(0);
    EXPECT_EQ(View->MarginWidth(), 0);
    View->SetDefFontSize(3);
    EXPECT_EQ(View->DefFontSize(), 6);
    View->SetImageCacheCount(25);
    EXPECT_EQ(View->ImageCacheCount(), 20);
    EXPECT_EQ(image::ImageCache().AgeLimit(), 20);
    View->SetImageCacheCount(-3);
    EXPECT_EQ(View->ImageCacheCount(), 0);
    View->SetServerRoot("  /srv/www\\ ");
    EXPECT_EQ(View->ServerRoot(), "/srv/www");
}

TEST_F(ViewTest, ClearDocumentKeepsTheFileNameAndHidesTheBars) {
    const std::string a = page("a.htm", "<title>T</title>" + longBody(80));
    View->LoadDocument(a);
    ASSERT_TRUE(View->VScrollBar()->isVisible());
    std::string sounds;
    View->OnSoundRequest = [&](view::THtmlView*, const std::string& src, int loop, bool terminate) {
        sounds += "[" + src + " " + std::to_string(loop) + (terminate ? " stop]" : "]");
    };
    View->ClearDocument();
    EXPECT_EQ(sounds, "[ 0 stop]");
    EXPECT_EQ(View->Sections().Count(), 0);
    EXPECT_EQ(View->DocTitle(), "");
    EXPECT_EQ(View->DocumentFile(), a);
    EXPECT_FALSE(View->VScrollBar()->isVisible());
    EXPECT_FALSE(View->HScrollBar()->isVisible());
}

TEST_F(ViewTest, AnImageFileOfAnyNameIsShownAndItsNameObeysNothing) {
    // The picture is shown through a tag made around its file name: quotes, tags, comments,
    // entities and length must not change what it shows.
    const std::string names[] = {
        "green.png",
        "x\"><META HTTP-EQUIV=refresh CONTENT=\"1; URL=y.htm\"><BGSOUND SRC=s.wav><I x=\".png",
        "a<!-- b -->&amp;<B>.png", // ('#' would start the anchor)
        std::string(240, 'n') + ".png",
    };
    int metas = 0, refreshes = 0, sounds = 0;
    View->OnMeta = [&](view::THtmlView*, const std::string&, const std::string&, const std::string&) { ++metas; };
    View->OnMetaRefresh = [&](view::THtmlView*, int, const std::string&) { ++refreshes; };
    View->OnSoundRequest = [&](view::THtmlView*, const std::string&, int, bool terminate) { sounds += !terminate; };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Dir.write(name, pngBytes(30, 20, Qt::green));
        View->ShowImageFile(Dir.file(name));
        EXPECT_EQ(View->DocKind(), view::dkImage);
        auto p = imagePoint();
        ASSERT_TRUE(p);
        EXPECT_EQ(QColor(surface().pixel(*p)), QColor(Qt::green));
    }
    EXPECT_EQ(metas + refreshes + sounds, 0);
}

TEST_F(ViewTest, ImagesSwitchedOnShowOnTheOpenPageAndARightClickGivesImageAndLink) {
    Dir.write("red.png", pngBytes(40, 30, Qt::red));
    View->SetViewImages(false);
    const std::string a = page("a.htm", "<p>x <a href=\"big.htm\"><img src=\"red.png\"></a> y");
    View->LoadDocument(a);
    ASSERT_EQ(images().size(), 1u);
    doc::TImageObj* img = images()[0];
    EXPECT_EQ(img->PictureKind, doc::TImageObj::PendingPicture);
    View->SetViewImages(true);
    EXPECT_EQ(img->PictureKind, doc::TImageObj::RealPicture);
    EXPECT_EQ(img->ImageWidth, 40 + 2) << "with the link's frame";
    auto p = imagePoint();
    ASSERT_TRUE(p);
    EXPECT_EQ(QColor(surface().pixel(*p + QPoint(4, 4))), QColor(Qt::red));

    std::vector<view::TRightClickParameters> rightClicks;
    View->OnRightClick = [&](view::THtmlView*, view::TRightClickParameters& params) {
        rightClicks.push_back(params);
    };
    std::vector<Qt::MouseButton> imageClicks;
    View->OnImageClick = [&](view::THtmlView*, doc::TImageObj*, Qt::MouseButton b,
                             Qt::KeyboardModifiers, int, int) { imageClicks.push_back(b); };
    QTest::mouseClick(panel(), Qt::RightButton, {}, *p);
    ASSERT_EQ(rightClicks.size(), 1u);
    EXPECT_EQ(rightClicks[0].ClickURL, "big.htm");
    EXPECT_EQ(rightClicks[0].ClickImage, img);
    EXPECT_GE(rightClicks[0].ClickImageX, 0);
    EXPECT_LT(rightClicks[0].ClickImageX, img->ImageWidth);
    EXPECT_EQ(imageClicks, (std::vector<Qt::MouseButton>{Qt::RightButton}));
    EXPECT_EQ(View->DocumentFile(), a) << "a right click follows nothing";
}

TEST_F(ViewTest, AnAnimationPlaysItsLoopCountAndStaysOnItsLastFrame) {
    // Three frames of 100 ms, played three times.
    copyGif("loop-3.gif", "loop-3.gif");
    View->LoadDocument(page("anim.htm", "<img src=\"loop-3.gif\">"));
    ASSERT_EQ(View->Sections().AnimList.size(), 1u);
    doc::TImageObj* img = View->Sections().AnimList[0];
    panel()->grab(); // only a drawn animation runs
    ASSERT_TRUE(testsupport::waitUntil([&] { return img->AnimationStarted && !img->Animated->Running(); }, 10000));
    const int last = img->Animated->FrameTotal();
    EXPECT_EQ(img->Animated->ShownFrame(), last);
    // Further ticks of the document's timer leave it where it stopped.
    for (int i = 0; i < 5; ++i) {
        panel()->grab();
        View->AnimationFrame();
    }
    EXPECT_FALSE(img->Animated->Running());
    EXPECT_EQ(img->Animated->ShownFrame(), last);
}
