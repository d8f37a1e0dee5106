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
// Greyscale pictures ignore it. Any failure gives a null picture.
QImage DecodeJpeg(const uint8_t* data, size_t size, TJpegDepth depth,
                  const TPalette* palette = nullptr);
QImage DecodeJpegFile(const std::string& name, TJpegDepth depth,
                      const TPalette* palette = nullptr);

// Whether the picture has one colour component; false also when its header cannot be read.
bool JpegIsGreyscale(const uint8_t* data, size_t size);

} // namespace image
