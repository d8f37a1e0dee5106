#include "image/picture_loader.h"

#include "image/gif_image.h"
#include "image/image_files.h"

namespace image {

namespace {

std::unique_ptr<TBitmapItem> StillItem(QImage bitmap, QImage mask, int transp) {
    if (bitmap.isNull()) return nullptr;
    auto item = std::make_unique<TBitmapItem>();
    item->Bitmap = std::move(bitmap);
    item->Mask = std::move(mask);
    item->TranspKind = item->Mask.isNull() ? uint8_t{TranspNone} : static_cast<uint8_t>(transp);
    return item;
}

bool HasGifExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".gif";
}

} // namespace

std::unique_ptr<TBitmapItem> PictureFromFile(const std::string& name, int transp) {
    if (HasGifExtension(name)) {
        bool single = true;
        auto gif = DecodeGifFile(name, single);
        if (auto item = GifCacheItem(std::move(gif), single)) return item;
    }
    QImage mask;
    QImage bitmap = ImageAndMaskFromFile(name, transp, mask);
    return StillItem(std::move(bitmap), std::move(mask), transp);
}

std::unique_ptr<TBitmapItem> PictureFromStream(const TMemoryStream& stream, int transp) {
    const TImageKind kind = SniffImageKind(stream.Memory(), stream.Size());
    if (kind == TImageKind::Gif87 || kind == TImageKind::Gif89) {
        bool single = true;
        auto gif = DecodeGifStream(&stream, single);
        return GifCacheItem(std::move(gif), single);
    }
    QImage mask;
    QImage bitmap = ImageAndMaskFromStream(&stream, transp, mask);
    return StillItem(std::move(bitmap), std::move(mask), transp);
}

} // namespace image
