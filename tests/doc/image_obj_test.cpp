// Images in the document: obtaining pictures, sizing, placement, drawing and late arrival.
#include "doc/image_obj.h"

#include "doc/doc_page.h"
#include "image/gif_image.h"
#include "image/image_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace doc;

namespace {

using testsupport::pngBytes;
using testsupport::Render;

// A document whose request handler serves "x" as a 200 x 50 red picture, "late" later and
// nothing else; it counts the requests. Given HTML, it reads it and lays it out 600 wide.
struct Page : testsupport::TPage {
    image::TMemoryStream Red{pngBytes(200, 50, Qt::red)};
    std::vector<std::string> Requests;

    explicit Page(const std::string& html = {}) : TPage(12, true) {
        image::ResetImageSupport();
        Host.OnImage = [this](const std::string& src, image::TMemoryStream*& stream) {
            Requests.push_back(src);
            if (src == "x") stream = &Red;
            if (src == "late") stream = image::LaterStream();
        };
        if (!html.empty()) {
            parse(html);
            layout();
        }
    }
    ~Page() { Doc.Clear(); }
    std::vector<TImageObj*> images() const { return testsupport::ImagesOf(Doc); }
    TImageObj* image(size_t n = 0) const { return images().at(n); }
};

} // namespace

// Ordinary sizes, alignments and floats are proven by the golden pages; these are the limits.
TEST(ImageAttributes, LimitsAndQuirks) {
    Page p("<IMG SRC=\" x \" ALT=\"Alt\" ALIGN=absmiddle WIDTH=50% HEIGHT=0 BORDER=0 HSPACE=50 TRANSP ISMAP "
           "USEMAP=\"#map\"><IMG ALIGN=center USEMAP=\"#\"><IMG ALIGN=Top WIDTH=150%><IMG ALIGN=LEFT>");
    const TImageObj& a = *p.image(0);
    EXPECT_EQ(a.Placement, TImageObj::AMiddle);
    EXPECT_EQ(a.WantedWidth, 50);
    EXPECT_TRUE(a.PercentWidth);
    EXPECT_EQ(a.WantedHeight, 1);
    EXPECT_TRUE(a.BorderOff);
    EXPECT_EQ(a.HSpace, 20);
    EXPECT_TRUE(a.Transparent);
    EXPECT_TRUE(a.IsMap);
    EXPECT_TRUE(a.UseMap);
    EXPECT_EQ(a.MapName, "MAP");
    EXPECT_EQ(p.image(1)->Placement, TImageObj::ABottom);
    EXPECT_EQ(p.image(1)->MapName, "#");
    EXPECT_EQ(p.image(1)->PictureKind, TImageObj::ErrorPicture) << "no SRC at all";
    EXPECT_EQ(p.image(2)->WantedWidth, 100);
    EXPECT_EQ(p.image(3)->HSpace, 5);
    // A percentage follows the width at every layout.
    Page q("<IMG SRC=x WIDTH=50%><IMG SRC=\" X\">");
    EXPECT_EQ(q.Requests, std::vector<std::string>{"x"}) << "the cache serves repeats";
    EXPECT_EQ(q.image()->ImageWidth, 300);
    q.layout(400);
    EXPECT_EQ(q.image()->ImageWidth, 200);
    EXPECT_FALSE(q.image()->SizeKnown);
}

TEST(ImageHitTests, MapsAndIsmapQueries) {
    Page p("<MAP NAME=map><AREA SHAPE=rect COORDS=\"0,0,99,49\" HREF=left.htm><AREA SHAPE=rect "
           "COORDS=\"100,0,199,49\" HREF=right.htm TARGET=t></MAP><A HREF=link.htm><IMG SRC=x USEMAP=\"#Map\" "
           "BORDER=0></A><BR><A HREF=/cgi/q><IMG SRC=x ISMAP BORDER=0></A>");
    Render(p.Doc, 600, 300);
    const TImageObj& mapped = *p.image(0);
    EXPECT_EQ(testsupport::LinkAt(p.Doc, mapped.DrawX + 150, mapped.DrawY + 10), "right.htm|t");
    EXPECT_EQ(testsupport::LinkAt(p.Doc, mapped.DrawX + 10, mapped.DrawY + 10), "left.htm|");

    TImageObj& ismap = *p.image(1);
    EXPECT_EQ(testsupport::LinkAt(p.Doc, ismap.DrawX + 12, ismap.DrawY + 34), "/cgi/q?12,34|");
    TImageObj* hit = nullptr;
    int ix = 0, iy = 0;
    ASSERT_TRUE(p.Doc.ObjectAt(ismap.DrawX + 3, ismap.DrawY + 4, hit, ix, iy));
    EXPECT_EQ(hit, &ismap);
    EXPECT_EQ(ix, 3);
    EXPECT_EQ(iy, 4);
}

// Arrival itself, and the new layout it may need, are proven through the viewer.
TEST(ImagePictures, PendingPicturesKeepTheirBoxAndArriveLater) {
    Page p("<IMG SRC=late WIDTH=80 HEIGHT=60><IMG SRC=late ALT=\"Coming soon\">");
    image::TMemoryStream data(pngBytes(20, 10, Qt::green));
    EXPECT_TRUE(SupplyPicture(p.Doc, "late", &data));
    // Both images use the one cached picture; the supply itself is no user.
    const int index = image::ImageCache().IndexOf("LATE");
    ASSERT_GE(index, 0);
    EXPECT_EQ(image::ImageCache().Item(index)->Users, 2);
    p.Doc.Clear();
    EXPECT_EQ(image::ImageCache().Item(index)->Users, 0);
    // Bytes that are no picture give the error picture.
    Page q("<IMG SRC=late ALT=\"x\">");
    image::TMemoryStream junk(std::string("not a picture at all, but long enough"));
    EXPECT_TRUE(SupplyPicture(q.Doc, "late", &junk));
    EXPECT_EQ(q.image()->PictureKind, TImageObj::ErrorPicture);
}

TEST(ImagePictures, FilesWithoutARequestHandlerAndAnimations) {
    Page p;
    p.Host.OnImage = nullptr;
    p.Host.OnImageFile = [](const std::string& name) { return TEST_DATA_DIR "/gif/" + name; };
    p.parse("<IMG SRC=plain-1.gif><IMG SRC=not-a-gif.gif>");
    p.layout();
    EXPECT_EQ(p.image(0)->PictureKind, TImageObj::RealPicture);
    EXPECT_FALSE(p.image(0)->Picture.isNull());
    EXPECT_EQ(p.image(1)->PictureKind, TImageObj::ErrorPicture);
    EXPECT_EQ(p.Host.TimerStarts, 0) << "still pictures need no timer";
    // Every image of an animation runs its own copy, on the document's list and the host's
    // timer.
    p.parse("<IMG SRC=loop-0.gif><IMG SRC=loop-0.gif>");
    p.layout();
    ASSERT_NE(p.image(2)->Animated, nullptr);
    ASSERT_NE(p.image(3)->Animated, nullptr);
    EXPECT_NE(p.image(2)->Animated.get(), p.image(3)->Animated.get());
    EXPECT_EQ(p.Doc.AnimList.size(), 2u);
    EXPECT_EQ(p.Host.TimerStarts, 1);
    Render(p.Doc, 600, 200);
    EXPECT_TRUE(p.image(2)->Animated->PaintedLately);
    // A new layout starts every animation again from its first frame, not yet drawn.
    p.image(2)->Animated->SetRunning(true);
    p.image(2)->Animated->ShowFrame(2);
    p.layout();
    EXPECT_EQ(p.image(2)->Animated->ShownFrame(), 1);
    EXPECT_FALSE(p.image(2)->Animated->Running());
    EXPECT_FALSE(p.image(2)->Animated->PaintedLately);
    const int stops = p.Host.TimerStops;
    p.Doc.Clear();
    EXPECT_GT(p.Host.TimerStops, stops);
}

TEST(ImagePlacement, AFloatInTheMiddleOfALineNeverCoversText) {
    // The float's placeholder is reached only after its line was measured at full width:
    // the float must start below that line, and the lines beside it make room.
    const std::string words = "The quick brown fox jumps over the lazy dog. ";
    for (const char* align : {"left", "right"}) {
        SCOPED_TRACE(align);
        Page p(words + words + "<IMG SRC=x WIDTH=100 HEIGHT=60 ALIGN=" + align + ">" + words +
               words + words + words + words);
        p.layout(300);
        const TImageObj& img = *p.image();
        ASSERT_EQ(p.texts().size(), 1u);
        const TSection& s = *p.texts()[0];
        ASSERT_GT(s.Lines.size(), 4u);
        const QRect picture(img.DrawX, img.DrawY, img.ImageWidth, img.ImageHeight);
        int y = s.Top, beside = 0;
        for (const LineRec& line : s.Lines) {
            const QRect text(line.LineIndent, y, s.TextWidth(line.Start, line.Count, true), line.Height());
            EXPECT_FALSE(text.intersects(picture)) << "line at y " << y;
            EXPECT_LE(text.right(), 300) << "line at y " << y;
            if (text.top() >= picture.top() && text.top() <= picture.bottom()) ++beside;
            y += line.Height();
        }
        EXPECT_GT(beside, 1) << "text flows beside the picture";
    }
}

TEST(ImageSizing, HugeWidthAndHeightStayWithinLimits) {
    std::string html = "top<BR>";
    for (int i = 0; i < 30; ++i) html += "<IMG SRC=x WIDTH=10 HEIGHT=99999999><BR>";
    Page p(html + "<IMG SRC=x WIDTH=99999999><IMG SRC=nothing WIDTH=99999999 HEIGHT=99999999>end");
    EXPECT_GT(p.Height, 0) << "the document height must not wrap around";
    for (const TImageObj* img : p.images()) {
        EXPECT_GT(img->ImageWidth, 0);
        EXPECT_LE(img->ImageWidth, TImageObj::MaxSize + 2);
        EXPECT_GT(img->ImageHeight, 0);
        EXPECT_LE(img->ImageHeight, TImageObj::MaxSize + 2);
    }
}
