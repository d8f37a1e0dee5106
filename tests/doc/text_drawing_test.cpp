#include "doc/text_drawing.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace doc;
using platform::TColor;

namespace {

QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

TColor at(const QImage& img, int x, int y) {
    return platform::FromQColor(img.pixelColor(x, y));
}

} // namespace

TEST(Draw3DFrame, RaisedAndSunkenEdges) {
    for (bool raised : {true, false}) {
        SCOPED_TRACE(raised ? "raised" : "sunken");
        QImage img = blank(20, 20);
        {
            QPainter p(&img);
            platform::TCanvas canvas(p);
            Draw3DFrame(platform::clWhite, canvas, 2, 3, 12, 10, raised);
        }
        const TColor light = platform::clSilver; // white background: silver stays visible
        const TColor shadow = platform::ColorToRGB(platform::clBtnShadow);
        const TColor tl = raised ? light : shadow, br = raised ? shadow : light;
        EXPECT_EQ(at(img, 2, 3), tl) << "top-left corner";
        EXPECT_EQ(at(img, 7, 3), tl);
        EXPECT_EQ(at(img, 2, 6), tl);
        EXPECT_EQ(at(img, 2, 10), tl) << "bottom-left corner belongs to the left edge";
        EXPECT_EQ(at(img, 12, 3), br) << "top-right corner belongs to the right edge";
        EXPECT_EQ(at(img, 12, 7), br);
        EXPECT_EQ(at(img, 7, 10), br);
        EXPECT_EQ(at(img, 12, 10), br);
        EXPECT_EQ(at(img, 7, 6), platform::clWhite) << "inside untouched";
        EXPECT_EQ(at(img, 13, 10), platform::clWhite);
        EXPECT_EQ(at(img, 2, 11), platform::clWhite);
    }
    QImage img = blank(10, 10);
    {
        QPainter p(&img);
        platform::TCanvas canvas(p);
        Draw3DFrame(platform::clBlack, canvas, 0, 0, 9, 9, true);
    }
    EXPECT_EQ(at(img, 0, 0), platform::ColorToRGB(platform::clBtnHighlight));
}

TEST(WrapTextRect, WrapsAtWordsAndDropsLinesThatDoNotFit) {
    const QFont font = platform::MakeFont("Courier New", 10);
    const int h = platform::MetricsOf(font).Height;
    const int w = platform::TextWidth(font, "xxxxxxxxxx ");
    QImage img = blank(200, 200);
    {
        QPainter p(&img);
        platform::TCanvas canvas(p);
        WrapTextRect(canvas, font, platform::clBlack, 10, 10, 10 + w, 10 + 2 * h,
                     "  aaaa bbbb cccc dddd eeee ");
    }
    auto inked = [&](int top, int bottom, int left, int right) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (img.pixelColor(x, y) != Qt::white) return true;
        return false;
    };
    EXPECT_TRUE(inked(10, 10 + h, 10, 10 + w)) << "first line";
    EXPECT_TRUE(inked(10 + h, 10 + 2 * h, 10, 10 + w)) << "second line";
    EXPECT_FALSE(inked(10 + 2 * h, 200, 0, 200)) << "third line does not fit";
    EXPECT_FALSE(inked(0, 200, 10 + w, 200)) << "clipped at the right";

    QImage wide = blank(100, 100);
    {
        QPainter p(&wide);
        platform::TCanvas canvas(p);
        WrapTextRect(canvas, font, platform::clBlack, 0, 0, 20, h, "wwwwwwwwwwwwwww");
    }
    bool any = false;
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < h; ++y)
            any |= wide.pixelColor(x, y) != Qt::white;
    EXPECT_TRUE(any) << "a word wider than the box is drawn alone, clipped";
    for (int x = 20; x < 100; ++x)
        EXPECT_EQ(wide.pixelColor(x, h / 2), Qt::white);
}

TEST(TextWidthOf, MeasuresThePrefix) {
    const QFont font = platform::MakeFont("Courier New", 10);
    EXPECT_EQ(TextWidthOf(font, "abcdef", 3), platform::TextWidth(font, "abc"));
    EXPECT_EQ(TextWidthOf(font, "abc", 0), 0);
    EXPECT_EQ(TextWidthOf(font, "abc", 10), platform::TextWidth(font, "abc"));
}
