// Animation timing and passes, independent copies, and drawing over the background.
#include "image/gif_image.h"
#include "image/image_support.h"
#include "platform/canvas.h"

#include "gif_builder.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

using image::TGIFImage;
using namespace gifbuild;

std::unique_ptr<TGIFImage> Decode(const std::string& file, bool expectSingle) {
    image::TMemoryStream stream(file);
    bool single = !expectSingle;
    auto gif = image::DecodeGifStream(&stream, single);
    EXPECT_EQ(single, expectSingle);
    return gif;
}

// Three 1 x 1 frames (red, green, blue) with the given delay; Loops < 0: no NETSCAPE block.
std::unique_ptr<TGIFImage> Animation(int loops, int delay) {
    std::string file = Header("89a", 1, 1, Palette4);
    if (loops >= 0) file += Netscape(loops);
    for (uint8_t i = 0; i < 3; ++i) file += Control(delay, 1, false, 0) + Image({0, 0, 1, 1, {i}});
    return Decode(file + Trailer, false);
}

// Ticks every 50 ms from time 0 and records the frame shown after each tick, until the
// animation stops or Ticks have passed.
std::string Play(TGIFImage& gif, int ticks) {
    gif.SetRunningAt(true, 0);
    std::string shown;
    for (int t = 1; t <= ticks && gif.Running(); ++t) {
        gif.TickAt(nullptr, static_cast<uint32_t>(t * 50));
        shown += static_cast<char>('0' + gif.ShownFrame());
    }
    return shown;
}

TEST(GifAnimation, LoopCountsDecideThePasses) {
    struct TCase {
        const char* Name;
        int Loops;
        const char* Shown;
        bool StillRunning;
    };
    const TCase cases[] = {
        // The first due step only releases the first frame.
        {"three times", 3, "1231231233", false},
        {"once without the extension", -1, "1233", false},
        {"forever", 0, "123123123123123123123123", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto gif = Animation(c.Loops, 0);
        ASSERT_TRUE(gif);
        EXPECT_EQ(Play(*gif, 24), c.Shown);
        EXPECT_EQ(gif->Running(), c.StillRunning);
    }
}

// Delays as read are proven by the conformance suite; the pace setting scales them.
TEST(GifAnimation, DelaysAtPacePercent) {
    auto gif = Animation(0, 25); // 25 hundredths
    ASSERT_TRUE(gif);
    gif->SetRunningAt(true, 1000);
    EXPECT_EQ(gif->StepDue(), 250);
    gif->PacePercent = 200;
    gif->SetRunningAt(false, 0);
    gif->SetRunningAt(true, 0);
    EXPECT_EQ(gif->StepDue(), 125);
}

TEST(GifAnimation, CopiesAnimateIndependently) {
    auto gif = Animation(0, 0);
    ASSERT_TRUE(gif);
    auto copy = TGIFImage::CloneImage(*gif);
    EXPECT_TRUE(copy->IsDuplicate());
    EXPECT_EQ(copy->FrameTotal(), 3);
    Play(*gif, 3);
    EXPECT_EQ(gif->ShownFrame(), 3);
    EXPECT_EQ(copy->ShownFrame(), 1);
    EXPECT_EQ(copy->ComposedPicture().pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(gif->ComposedPicture().pixel(0, 0), qRgb(0, 0, 255));
}

TEST(GifAnimation, PaintsStretchedOverTheBackgroundOnlyWhenAllowed) {
    // 2 x 1: red, then a transparent pixel (index 1).
    auto gif = Decode(Header("89a", 2, 1, Palette4) + Control(0, 0, true, 1) +
                          Image({0, 0, 2, 1, {0, 1}}) + Trailer,
                      true);
    ASSERT_TRUE(gif);

    QImage target(8, 4, QImage::Format_RGB32);
    target.fill(qRgb(10, 20, 30));
    {
        QPainter painter(&target);
        platform::TCanvas canvas(painter);
        gif->PaintAt(canvas, 0, 0, 8, 4); // the loader leaves MayDraw off
        EXPECT_EQ(target.pixel(0, 0), qRgb(10, 20, 30));
        gif->SetMayDraw(true);
        gif->PaintAt(canvas, 0, 0, 8, 4);
    }
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(6, 2), qRgb(10, 20, 30)); // the background shows through
}

} // namespace
