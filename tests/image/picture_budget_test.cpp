// The page's picture budget, JPEG pictures decoded at the size they are shown, and the
// size estimates made before any pixel memory is taken.
#include "image/gif_image.h"
#include "image/image_support.h"
#include "image/jpeg_decoder.h"
#include "image/picture_budget.h"
#include "image/picture_loader.h"
#include "image/gif_builder.h"
#include "image/jpeg_builder.h"
#include "test_support.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace image;

namespace {

using jpegbuild::JpegBytes;

// An Admit that says yes; the request keeps the estimate it was asked about in Bytes.
bool admitAll(uint64_t) { return true; }

// The smallest BMP header, claiming Width x Height pixels of 24 bits and holding none: file
// size, pixel offset, header size, width, height, planes and bits per pixel, little-endian.
std::string bmpHeaderOnly(int32_t w, int32_t h) {
    std::string s = "BM" + std::string(52, '\0');
    const struct {
        size_t At;
        uint32_t Value;
        int Bytes;
    } fields[] = {{2, 54, 4},           {10, 54, 4}, {14, 40, 4}, {18, uint32_t(w), 4},
                  {22, uint32_t(h), 4}, {26, 1, 2},  {28, 24, 2}};
    for (const auto& f : fields)
        for (int i = 0; i < f.Bytes; ++i) s[f.At + i] = char((f.Value >> (8 * i)) & 0xFF);
    return s;
}

} // namespace

TEST(PictureBudget, CountsEachSharedPictureOnceAndGivesAllBackWhenThePageIsLeft) {
    TPictureBudget budget(1);
    EXPECT_TRUE(budget.Reserve("A", 600 * 1024));
    EXPECT_TRUE(budget.Reserve("A", 600 * 1024)); // the same picture again costs nothing
    EXPECT_EQ(budget.Used(), 600u * 1024);
    EXPECT_FALSE(budget.Reserve("B", 600 * 1024));
    EXPECT_EQ(budget.Used(), 600u * 1024); // a refusal takes nothing
    EXPECT_FALSE(budget.Reserve("B", 600 * 1024)); // nor is it remembered as counted
    // An image's own memory counts every time.
    EXPECT_TRUE(budget.Reserve("", 200 * 1024));
    EXPECT_TRUE(budget.Reserve("", 200 * 1024));
    EXPECT_FALSE(budget.Reserve("", 200 * 1024));
    EXPECT_EQ(budget.Used(), 1000u * 1024);
    budget.Clear();
    EXPECT_EQ(budget.Used(), 0u);
    EXPECT_TRUE(budget.Reserve("B", TPictureBudget::MiB)); // exactly the limit fits
    EXPECT_FALSE(budget.Reserve("C", 1));
    EXPECT_FALSE(budget.Reserve("D", ~uint64_t{0})); // no wrap-around
}

TEST(PictureBudget, LimitIsClampedToSaneValues) {
    TPictureBudget budget;
    EXPECT_EQ(budget.LimitMiB(), 512);
    for (auto [asked, kept] : {std::pair{0, 1}, {-5, 1}, {1 << 30, TPictureBudget::MaxMiB}}) {
        budget.SetLimitMiB(asked);
        EXPECT_EQ(budget.LimitMiB(), kept) << asked;
    }
}

TEST(JpegScale, SmallestScaleStillCoveringTheShownSize) {
    struct Case {
        const char* Name;
        int W, H, ShownW, ShownH, Denom;
    };
    const Case cases[] = {
        {"nothing shown", 4000, 4000, 0, 0, 1},
        {"eighth exactly", 4000, 4000, 500, 500, 8},
        {"one pixel past an eighth", 4000, 4000, 501, 500, 4},
        {"larger than the picture", 400, 300, 800, 600, 1},
        {"rounded up side counts", 1001, 1001, 126, 126, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(JpegScaleDenom(c.W, c.H, c.ShownW, c.ShownH), c.Denom);
    }
}

TEST(JpegScale, DecodesAtTheChosenScaleWithLibjpegsRounding) {
    ResetImageSupport();
    const std::string data = JpegBytes(1601, 1203);
    int w = 0, h = 0;
    ASSERT_TRUE(JpegSize(reinterpret_cast<const uint8_t*>(data.data()), data.size(), w, h));
    EXPECT_EQ(QSize(w, h), QSize(1601, 1203));
    struct Case {
        int ShownW, ShownH, Denom;
        QSize Decoded; // sides rounded up, as libjpeg does
    };
    const Case cases[] = {{100, 100, 8, {201, 151}}, {0, 600, 2, {801, 602}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ShownW) + "x" + std::to_string(c.ShownH));
        TPictureRequest request{c.ShownW, c.ShownH, admitAll};
        auto item = PictureFromStream(TMemoryStream(data), 0, request);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->ScaleDenom, c.Denom);
        EXPECT_EQ(item->Bitmap.size(), c.Decoded);
        // The estimate asked about is the picture actually held.
        EXPECT_EQ(item->Bytes, request.Bytes);
        EXPECT_EQ(request.Bytes, static_cast<uint64_t>(item->Bitmap.sizeInBytes()));
    }
}

TEST(PictureRequests, RefusedPicturesAreNotDecoded) {
    ResetImageSupport();
    const std::string jpeg = JpegBytes(64, 48);
    const std::string png = testsupport::pngBytes(64, 48, Qt::red);
    for (const std::string* data : {&jpeg, &png}) {
        TPictureRequest request;
        int calls = 0;
        request.Admit = [&](uint64_t) {
            ++calls;
            return false;
        };
        EXPECT_FALSE(PictureFromStream(TMemoryStream(*data), 0, request));
        EXPECT_TRUE(request.Refused);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(request.SourceWidth, 64);
        EXPECT_EQ(request.Bytes, PictureBytes(64, 48));
    }
}

TEST(PictureRequests, GifEstimateHoldsEveryStoredFrameAndTheSurface) {
    ResetImageSupport();
    using namespace gifbuild;
    const std::vector<QRgb> colors{qRgb(255, 0, 0), qRgb(0, 255, 0)};
    const std::string screen = Header("89a", 40, 30, colors);
    const std::string full = Image({0, 0, 40, 30, std::vector<uint8_t>(1200, 1)});
    const std::string still = screen + full + Trailer;
    const std::string animated = screen + Control(10, 1, false, 0) + full +
                                 Control(10, 1, true, 0) +
                                 Image({5, 5, 8, 8, std::vector<uint8_t>(64, 0)}) + Trailer;
    struct Case {
        const char* Name;
        const std::string* Data;
        uint64_t Bytes;
    };
    const Case cases[] = {
        {"one frame: its picture and mask", &still, 40 * 30 * 4 + 40 * 30 * 4 / 32},
        {"animation: frames as stored, mask rows, surface", &animated,
         1200 + (64 + 8 + 8) + 40 * 30 * 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TPictureRequest request{0, 0, admitAll};
        auto item = PictureFromStream(TMemoryStream(*c.Data), 0, request);
        ASSERT_TRUE(item);
        EXPECT_EQ(request.Bytes, c.Bytes);
        EXPECT_EQ(item->Bytes, c.Bytes);
        request.Admit = [](uint64_t) { return false; };
        EXPECT_FALSE(PictureFromStream(TMemoryStream(*c.Data), 0, request));
    }
}

TEST(PictureRequests, AbsurdDeclaredSizesAreRefusedBeforeAnyAllocation) {
    ResetImageSupport();
    struct Case {
        const char* Name;
        std::string Data;
    };
    const Case cases[] = {
        {"BMP of 100000 x 100000", bmpHeaderOnly(100000, 100000)},
        {"BMP of 20000 x -20000 (top-down)", bmpHeaderOnly(20000, -20000)},
        {"GIF screen of 65535 x 65535",
         gifbuild::Header("89a", 65535, 65535, {qRgb(0, 0, 0), qRgb(1, 1, 1)}) +
             gifbuild::Image({0, 0, 65535, 65535, {0}}) + gifbuild::Trailer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TPictureRequest request{0, 0, admitAll};
        EXPECT_FALSE(PictureFromStream(TMemoryStream(c.Data), 0, request));
        // A BMP is measured against the pixel limit before the budget is even asked.
        if (c.Data[0] == 'B') {
            EXPECT_EQ(request.Bytes, 0u);
        }
    }
}

TEST(PictureRequests, ScaledPicturesHaveTheirOwnCacheKeys) {
    EXPECT_EQ(ScaledKey("HTTP://H/A.JPG", 1), "HTTP://H/A.JPG");
    EXPECT_NE(ScaledKey("HTTP://H/A.JPG", 8), ScaledKey("HTTP://H/A.JPG", 4));
    EXPECT_NE(ScaledKey("A", 2), "A");
}
