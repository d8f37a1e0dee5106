// The named GIF files of tests/data/gif through the loaders the document uses.
#include "image/gif_image.h"
#include "image/image_support.h"

#include "gif_builder.h"

#include <gtest/gtest.h>

namespace {

const std::string Dir = std::string(TEST_DATA_DIR) + "/gif/";

std::unique_ptr<image::TGIFImage> Decode(const std::string& name, bool& single) {
    return image::DecodeGifFile(Dir + name, single);
}

std::string Rgb(const QImage& img) { return gifbuild::Letters(img); }

TEST(GifFiles, SingleTransparentFrameBecomesABitmapWithItsMask) {
    bool single = false;
    auto gif = Decode("transparent.gif", single);
    auto item = image::GifCacheItem(std::move(gif), single);
    ASSERT_TRUE(item);
    EXPECT_FALSE(item->IsAnimated());
    EXPECT_EQ(item->TranspKind, image::TranspGif);
    ASSERT_EQ(item->Mask.size(), QSize(4, 2));
    // Index 2 sits at these pixels; the mask is white exactly there.
    const std::string transparent = "01101011";
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(item->Mask.pixelIndex(i % 4, i / 4), transparent[i] - '0') << i;
    EXPECT_EQ(Rgb(item->Bitmap), "RkkGkWkk");
}

TEST(GifFiles, InterlacedFilesMatchTheirPlainForm) {
    for (int h : {1, 2, 3, 4, 5, 16}) {
        SCOPED_TRACE(h);
        bool single = false;
        auto plain = Decode("plain-" + std::to_string(h) + ".gif", single);
        auto interlaced = Decode("interlaced-" + std::to_string(h) + ".gif", single);
        ASSERT_TRUE(plain && interlaced);
        EXPECT_TRUE(interlaced->Frame(1).RowsInterlaced);
        EXPECT_EQ(Rgb(interlaced->ComposedPicture()), Rgb(plain->ComposedPicture()));
    }
}

// Keeping and clearing are proven by the conformance suite, which steps through the frames;
// restoring the previous picture is checked here, while playing.
TEST(GifFiles, DisposalModesWhilePlaying) {
    const struct {
        const char* File;
        const char* Third;
    } cases[] = {{"dispose-3.gif", "RG"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        bool single = true;
        auto gif = Decode(c.File, single);
        ASSERT_TRUE(gif);
        gif->SetRunningAt(true, 0);
        std::string seen = Rgb(gif->ComposedPicture());
        for (int t = 1; t <= 3; ++t) {
            gif->TickAt(nullptr, static_cast<uint32_t>(t * 100));
            seen += " " + Rgb(gif->ComposedPicture());
        }
        // The first due step holds frame 1; then frames 2 and 3.
        EXPECT_EQ(seen, std::string("RR RR BR ") + c.Third);
    }
}

} // namespace
