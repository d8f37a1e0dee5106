// Any bytes through the GIF loader, then every operation a page performs on the result.
#include "image/gif_image.h"
#include "image/image_cache.h"
#include "image/image_support.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = [] {
        image::SetScreenDepth(24);
        return true;
    }();
    (void)once;
    image::TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    bool single = true;
    auto gif = image::DecodeGifStream(&stream, single);
    if (!gif) return 0;
    // Stepping through huge canvases only repeats large copies; the decoding was the point.
    if (static_cast<long long>(gif->CanvasWidth()) * gif->CanvasHeight() > (1 << 20)) return 0;
    auto copy = image::TGIFImage::CloneImage(*gif);
    copy->SetRunningAt(true, 0);
    for (int t = 1; t <= copy->FrameTotal() + 2; ++t) copy->TickAt(nullptr, static_cast<uint32_t>(t) * 100000u);
    copy->ShowFrame(0);
    (void)copy->ComposedPicture();
    auto item = image::GifCacheItem(std::move(gif), single);
    return 0;
}
