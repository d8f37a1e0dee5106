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
    // A second item under the same key is dropped; the first gains the user.
    EXPECT_EQ(cache.AddImage("B.GIF", Item()), b);
    EXPECT_EQ(cache.Count(), 1);
    EXPECT_EQ(b->Users, 2);
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
        LoadPage(cache, {"USED"});
        for (int load = 0; load <= limit; ++load) LoadPage(cache, {});
        cache.DropUnused();
        EXPECT_EQ(cache.Count(), 1) << "a picture in use is never dropped";
    }
}

} // namespace
