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

std::unique_ptr<TBitmapItem> Described(std::unique_ptr<TBitmapItem> item, const TPictureRequest& request) {
    if (!item) return nullptr;
    item->SourceWidth = request.SourceWidth;
    item->SourceHeight = request.SourceHeight;
    item->ScaleDenom = request.ScaleDenom;
    item->Scalable = request.Scalable;
    item->Bytes = request.Bytes;
    return item;
}

} // namespace

std::unique_ptr<TBitmapItem> PictureFromFile(const std::string& name, int transp, TPictureRequest& request) {
    request.Refused = false;
    if (HasGifExtension(name)) {
        bool single = true;
        auto gif = DecodeGifFile(name, single, &request);
        if (request.Refused) return nullptr;
        if (auto item = GifCacheItem(std::move(gif), single)) return Described(std::move(item), request);
    }
    QImage mask;
    QImage bitmap = ImageAndMaskFromFile(name, transp, mask, &request);
    return Described(StillItem(std::move(bitmap), std::move(mask), transp), request);
}

std::unique_ptr<TBitmapItem> PictureFromStream(const TMemoryStream& stream, int transp, TPictureRequest& request) {
    request.Refused = false;
    const TImageKind kind = SniffImageKind(stream.Memory(), stream.Size());
    if (kind == TImageKind::Gif87 || kind == TImageKind::Gif89) {
        bool single = true;
        auto gif = DecodeGifStream(&stream, single, &request);
        return Described(GifCacheItem(std::move(gif), single), request);
    }
    QImage mask;
    QImage bitmap = ImageAndMaskFromStream(&stream, transp, mask, &request);
    return Described(StillItem(std::move(bitmap), std::move(mask), transp), request);
}

std::unique_ptr<TBitmapItem> PictureFromFile(const std::string& name, int transp) {
    TPictureRequest request;
    return PictureFromFile(name, transp, request);
}

std::unique_ptr<TBitmapItem> PictureFromStream(const TMemoryStream& stream, int transp) {
    TPictureRequest request;
    return PictureFromStream(stream, transp, request);
}

std::string ScaledKey(const std::string& key, int denom) {
    if (denom <= 1) return key;
    return key + " at 1/" + std::to_string(denom);
}

} // namespace image
