// The process-wide image cache: users, ages and the aging rule.
#include "image/gif_image.h"
#include "image/image_support.h"

#include <gtest/gtest.h>

namespace {

using image::TBitmapItem;
using image::TStringBitmapList;

std::unique_ptr<TBitmapItem> Item() {
    auto item = std::make_unique<TBitmapItem>();
    item->Bitmap = QImage(1, 1, QImage::Format_RGB32);
    return item;
}

// A document load: the cache ages first; the page then uses its pictures and the next
// load releases them.
void LoadPage(TStringBitmapList& cache, const std::vector<std::string>& images) {
    cache.AgeImages();
    for (const auto& key : images) {
        const int index = cache.IndexOf(key);
        if (index >= 0) cache.UseImage(index);
        else cache.AddImage(key, Item());
    }
}

void LeavePage(TStringBitmapList& cache, const std::vector<std::string>& images) {
    for (const auto& key : images) cache.ReleaseImage(key);
}

TEST(ImageCache, SortedKeysUsersAndDuplicates) {
    TStringBitmapList cache;
    auto* b = cache.AddImage("B.GIF", Item());
    cache.AddImage("A.GIF", Item());
    ASSERT_EQ(cache.Count(), 2);
    EXPECT_EQ(cache.Key(0), "A.GIF");
    EXPECT_EQ(b->Users, 1);
    // A second item under the same key is dropped; the first gains the user.
    EXPECT_EQ(cache.AddImage("B.GIF", Item()), b);
    EXPECT_EQ(cache.Count(), 2);
    EXPECT_EQ(b->Users, 2);
    b->Age = 3;
    EXPECT_EQ(cache.UseImage(cache.IndexOf("B.GIF")), b);
    EXPECT_EQ(b->Age, 0);
    EXPECT_EQ(b->Users, 3);
    cache.ReleaseImage("NOT THERE");
    EXPECT_EQ(cache.UseImage(7), nullptr);
}

// A picture left unused survives as many further loads as the limit, and pictures in use
// stay whatever the limit.
TEST(ImageCache, UnusedPicturesSurviveAsManyLoadsAsTheLimit) {
    for (int limit : {0, 1, 5}) {
        SCOPED_TRACE(limit);
        TStringBitmapList cache;
        LoadPage(cache, {"A", "LOGO.GIF"});
        cache.SetAgeLimit(limit);
        EXPECT_EQ(cache.Count(), 2);
        LeavePage(cache, {"A", "LOGO.GIF"});
        for (int load = 1; load <= limit; ++load) {
            LoadPage(cache, {});
            EXPECT_EQ(cache.Count(), 2) << "after load " << load;
        }
        LoadPage(cache, {});
        EXPECT_EQ(cache.Count(), 0);
    }
}

TEST(ImageCache, SetAgeLimitDropsOldUnusedItemsAtOnce) {
    TStringBitmapList cache;
    cache.AddImage("OLD", Item())->Age = 3;
    cache.ReleaseImage("OLD");
    cache.AddImage("YOUNG", Item())->Age = 1;
    cache.ReleaseImage("YOUNG");
    cache.SetAgeLimit(2);
    EXPECT_EQ(cache.Count(), 1);
    EXPECT_EQ(cache.Key(0), "YOUNG");
    cache.AddImage("USED", Item());
    cache.DropUnused();
    EXPECT_EQ(cache.Count(), 1);
    EXPECT_EQ(cache.Key(0), "USED");
}

TEST(ImageCache, ProcessWideStateAndPlaceholders) {
    image::ResetImageSupport();
    EXPECT_EQ(image::ImageCache().Count(), 0);
    EXPECT_TRUE(image::LaterStream()->Empty());
    // The error picture's mask has transparent corners and an opaque middle.
    EXPECT_EQ(image::BrokenBitmapMask().pixelIndex(0, 0), 1);
    EXPECT_EQ(image::BrokenBitmapMask().pixelIndex(7, 7), 0);
    // Monochrome screens are treated as 16 colours, 16-bit ones as true colour.
    EXPECT_EQ(image::ClassifyScreenDepth(1), 4);
    EXPECT_EQ(image::ClassifyScreenDepth(16), 24);
    image::SetScreenDepth(8);
    ASSERT_NE(image::SharedPalette(), nullptr);
    image::SetScreenDepth(32);
    EXPECT_EQ(image::SharedPalette(), nullptr);
    image::ResetImageSupport();
}

} // namespace
