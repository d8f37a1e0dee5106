// Recognising and loading still pictures, the transparency probes, masks, the palette and
// the device-independent bitmap.
#include "image/dib.h"
#include "image/gif_image.h"
#include "image/image_files.h"
#include "image/image_support.h"
#include "image/jpeg_decoder.h"
#include "image/picture_loader.h"
#include "platform/canvas.h"
#include "platform/files.h"

#include "gif_builder.h"
#include "jpeg_builder.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

using image::TImageKind;
using image::TMemoryStream;
using jpegbuild::Encoded;

const std::string Gifs = TEST_DATA_DIR "/gif/";

// 8 x 8: left half red, right half blue, lower-left pixel green.
QImage Sample() {
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(qRgb(0, 0, 255));
    for (int i = 0; i < 32; ++i) img.setPixel(i % 4, i / 4, qRgb(255, 0, 0));
    img.setPixel(0, 7, qRgb(0, 255, 0));
    return img;
}

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override { image::ResetImageSupport(); }
    void TearDown() override { image::ResetImageSupport(); }
};

TEST_F(ImageFiles, SniffsBySignature) {
    const struct {
        std::string Bytes;
        TImageKind Kind;
    } cases[] = {
        {"GIF89a", TImageKind::Gif89}, {"GIF87a", TImageKind::Gif87}, {"GIF8", TImageKind::Gif87},
        {"BM....", TImageKind::Bmp},   {"\x89PNG\r\n", TImageKind::Png},
        {"\xFF\xD8\xFF", TImageKind::Jpeg}, {"<html>", TImageKind::None}, {"", TImageKind::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Bytes);
        EXPECT_EQ(image::SniffImageKind(U(c.Bytes), c.Bytes.size()), c.Kind);
    }
    EXPECT_EQ(image::SniffImageFile(Gifs + "gif87a.gif"), TImageKind::Gif87);
    EXPECT_EQ(image::SniffImageFile(Gifs + "gif89a.gif"), TImageKind::Gif89);
    EXPECT_EQ(image::SniffImageFile(Gifs + "not-a-gif.gif"), TImageKind::None);
    EXPECT_EQ(image::SniffImageFile("/nonexistent/picture.gif"), TImageKind::None);
}

std::string Chunk(const char* type, const std::string& data) {
    const uint32_t n = static_cast<uint32_t>(data.size());
    std::string out = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return out + type + data + std::string(4, '\0'); // the check value is not looked at
}

std::string PngHeader(int colorType) {
    const std::string oneByOne("\0\0\0\x01\0\0\0\x01\x08", 9); // and 8 bits deep
    return std::string("\x89PNG\r\n\x1A\n", 8) +
           Chunk("IHDR", oneByOne + char(colorType) + std::string(3, '\0'));
}

// A GIF89 is transparent only by its first extension; a PNG only by a paletted tRNS entry
// below half alpha. Either probe leaves the stream where it found it.
TEST_F(ImageFiles, TransparencyProbes) {
    using namespace gifbuild;
    const std::vector<QRgb> palette = {qRgb(1, 2, 3), qRgb(10, 20, 30)};
    const std::string gif89 = Header("89a", 1, 1, palette), gif87 = Header("87a", 1, 1, palette);
    const std::string gifImage = Image({0, 0, 1, 1, {0}}) + Trailer;
    const std::string control = Control(0, 0, true, 1);
    const std::string plte = Chunk("PLTE", "\x0A\x14\x1E"), idat = Chunk("IDAT", "");
    const bool gif = true, png = false;
    struct TCase {
        const char* Name;
        bool Gif;
        std::string File;
        bool Transparent;
    };
    const TCase cases[] = {
        {"GIF89 with transparency", gif, gif89 + control + gifImage, true},
        {"GIF87 never", gif, gif87 + control + gifImage, false},
        {"GIF comment first", gif,
         gif89 + std::string("\x21\xFE\x01x\x00", 5) + control + gifImage, false},
        {"GIF flag off", gif, gif89 + Control(0, 0, false, 1) + gifImage, false},
        {"PNG alpha 100", png, PngHeader(3) + plte + Chunk("tRNS", "\x64") + idat, true},
        {"PNG alpha 200", png, PngHeader(3) + plte + Chunk("tRNS", "\xC8") + idat, false},
        {"PNG true colour", png, PngHeader(2) + Chunk("tRNS", std::string(6, '\0')) + idat, false},
        {"PNG tRNS before PLTE", png, PngHeader(3) + Chunk("tRNS", "\x64") + plte, false},
        {"PNG cut short", png, PngHeader(3) + plte.substr(0, 6), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryStream stream(c.File);
        const size_t start = c.Gif ? 5 : 0; // the GIF probe is asked after the signature
        stream.Seek(start);
        platform::TColor color = 0;
        const bool transparent =
            c.Gif ? image::GifTransparency(stream, color) : image::PngTransparency(stream, color);
        EXPECT_EQ(transparent, c.Transparent);
        if (c.Transparent) {
            EXPECT_EQ(color, platform::RGBColor(10, 20, 30));
        }
        EXPECT_EQ(stream.Position(), start);
    }
}

TEST_F(ImageFiles, PngPicturesAreShownWithTheirAlphaAsMask) {
    QImage argb(4, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(255, 0, 0, 255));
    argb.setPixel(1, 0, qRgba(0, 255, 0, 0));
    argb.setPixel(2, 0, qRgba(0, 0, 255, 100));
    argb.setPixel(3, 0, qRgba(0, 0, 255, 200));
    TMemoryStream stream(Encoded(argb, "PNG"));
    int transp = 0;
    QImage mask;
    const QImage img = image::ImageAndMaskFromStream(&stream, transp, mask);
    ASSERT_FALSE(img.isNull());
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(transp, image::TranspPng);
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));
    const int expected[4] = {0, 1, 1, 0};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(mask.pixelIndex(x, 0), expected[x]) << x;

    // An opaque PNG has no mask.
    TMemoryStream opaque(Encoded(Sample(), "PNG"));
    transp = 0;
    EXPECT_FALSE(image::ImageAndMaskFromStream(&opaque, transp, mask).isNull());
    EXPECT_TRUE(mask.isNull());
    EXPECT_EQ(transp, 0);
}

TEST_F(ImageFiles, JpegDecodesIn24And8Bits) {
    const std::string jpeg = Encoded(Sample(), "JPEG", 95);
    QImage img = image::DecodeJpeg(U(jpeg), jpeg.size(), image::TJpegDepth::Bits24);
    ASSERT_EQ(img.size(), QSize(8, 8));
    EXPECT_NEAR(qRed(img.pixel(1, 1)), 255, 24);
    EXPECT_NEAR(qBlue(img.pixel(6, 1)), 255, 24);
    EXPECT_FALSE(image::JpegIsGreyscale(U(jpeg), jpeg.size()));

    const image::TPalette palette = image::BuildSharedPalette(image::SystemPalette());
    img = image::DecodeJpeg(U(jpeg), jpeg.size(), image::TJpegDepth::Bits8, &palette);
    ASSERT_EQ(img.format(), QImage::Format_Indexed8);
    EXPECT_EQ(img.colorCount(), 256);
    EXPECT_EQ(img.pixel(1, 1), qRgb(255, 0, 0));

    const std::string grey = Encoded(Sample().convertToFormat(QImage::Format_Grayscale8), "JPEG");
    EXPECT_TRUE(image::JpegIsGreyscale(U(grey), grey.size()));
    img = image::DecodeJpeg(U(grey), grey.size(), image::TJpegDepth::Bits8, &palette);
    EXPECT_EQ(img.format(), QImage::Format_Indexed8);
}

TEST_F(ImageFiles, DamagedJpegGivesNothing) {
    const std::string jpeg = Encoded(Sample(), "JPEG");
    std::vector<std::string> damaged = {std::string("\xFF\xD8", 2), "\xFF\xD8\xFF\xE0garbage",
                                        std::string(jpeg.size(), '\xFF')};
    for (size_t cut = 2; cut < jpeg.size(); cut += 7) damaged.push_back(jpeg.substr(0, cut));
    std::string flipped = jpeg;
    for (size_t i = 20; i < 200 && i < flipped.size(); i += 3) flipped[i] = char(~flipped[i]);
    damaged.push_back(flipped);
    for (const auto& d : damaged) {
        // Either a picture of the right size or nothing; never a crash or an exit.
        const QImage img = image::DecodeJpeg(U(d), d.size(), image::TJpegDepth::Bits24);
        EXPECT_TRUE(img.isNull() || img.size() == QSize(8, 8));
    }
    const std::string& garbage = damaged[1];
    EXPECT_TRUE(image::DecodeJpeg(U(garbage), garbage.size(), image::TJpegDepth::Bits24).isNull());
}

TEST_F(ImageFiles, MaskFromALowerLeftOrGivenColour) {
    const QImage mask = image::MakeMask(Sample(), false, 0);
    ASSERT_EQ(mask.size(), QSize(8, 8));
    EXPECT_EQ(mask.pixelIndex(0, 7), 1);
    EXPECT_EQ(mask.pixelIndex(1, 7), 0);
    const QImage red = image::MakeMask(Sample(), true, platform::RGBColor(255, 0, 0));
    EXPECT_EQ(red.pixelIndex(3, 0), 1);
    EXPECT_EQ(red.pixelIndex(4, 0), 0);
    EXPECT_TRUE(image::MakeMask(QImage(), false, 0).isNull());
}

TEST_F(ImageFiles, StillPicturesFromFilesAndStreams) {
    testsupport::TempDir dir;
    const std::string bmp = dir.write("a.bmp", Encoded(Sample(), "BMP"));
    const std::string jpg = dir.write("a.jpg", Encoded(Sample(), "JPEG"));
    const std::string gif = Gifs + "transparent.gif";

    EXPECT_EQ(image::ReadImageFile(bmp, true).pixel(0, 7), qRgb(0, 255, 0));
    EXPECT_EQ(image::ReadImageFile(jpg, false).size(), QSize(8, 8));
    EXPECT_TRUE(image::ReadImageFile(gif, true).isNull());
    EXPECT_TRUE(image::ReadImageFile(dir.file("missing.bmp"), true).isNull());

    QImage mask;
    int transp = image::TranspCorner;
    ASSERT_FALSE(image::ImageAndMaskFromFile(bmp, transp, mask).isNull());
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(mask.pixelIndex(0, 7), 1);
    transp = 0;
    EXPECT_FALSE(image::ImageAndMaskFromFile(bmp, transp, mask).isNull());
    EXPECT_TRUE(mask.isNull());
    // GIF files go through the GIF decoder, not this loader.
    transp = 0;
    EXPECT_TRUE(image::ImageAndMaskFromFile(gif, transp, mask).isNull());
    EXPECT_EQ(transp, image::TranspGif);

    // Streams: too short, not a picture, a JPEG (never corner-transparent unless asked).
    for (const char* bad : {"BM12", "<html><body>no picture</body></html>"}) {
        TMemoryStream stream{std::string(bad)};
        EXPECT_TRUE(image::ImageAndMaskFromStream(&stream, transp, mask).isNull()) << bad;
    }
    EXPECT_TRUE(image::ImageAndMaskFromStream(nullptr, transp, mask).isNull());
    TMemoryStream jpeg(Encoded(Sample(), "JPEG"));
    transp = image::TranspGif;
    EXPECT_FALSE(image::ImageAndMaskFromStream(&jpeg, transp, mask).isNull());
    EXPECT_EQ(transp, 0);
}

TEST_F(ImageFiles, PictureItemsForTheDocument) {
    // What a single frame becomes is proven with the named GIF files.
    auto still = image::PictureFromFile(Gifs + "transparent.gif", 0);
    ASSERT_TRUE(still);
    EXPECT_FALSE(still->IsAnimated());

    std::string data;
    ASSERT_TRUE(platform::ReadWholeFile(Gifs + "loop-3.gif", data));
    auto animated = image::PictureFromStream(TMemoryStream(data), 0);
    ASSERT_TRUE(animated);
    ASSERT_TRUE(animated->IsAnimated());
    EXPECT_EQ(animated->Animation->Repeats(), 3);

    EXPECT_FALSE(image::PictureFromFile(Gifs + "not-a-gif.gif", 0));
    EXPECT_FALSE(image::PictureFromStream(TMemoryStream(std::string("GIF89a")), 0));
}

TEST_F(ImageFiles, SharedPaletteKeepsTheSystemColoursACubeAndAGreyRamp) {
    // Entries inside the cube are proven by the colours pictures get on 8-bit screens.
    const image::TPalette system = image::SystemPalette();
    const image::TPalette p = image::BuildSharedPalette(system);
    ASSERT_EQ(p.size(), 256u);
    for (int i : {0, 9, 249, 255}) EXPECT_EQ(p[i], system[i]) << i;
    EXPECT_EQ(image::NearestPaletteIndex(p, qRgb(250, 250, 250)), 248);
}

TEST_F(ImageFiles, DibHeadersAndRebuildingOnThePalette) {
    const image::TDib dib32(Sample());
    EXPECT_EQ(dib32.BitCount(), 24);
    QImage indexed(5, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    indexed.fill(1);
    const image::TDib dib8(indexed);
    EXPECT_EQ(dib8.BitCount(), 8);
    EXPECT_EQ(dib8.HeaderSize(), 40 + 1024);
    EXPECT_EQ(dib8.BytesPerRow(), 8);
    EXPECT_EQ(dib8.ToDeviceBitmap().pixel(4, 1), qRgb(255, 255, 255));

    EXPECT_TRUE(image::RebuildOnPalette(QImage()).isNull());
    EXPECT_EQ(image::RebuildOnPalette(Sample()).format(), QImage::Format_RGB32);
    image::SetScreenDepth(8);
    QImage img = Sample();
    img.setPixel(5, 5, qRgb(60, 110, 170));
    const QImage rebuilt = image::RebuildOnPalette(img);
    EXPECT_EQ(rebuilt.format(), QImage::Format_Indexed8);
    EXPECT_EQ(rebuilt.pixel(5, 5), qRgb(55, 115, 165));
    EXPECT_EQ(rebuilt.pixel(0, 0), qRgb(255, 0, 0));
}

TEST_F(ImageFiles, DrawMaskedKeepsTheBackgroundWhereTransparent) {
    QImage target(16, 8, QImage::Format_RGB32);
    target.fill(qRgb(1, 2, 3));
    {
        QPainter painter(&target);
        platform::TCanvas canvas(painter);
        const QImage mask = image::MakeMask(Sample(), true, platform::RGBColor(0, 0, 255));
        image::DrawMasked(canvas, Sample(), mask, 0, 0, 16, 8);
    }
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(12, 1), qRgb(1, 2, 3));
    // A monochrome surface gets nothing.
    QImage mono(8, 8, QImage::Format_Mono);
    mono.fill(0);
    QPainter painter(&mono);
    platform::TCanvas canvas(painter);
    image::DrawMasked(canvas, Sample(), QImage(), 0, 0, 8, 8);
    painter.end();
    EXPECT_EQ(mono.pixelIndex(1, 1), 0);
}

} // namespace
