#include "image/palette.h"

namespace image {

TPalette SystemPalette() {
    TPalette p(256, qRgb(0, 0, 0));
    const QRgb low[10] = {qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),
                          qRgb(128, 128, 0),   qRgb(0, 0, 128),     qRgb(128, 0, 128),
                          qRgb(0, 128, 128),   qRgb(192, 192, 192), qRgb(192, 220, 192),
                          qRgb(166, 202, 240)};
    const QRgb high[10] = {qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128),
                           qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(255, 255, 0),
                           qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),
                           qRgb(255, 255, 255)};
    for (int i = 0; i < 10; ++i) {
        p[i] = low[i];
        p[246 + i] = high[i];
    }
    return p;
}

TPalette BuildSharedPalette(const TPalette& system) {
    TPalette p = system;
    p.resize(256, qRgb(0, 0, 0));
    static constexpr int Levels[6] = {55, 115, 165, 205, 235, 255};
    int n = 10;
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r) {
                if (r == 5 && g == 5 && b == 5) continue; // white stays a system colour
                p[n++] = qRgb(Levels[r], Levels[g], Levels[b]);
            }
    for (int i = 0; i < 24; ++i) {
        const int v = 135 + 5 * i;
        p[225 + i] = qRgb(v, v, v);
    }
    return p;
}

int NearestPaletteIndex(const TPalette& palette, QRgb color) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        const int dr = qRed(palette[i]) - qRed(color);
        const int dg = qGreen(palette[i]) - qGreen(color);
        const int db = qBlue(palette[i]) - qBlue(color);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

} // namespace image
