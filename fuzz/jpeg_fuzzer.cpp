// Any bytes through libjpeg as the picture loaders call it: 24-bit, 8-bit on the shared
// palette, and the greyscale query. A damaged file must come back as a null picture.
#include "image/jpeg_decoder.h"
#include "image/palette.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const image::TPalette palette = image::BuildSharedPalette(image::SystemPalette());
    (void)image::DecodeJpeg(data, size, image::TJpegDepth::Bits24);
    (void)image::DecodeJpeg(data, size, image::TJpegDepth::Bits8, &palette);
    (void)image::JpegIsGreyscale(data, size);
    return 0;
}
