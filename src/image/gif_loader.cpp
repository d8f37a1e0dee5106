// Loading GIF pictures for the document: the two passes, and the cache item they become.
#include "image/gif_image.h"

#include "image/image_cache.h"
#include "image/image_support.h"
#include "platform/files.h"

namespace image {

namespace {

std::unique_ptr<TGIFImage> DecodeGifBytes(const uint8_t* data, size_t size, bool& single) {
    single = true;
    auto gif = std::make_unique<TGIFImage>();
    if (!gif->ReadSource(data, size, true)) return nullptr;
    gif->SetRunning(false);
    gif->SetMayDraw(false);
    single = !gif->MultiFrame();
    if (!gif->ReadSource(data, size, false)) {
        ImageCache().DropUnused();
        return nullptr;
    }
    return gif;
}

} // namespace

std::unique_ptr<TGIFImage> DecodeGifStream(const TMemoryStream* stream, bool& single) {
    single = true;
    if (!stream) return nullptr;
    return DecodeGifBytes(stream->Memory(), stream->Size(), single);
}

std::unique_ptr<TGIFImage> DecodeGifFile(const std::string& name, bool& single) {
    single = true;
    std::string data;
    if (!platform::ReadWholeFile(name, data)) return nullptr;
    return DecodeGifBytes(reinterpret_cast<const uint8_t*>(data.data()), data.size(), single);
}

std::unique_ptr<TBitmapItem> GifCacheItem(std::unique_ptr<TGIFImage> gif, bool single) {
    if (!gif) return nullptr;
    auto item = std::make_unique<TBitmapItem>();
    if (single) {
        item->Bitmap = gif->FirstBitmap();
        item->Mask = gif->FirstMask();
        if (item->Bitmap.isNull()) return nullptr;
        item->TranspKind = item->Mask.isNull() ? TranspNone : TranspGif;
    } else {
        item->TranspKind = TranspGif; // animations always draw through their mask
        item->Animation = std::move(gif);
    }
    return item;
}

} // namespace image
