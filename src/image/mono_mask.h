// Masks in the desktop's convention: one bit per pixel, 1 (white) where the picture is
// transparent, 0 (black) where it shows.
#pragma once

#include <QImage>

namespace image {

// A W x H mask, all opaque; null when it cannot be allocated.
inline QImage NewMask(int width, int height, bool transparent = false) {
    QImage mask(width, height, QImage::Format_Mono);
    if (mask.isNull()) return mask;
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(transparent ? 1 : 0);
    return mask;
}

inline void SetMaskBit(uchar* row, int x) { row[x >> 3] |= static_cast<uchar>(0x80u >> (x & 7)); }

} // namespace image
