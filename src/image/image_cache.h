// The process-wide image cache: decoded pictures kept across document loads under their
// (upper-cased, trimmed) names, each with its age and its number of current users, so that
// pages sharing pictures or visited again need not decode them again.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace image {

class TGIFImage;

// Transparency kinds of a cached picture.
enum TTranspKind : uint8_t {
    TranspNone = 0,
    TranspCorner = 1, // the colour of the lower-left pixel
    TranspGif = 2,
    TranspPng = 3,
};

struct TBitmapItem {
    TBitmapItem();
    ~TBitmapItem();
    TBitmapItem(const TBitmapItem&) = delete;
    TBitmapItem& operator=(const TBitmapItem&) = delete;

    int Age = 0;   // document loads since last used; 0 when created or fetched
    int Users = 0; // images of loaded documents that show it
    uint8_t TranspKind = TranspNone;
    // The picture is either a still bitmap or an animated GIF (then Bitmap is null).
    QImage Bitmap;
    std::unique_ptr<TGIFImage> Animation;
    QImage Mask; // white where transparent; null when opaque
    // The picture's own size in pixels; a JPEG decoded at 1/ScaleDenom holds a smaller one.
    int SourceWidth = 0, SourceHeight = 0;
    int ScaleDenom = 1;
    bool Scalable = false; // a JPEG: other scales are other cache items
    uint64_t Bytes = 0; // the memory the decoded picture was estimated to take

    bool IsAnimated() const { return Animation != nullptr; }
};

class TStringBitmapList {
public:
    static constexpr int InitialAgeLimit = 4;

    int Count() const { return static_cast<int>(Items.size()); }
    const std::string& Key(int index) const { return Items[index].Key; }
    TBitmapItem* Item(int index) const { return Items[index].Item.get(); }
    // Binary search; Index is where the key is or would be inserted.
    bool Find(const std::string& key, int& index) const;
    int IndexOf(const std::string& key) const;

    // Takes the item and counts its first user. A key already present keeps its item (the
    // new one is freed) and that item gains the user instead: callers must use the item
    // returned, never the one they passed.
    TBitmapItem* AddImage(const std::string& key, std::unique_ptr<TBitmapItem> item);
    // The item at Index, made young again and with one more user.
    TBitmapItem* UseImage(int index);
    void ReleaseImage(const std::string& key);
    // Once per document load: everything ages by one; unused items older than the limit go.
    void AgeImages();
    void SetAgeLimit(int limit);
    int AgeLimit() const { return Limit; }
    // Frees every item no document uses (to give memory back after a failed decode).
    void DropUnused();
    void Clear() { Items.clear(); }

private:
    struct TEntry {
        std::string Key;
        std::unique_ptr<TBitmapItem> Item;
    };
    void DropWhere(int olderThan);

    std::vector<TEntry> Items; // sorted by key
    int Limit = InitialAgeLimit;
};

} // namespace image
