// The GIF decoder on small files built in the test: what the conformance suite leaves out
// (versions, structure-only reading, the frame limit) and damaged data.
// Colour tables and canvas growth are proven by the suite, interlacing, disposal and masks
// on the named files, a screen too large to hold by the picture budget tests.
#include "image/gif_image.h"
#include "image/image_support.h"

#include "gif_builder.h"

#include <gtest/gtest.h>

namespace {

using image::TGIFImage;
using namespace gifbuild;

std::unique_ptr<TGIFImage> Load(const std::string& file, bool structureOnly = false) {
    auto gif = std::make_unique<TGIFImage>();
    if (!gif->ReadSource(reinterpret_cast<const uint8_t*>(file.data()), file.size(), structureOnly))
        return nullptr;
    return gif;
}

std::string Picture(const QImage& img) { return Letters(img, "/"); }

// Decodes through the stream loader, which keeps what a cut file decoded.
std::unique_ptr<TGIFImage> Stream(const std::string& file, bool& single) {
    image::TMemoryStream stream(file);
    return image::DecodeGifStream(&stream, single);
}

class GifDecoder : public ::testing::Test {
protected:
    void SetUp() override { image::ResetImageSupport(); }
};

TEST_F(GifDecoder, AcceptsAnyVersionButOnlyTheGifSignature) {
    // GIF87a and GIF89a are in the conformance suite.
    const std::string body = Image({0, 0, 2, 1, {0, 1}}) + Trailer;
    auto gif = Load(Header("99z", 2, 1, Palette4) + body);
    ASSERT_TRUE(gif);
    EXPECT_EQ(Picture(gif->ComposedPicture()), "RG");
    EXPECT_FALSE(Load("GIT89a" + Header("89a", 2, 1, Palette4).substr(6) + body));
    // No image at all: the structure can be read, the pictures cannot.
    const std::string empty = Header("89a", 2, 1, Palette4) + Trailer;
    EXPECT_TRUE(Load(empty, true));
    EXPECT_FALSE(Load(empty));
}

TEST_F(GifDecoder, ReadsLoopCountDelaysDisposalAndComments) {
    const std::string file = Header("89a", 1, 1, Palette4) + Netscape(3) +
                             std::string("\x21\xFE\x05" "hello" "\x02" ", " "\x00", 12) +
                             Control(25, 7, false, 0) + Image({0, 0, 1, 1, {0}}) +
                             Control(0, 3, false, 0) + Image({0, 0, 1, 1, {1}}) +
                             Image({0, 0, 1, 1, {2}}) + Trailer;
    for (bool structureOnly : {true, false}) {
        SCOPED_TRACE(structureOnly);
        auto gif = Load(file, structureOnly);
        ASSERT_TRUE(gif);
        EXPECT_EQ(gif->FrameTotal(), 3);
        EXPECT_EQ(gif->Repeats(), 3);
        EXPECT_EQ(gif->Frame(1).DisposeMode, image::gdRestoreBackground); // 7 is read as 2
        EXPECT_EQ(gif->Frame(1).Remark, "hello, ");
        EXPECT_EQ(gif->Frame(2).DisposeMode, image::gdRestorePrevious);
        // A control block applies to the next image only.
        EXPECT_EQ(gif->Frame(3).DelayMs, 0);
        EXPECT_EQ(gif->Frame(3).DisposeMode, image::gdNone);
        EXPECT_EQ(gif->Frame(3).Remark, "");
        EXPECT_EQ(gif->ComposedPicture().isNull(), structureOnly);
    }
}

TEST_F(GifDecoder, KeepsAtMost256Frames) {
    std::string file = Header("89a", 1, 1, Palette4);
    for (int i = 0; i < 300; ++i) file += Image({0, 0, 1, 1, {uint8_t(i % 4)}});
    auto gif = Load(file + Trailer);
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->FrameTotal(), 256);
}

TEST_F(GifDecoder, DataStoppingInsideTheLastFrameKeepsTheFramesSoFar) {
    const std::string full = Header("89a", 4, 4, Palette4) +
                             Image({0, 0, 4, 4, std::vector<uint8_t>(16, 1)}) +
                             Image({0, 0, 4, 4, {0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0}});
    // Cut at every byte from the second frame on: once its 10-byte descriptor is whole the
    // frame is there, with what it decoded; before that only the first frame remains.
    const size_t second = full.rfind('\x2C');
    for (size_t cut = second; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        const int frames = cut < second + 10 ? 1 : 2;
        bool single = frames == 2;
        auto gif = Stream(full.substr(0, cut), single);
        ASSERT_TRUE(gif);
        EXPECT_EQ(gif->FrameTotal(), frames);
        EXPECT_EQ(single, frames == 1);
        EXPECT_EQ(Picture(gif->ComposedPicture()), "GGGG/GGGG/GGGG/GGGG");
    }
}

TEST_F(GifDecoder, DamagedCodesEndTheFrameButKeepItsRows) {
    // 2 x 2, minimum code size 2: clear, 1, 3, two clear codes that fill the byte, then the
    // codes run out. Index 0 is transparent, but the pixels never reached stay opaque.
    auto gif = Load(Header("89a", 2, 2, Palette4) + Control(0, 0, true, 0) +
                    std::string("\x2C\0\0\0\0\x02\0\x02\0\0\x02", 11) +
                    SubBlocks(Pack({4, 1, 3, 4, 4}, 3)) + Trailer);
    ASSERT_TRUE(gif);
    EXPECT_EQ(Picture(gif->ComposedPicture()), "GW/kk");
}

TEST_F(GifDecoder, UnknownBlocksEndTheStructure) {
    const std::string head = Header("89a", 1, 1, Palette4) + Image({0, 0, 1, 1, {0}});
    struct TCase {
        const char* Name;
        std::string Between;
        int Frames;
    };
    const TCase cases[] = {
        {"an unknown label ends it", std::string("\x21\x2A\x01x\x00", 5), 1},
        {"a stray byte ends it", "\x07", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto gif = Load(head + c.Between + Image({0, 0, 1, 1, {1}}) + Trailer);
        ASSERT_TRUE(gif);
        EXPECT_EQ(gif->FrameTotal(), c.Frames);
    }
}

TEST_F(GifDecoder, EightBitScreensMapColoursOntoTheSharedPalette) {
    image::SetScreenDepth(8);
    auto gif = Load(Header("89a", 2, 1, {qRgb(250, 5, 5), qRgb(60, 110, 170)}) +
                    Image({0, 0, 2, 1, {0, 1}}) + Trailer);
    ASSERT_TRUE(gif);
    const QImage img = gif->ComposedPicture();
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);   // system red
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, qRgb(55, 115, 165) & 0xFFFFFF); // cube entry
}

} // namespace
