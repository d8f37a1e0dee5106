// What the document calls to turn an image source into a cache item: GIF through our
// decoder (animations stay whole), BMP, JPEG and PNG through the still-picture loaders.
#pragma once

#include "image/image_cache.h"
#include "image/memory_stream.h"
#include "image/picture_request.h"

#include <memory>
#include <string>

namespace image {

// Transp is 1 when the page asks for the lower-left colour to be transparent (TRANSP).
// Nil when nothing could be decoded (the caller shows BrokenBitmap then) or when the
// request did not admit the picture (Request.Refused). The item carries the picture's own
// size, the scale it was decoded at and the bytes it was admitted with.
std::unique_ptr<TBitmapItem> PictureFromFile(const std::string& name, int transp, TPictureRequest& request);
std::unique_ptr<TBitmapItem> PictureFromStream(const TMemoryStream& stream, int transp, TPictureRequest& request);
// At full size, whatever it takes.
std::unique_ptr<TBitmapItem> PictureFromFile(const std::string& name, int transp);
std::unique_ptr<TBitmapItem> PictureFromStream(const TMemoryStream& stream, int transp);

// The cache key of a picture decoded at 1/Denom: the plain key at full size. Keys are
// upper case, so the lower-case mark never meets a picture's own name.
std::string ScaledKey(const std::string& key, int denom);

} // namespace image
