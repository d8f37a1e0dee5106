// What the document calls to turn an image source into a cache item: GIF through our
// decoder (animations stay whole), BMP, JPEG and PNG through the still-picture loaders.
#pragma once

#include "image/image_cache.h"
#include "image/memory_stream.h"

#include <memory>
#include <string>

namespace image {

// Transp is 1 when the page asks for the lower-left colour to be transparent (TRANSP).
// Nil when nothing could be decoded; the caller shows BrokenBitmap then.
std::unique_ptr<TBitmapItem> PictureFromFile(const std::string& name, int transp);
std::unique_ptr<TBitmapItem> PictureFromStream(const TMemoryStream& stream, int transp);

} // namespace image
