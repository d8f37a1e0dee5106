// JPEG pictures through libjpeg, called directly. libjpeg reports fatal errors by calling
// an exit routine; here it jumps back into the decoder, so a damaged file gives a null
// picture and never ends the process.
#pragma once

#include "image/palette.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>

namespace image {

enum class TJpegDepth {
    Bits8,  // an indexed picture: grey levels, or colours on the palette supplied
    Bits24, // a 32-bit picture (alpha unused)
};

// Palette: with Bits8, the colours to quantise to; nullptr lets libjpeg choose 256 colours.
// Greyscale pictures ignore it. ScaleDenom 2, 4 or 8 decodes at that fraction of the size
// (each side rounded up), which costs the memory of the smaller picture only; any other
// value decodes at full size. Any failure gives a null picture.
QImage DecodeJpeg(const uint8_t* data, size_t size, TJpegDepth depth,
                  const TPalette* palette = nullptr, int scaleDenom = 1);
QImage DecodeJpegFile(const std::string& name, TJpegDepth depth,
                      const TPalette* palette = nullptr);

// The picture's size from its header alone; false when the header cannot be read or the
// picture is larger than the decoder accepts.
bool JpegSize(const uint8_t* data, size_t size, int& width, int& height);

// The largest of 1, 2, 4 and 8 at which a Width x Height picture still covers the shown
// size (a side of 0 is not given and does not count).
int JpegScaleDenom(int width, int height, int shownWidth, int shownHeight);
// A side of Length pixels decoded at 1/Denom, as libjpeg rounds it.
inline int JpegScaledSide(int length, int denom) { return (length + denom - 1) / denom; }

// Whether the picture has one colour component; false also when its header cannot be read.
bool JpegIsGreyscale(const uint8_t* data, size_t size);

} // namespace image
