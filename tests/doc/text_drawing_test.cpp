#include "doc/text_drawing.h"

#include <QImage>
#include <QPainter>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

using namespace doc;
using platform::TColor;

namespace {

// A white picture W x H with Draw's drawing on it.
QImage drawn(int w, int h, const std::function<void(platform::TCanvas&)>& draw) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    platform::TCanvas canvas(p);
    draw(canvas);
    return img;
}

// Whether anything but white is in the rectangle.
bool inked(const QImage& img, int top, int bottom, int left, int right) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (img.pixelColor(x, y) != Qt::white) return true;
    return false;
}

TColor at(const QImage& img, int x, int y) {
    return platform::FromQColor(img.pixelColor(x, y));
}

} // namespace

TEST(Draw3DFrame, RaisedAndSunkenEdges) {
    for (bool raised : {true, false}) {
        SCOPED_TRACE(raised ? "raised" : "sunken");
        const QImage img =
            drawn(20, 20, [&](platform::TCanvas& c) { Draw3DFrame(platform::clWhite, c, 2, 3, 12, 10, raised); });
        const TColor light = platform::clSilver; // white background: silver stays visible
        const TColor shadow = platform::ColorToRGB(platform::clBtnShadow);
        const TColor tl = raised ? light : shadow, br = raised ? shadow : light;
        // The bottom-left corner belongs to the left edge, the top-right one to the right
        // edge; inside and outside stay untouched.
        const std::tuple<int, int, TColor> points[] = {
            {2, 3, tl},  {7, 3, tl},  {2, 6, tl},  {2, 10, tl},  {12, 3, br}, {12, 7, br},
            {7, 10, br}, {12, 10, br}, {7, 6, platform::clWhite}, {13, 10, platform::clWhite},
            {2, 11, platform::clWhite}};
        for (const auto& [x, y, colour] : points) EXPECT_EQ(at(img, x, y), colour) << x << "," << y;
    }
    const QImage img = drawn(10, 10, [](platform::TCanvas& c) { Draw3DFrame(platform::clBlack, c, 0, 0, 9, 9, true); });
    EXPECT_EQ(at(img, 0, 0), platform::ColorToRGB(platform::clBtnHighlight));
}

TEST(WrapTextRect, WrapsAtWordsAndDropsLinesThatDoNotFitAndPrefixesAreMeasured) {
    const QFont font = platform::MakeFont("Courier New", 10);
    const int h = platform::MetricsOf(font).Height;
    const int w = platform::TextWidth(font, "xxxxxxxxxx ");
    const QImage img = drawn(200, 200, [&](platform::TCanvas& c) {
        WrapTextRect(c, font, platform::clBlack, 10, 10, 10 + w, 10 + 2 * h, "  aaaa bbbb cccc dddd eeee ");
    });
    EXPECT_TRUE(inked(img, 10, 10 + h, 10, 10 + w)) << "first line";
    EXPECT_TRUE(inked(img, 10 + h, 10 + 2 * h, 10, 10 + w)) << "second line";
    EXPECT_FALSE(inked(img, 10 + 2 * h, 200, 0, 200)) << "third line does not fit";
    EXPECT_FALSE(inked(img, 0, 200, 10 + w, 200)) << "clipped at the right";

    const QImage wide = drawn(100, 100, [&](platform::TCanvas& c) {
        WrapTextRect(c, font, platform::clBlack, 0, 0, 20, h, "wwwwwwwwwwwwwww");
    });
    EXPECT_TRUE(inked(wide, 0, h, 0, 20)) << "a word wider than the box is drawn alone, clipped";
    EXPECT_FALSE(inked(wide, h / 2, h / 2 + 1, 20, 100));
    // The width of a prefix, however long the count.
    EXPECT_EQ(TextWidthOf(font, "abcdef", 3), platform::TextWidth(font, "abc"));
    EXPECT_EQ(TextWidthOf(font, "abc", 0), 0);
    EXPECT_EQ(TextWidthOf(font, "abc", 10), platform::TextWidth(font, "abc"));
}
