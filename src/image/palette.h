// The shared 256-colour palette used when the screen has 8 bits per pixel: the system's
// static colours, a 6 x 6 x 6 colour cube and a ramp of greys. On true-colour screens there
// is none, and pictures keep their own colours.
#pragma once

#include <QRgb>
#include <vector>

namespace image {

using TPalette = std::vector<QRgb>;

// The 20 static colours of the classic 8-bit desktop at entries 0..9 and 246..255, the rest
// black: what reading the system palette gives.
TPalette SystemPalette();

// Entries 10..224: the colour cube of levels 55, 115, 165, 205, 235, 255 (red fastest, then
// green, then blue) without its white corner; 225..248: greys 135, 140, ..., 250; the other
// entries keep System's colours.
TPalette BuildSharedPalette(const TPalette& system);

// Index of the entry nearest to Color (least squared distance; the first of equals).
int NearestPaletteIndex(const TPalette& palette, QRgb color);

} // namespace image
