// Loading GIF pictures for the document: the two passes, and the cache item they become.
#include "image/gif_image.h"

#include "image/image_cache.h"
#include "image/image_support.h"
#include "platform/files.h"

namespace image {

namespace {

std::unique_ptr<TGIFImage> DecodeGifBytes(const uint8_t* data, size_t size, bool& single,
                                          TPictureRequest* request) {
    single = true;
    auto gif = std::make_unique<TGIFImage>();
    if (!gif->ReadSource(data, size, true)) return nullptr;
    gif->SetRunning(false);
    gif->SetMayDraw(false);
    single = !gif->MultiFrame();
    if (request) {
        request->SourceWidth = gif->CanvasWidth();
        request->SourceHeight = gif->CanvasHeight();
        request->ScaleDenom = 1;
        if (!request->Allow(GifDecodedBytes(*gif))) return nullptr;
    }
    if (!gif->ReadSource(data, size, false)) {
        ImageCache().DropUnused();
        return nullptr;
    }
    return gif;
}

} // namespace

uint64_t GifDecodedBytes(const TGIFImage& gif) {
    const uint64_t canvas = PictureBytes(gif.CanvasWidth(), gif.CanvasHeight());
    if (!gif.MultiFrame()) return canvas + canvas / 32; // the first picture and its mask
    // Frames are kept as they are stored, a byte a pixel and a bit more for a mask, beside
    // the drawing surface.
    uint64_t frames = 0;
    for (int n = 1; n <= gif.FrameTotal(); ++n) {
        const TFrame& f = gif.Frame(n);
        const uint64_t pixels = uint64_t(f.Width) * uint64_t(f.Height);
        frames += pixels + (f.HasTransparency ? pixels / 8 + uint64_t(f.Height) : 0);
    }
    return frames + canvas;
}

std::unique_ptr<TGIFImage> DecodeGifStream(const TMemoryStream* stream, bool& single, TPictureRequest* request) {
    single = true;
    if (!stream) return nullptr;
    return DecodeGifBytes(stream->Memory(), stream->Size(), single, request);
}

std::unique_ptr<TGIFImage> DecodeGifFile(const std::string& name, bool& single, TPictureRequest* request) {
    single = true;
    std::string data;
    if (!platform::ReadWholeFile(name, data)) return nullptr;
    return DecodeGifBytes(reinterpret_cast<const uint8_t*>(data.data()), data.size(), single, request);
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
