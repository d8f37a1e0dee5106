// The GIF decoder on small files built in the test: what the conformance suite leaves out
// (versions, the clear colour, structure-only reading, the frame limit) and damaged data.
// Colour tables and canvas growth are proven by the suite, interlacing, disposal and masks
// on the named files, a screen too large to hold by the picture budget tests.
#include "image/gif_image.h"
#include "image/image_support.h"

#include "gif_builder.h"

#include <gtest/gtest.h>

namespace {

using image::TGIFImage;

const QRgb Red = qRgb(255, 0, 0), Green = qRgb(0, 255, 0), Blue = qRgb(0, 0, 255),
           White = qRgb(255, 255, 255);
const std::vector<QRgb> Palette4 = {Red, Green, Blue, White};

std::unique_ptr<TGIFImage> Load(const std::string& file, bool structureOnly = false) {
    auto gif = std::make_unique<TGIFImage>();
    if (!gif->ReadSource(reinterpret_cast<const uint8_t*>(file.data()), file.size(), structureOnly))
        return nullptr;
    return gif;
}

std::string Picture(const QImage& img) { return gifbuild::Letters(img, "/"); }

class GifDecoder : public ::testing::Test {
protected:
    void SetUp() override { image::ResetImageSupport(); }
};

TEST_F(GifDecoder, AcceptsAnyVersionButOnlyTheGifSignature) {
    const std::string body = gifbuild::Image({0, 0, 2, 1, {0, 1}}) + gifbuild::Trailer;
    for (const char* version : {"87a", "89a", "99z"}) {
        SCOPED_TRACE(version);
        auto gif = Load(gifbuild::Header(version, 2, 1, Palette4) + body);
        ASSERT_TRUE(gif);
        EXPECT_EQ(Picture(gif->ComposedPicture()), "RG");
    }
    EXPECT_FALSE(Load("GIT89a" + gifbuild::Header("89a", 2, 1, Palette4).substr(6) + body));
    EXPECT_FALSE(Load("GIF"));
    // No image at all: the structure can be read, the pictures cannot.
    const std::string empty = gifbuild::Header("89a", 2, 1, Palette4) + gifbuild::Trailer;
    EXPECT_TRUE(Load(empty, true));
    EXPECT_FALSE(Load(empty));
}

TEST_F(GifDecoder, TheTransparentIndexIsClearInTheComposedPicture) {
    auto gif = Load(gifbuild::Header("89a", 3, 2, Palette4) + gifbuild::Control(0, 0, true, 2) +
                    gifbuild::Image({0, 0, 3, 2, {0, 2, 2, 1, 2, 3}}) + gifbuild::Trailer);
    ASSERT_TRUE(gif);
    EXPECT_TRUE(gif->HasClearFrames());
    EXPECT_EQ(Picture(gif->ComposedPicture()), "R../G.W");
    EXPECT_EQ(gif->Frame(1).ClearColor, Blue);
}

TEST_F(GifDecoder, ReadsLoopCountDelaysDisposalAndComments) {
    const std::string file = gifbuild::Header("89a", 1, 1, Palette4) + gifbuild::Netscape(3) +
                             std::string("\x21\xFE\x05" "hello" "\x02" ", " "\x00", 12) +
                             gifbuild::Control(25, 7, false, 0) + gifbuild::Image({0, 0, 1, 1, {0}}) +
                             gifbuild::Control(0, 3, false, 0) + gifbuild::Image({0, 0, 1, 1, {1}}) +
                             gifbuild::Image({0, 0, 1, 1, {2}}) + gifbuild::Trailer;
    for (bool structureOnly : {true, false}) {
        SCOPED_TRACE(structureOnly);
        auto gif = Load(file, structureOnly);
        ASSERT_TRUE(gif);
        EXPECT_EQ(gif->FrameTotal(), 3);
        EXPECT_TRUE(gif->MultiFrame());
        EXPECT_EQ(gif->Repeats(), 3);
        EXPECT_EQ(gif->Frame(1).DelayMs, 250);
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
    std::string file = gifbuild::Header("89a", 1, 1, Palette4);
    for (int i = 0; i < 300; ++i) file += gifbuild::Image({0, 0, 1, 1, {uint8_t(i % 4)}});
    auto gif = Load(file + gifbuild::Trailer);
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->FrameTotal(), 256);
}

TEST_F(GifDecoder, DataStoppingInsideTheLastFrameKeepsTheFramesSoFar) {
    const std::string full = gifbuild::Header("89a", 4, 4, Palette4) +
                             gifbuild::Image({0, 0, 4, 4, std::vector<uint8_t>(16, 1)}) +
                             gifbuild::Image({0, 0, 4, 4, {0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0}});
    // Cut at every byte of the second frame: it is there, with what it decoded.
    const size_t second = full.rfind('\x2C');
    for (size_t cut = second + 10; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        bool single = true;
        image::TMemoryStream stream(full.substr(0, cut));
        auto gif = image::DecodeGifStream(&stream, single);
        ASSERT_TRUE(gif);
        EXPECT_EQ(gif->FrameTotal(), 2);
        EXPECT_FALSE(single);
        EXPECT_EQ(Picture(gif->ComposedPicture()), "GGGG/GGGG/GGGG/GGGG");
    }
    // Cut inside the second image descriptor: only the first frame remains.
    bool single = false;
    image::TMemoryStream stream(full.substr(0, second + 5));
    auto gif = image::DecodeGifStream(&stream, single);
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->FrameTotal(), 1);
    EXPECT_TRUE(single);
}

TEST_F(GifDecoder, DamagedCodesEndTheFrameButKeepItsRows) {
    // 2 x 2, minimum code size 2: clear, 1, 3, two clear codes that fill the byte, then the
    // codes run out. Index 0 is transparent, but the pixels never reached stay opaque.
    gifbuild::TBitWriter w;
    for (int c : {4, 1, 3, 4, 4}) w.Put(c, 3);
    const std::string codes = w.Finish();
    const std::string file = gifbuild::Header("89a", 2, 2, Palette4) + gifbuild::Control(0, 0, true, 0) +
                             std::string("\x2C\0\0\0\0\x02\0\x02\0\0\x02", 11) +
                             gifbuild::SubBlocks(codes) + gifbuild::Trailer;
    auto gif = Load(file);
    ASSERT_TRUE(gif);
    EXPECT_EQ(Picture(gif->ComposedPicture()), "GW/kk");
}

TEST_F(GifDecoder, UnknownBlocksEndTheStructure) {
    const std::string head = gifbuild::Header("89a", 1, 1, Palette4) + gifbuild::Image({0, 0, 1, 1, {0}});
    const std::string second = gifbuild::Image({0, 0, 1, 1, {1}});
    struct TCase {
        const char* Name;
        std::string Between;
        int Frames;
    };
    const TCase cases[] = {
        {"plain text is skipped", std::string("\x21\x01\x0C", 3) + std::string(12, 'x') + std::string(1, '\0'), 2},
        {"other application blocks are skipped", std::string("\x21\xFF\x0B" "XMP DataXMP" "\x02" "ab" "\x00", 18), 2},
        {"an unknown label ends it", std::string("\x21\x2A\x01x\x00", 5), 1},
        {"a stray byte ends it", "\x07", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto gif = Load(head + c.Between + second + gifbuild::Trailer);
        ASSERT_TRUE(gif);
        EXPECT_EQ(gif->FrameTotal(), c.Frames);
    }
}

TEST_F(GifDecoder, EightBitScreensMapColoursOntoTheSharedPalette) {
    image::SetScreenDepth(8);
    auto gif = Load(gifbuild::Header("89a", 2, 1, {qRgb(250, 5, 5), qRgb(60, 110, 170)}) +
                    gifbuild::Image({0, 0, 2, 1, {0, 1}}) + gifbuild::Trailer);
    ASSERT_TRUE(gif);
    const QImage img = gif->ComposedPicture();
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);   // system red
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, qRgb(55, 115, 165) & 0xFFFFFF); // cube entry
}

} // namespace
