// Process-wide picture state: the image cache, the "comes later" marker stream, the screen
// depth with its shared palette, and the placeholder pictures. Created on first use; tests
// put it back to its starting state with ResetImageSupport.
#pragma once

#include "image/image_cache.h"
#include "image/memory_stream.h"
#include "image/palette.h"

#include <QImage>

namespace image {

TStringBitmapList& ImageCache();

// The marker an image request handler returns when it will supply the picture later.
// Only its identity counts; it is always empty.
TMemoryStream* LaterStream();

// 4, 8 or 24, from the screen's bits per pixel (times planes): 4 below 5, 24 above 8.
int ClassifyScreenDepth(int bitsTimesPlanes);
int ScreenDepth();
// Pretends the screen has this many bits per pixel (the shared palette follows).
void SetScreenDepth(int bitsTimesPlanes);
// The shared palette, only when ScreenDepth is 8; nullptr otherwise.
const TPalette* SharedPalette();

// 16 x 16 placeholders: an image still being fetched (or not shown), and an image that
// could not be loaded, with the mask of the latter (white where transparent).
const QImage& PendingBitmap();
const QImage& BrokenBitmap();
const QImage& BrokenBitmapMask();

// Empties the cache, restores its age limit and the real screen depth.
void ResetImageSupport();

} // namespace image
