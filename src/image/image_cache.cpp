#include "image/image_cache.h"

#include "image/gif_image.h"

#include <algorithm>

namespace image {

TBitmapItem::TBitmapItem() = default;
TBitmapItem::~TBitmapItem() = default;

bool TStringBitmapList::Find(const std::string& key, int& index) const {
    auto it = std::lower_bound(Items.begin(), Items.end(), key,
                               [](const TEntry& e, const std::string& k) { return e.Key < k; });
    index = static_cast<int>(it - Items.begin());
    return it != Items.end() && it->Key == key;
}

int TStringBitmapList::IndexOf(const std::string& key) const {
    int index = 0;
    return Find(key, index) ? index : -1;
}

TBitmapItem* TStringBitmapList::AddImage(const std::string& key, std::unique_ptr<TBitmapItem> item) {
    int index = 0;
    if (!Find(key, index)) {
        if (!item) return nullptr;
        Items.insert(Items.begin() + index, TEntry{key, std::move(item)});
    }
    TBitmapItem* stored = Items[index].Item.get();
    ++stored->Users;
    return stored;
}

TBitmapItem* TStringBitmapList::UseImage(int index) {
    if (index < 0 || index >= Count()) return nullptr;
    TBitmapItem* item = Items[index].Item.get();
    item->Age = 0;
    ++item->Users;
    return item;
}

void TStringBitmapList::ReleaseImage(const std::string& key) {
    int index = 0;
    if (Find(key, index)) --Items[index].Item->Users;
}

void TStringBitmapList::DropWhere(int olderThan) {
    for (int i = Count() - 1; i >= 0; --i) {
        const TBitmapItem& item = *Items[i].Item;
        if (item.Age > olderThan && item.Users < 1) Items.erase(Items.begin() + i);
    }
}

void TStringBitmapList::AgeImages() {
    for (auto& e : Items) ++e.Item->Age;
    DropWhere(Limit);
}

void TStringBitmapList::SetAgeLimit(int limit) {
    DropWhere(limit);
    Limit = limit;
}

void TStringBitmapList::DropUnused() {
    std::erase_if(Items, [](const TEntry& e) { return e.Item->Users < 1; });
}

} // namespace image
