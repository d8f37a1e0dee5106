// A device-independent copy of a bitmap: header values, colour table and packed rows, from
// which a bitmap for the screen (on the shared palette when there is one) is made again.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace platform {
class TCanvas;
}

namespace image {

class TDib {
public:
    // Reads Bitmap: 1- and 8-bit pictures keep their depth and colour table, deeper ones
    // are stored with 24 bits per pixel.
    explicit TDib(const QImage& bitmap);

    int Width() const { return W; }
    int Height() const { return H; }
    int BitCount() const { return Bits; }
    // 40, plus 4 bytes per colour-table entry (2^BitCount of them) up to 8 bits per pixel.
    int HeaderSize() const { return 40 + (Bits <= 8 ? 4 << Bits : 0); }
    // Rows are padded to whole 32-bit words.
    int BytesPerRow() const { return ((Bits * W + 31) / 32) * 4; }
    int ImageSize() const { return BytesPerRow() * H; }
    const std::vector<QRgb>& ColorTable() const { return Colors; }
    // Rows top to bottom, BytesPerRow each; 24-bit pixels as blue, green, red.
    const std::vector<uint8_t>& Pixels() const { return Data; }

    void StretchTo(platform::TCanvas& canvas, int x, int y, int w, int h) const;
    // A screen bitmap: the colours mapped onto the shared palette when there is one.
    QImage ToDeviceBitmap() const;

private:
    QImage ToImage() const;

    int W = 0;
    int H = 0;
    int Bits = 24;
    std::vector<QRgb> Colors;
    std::vector<uint8_t> Data;
};

// Bitmap rebuilt for the screen: on 8-bit screens an indexed picture on the shared palette,
// otherwise a 32-bit copy. A null bitmap stays null.
QImage RebuildOnPalette(const QImage& bitmap);

// Colour table of an indexed picture, or every pixel of a true-colour one, replaced by the
// nearest entry of Palette; the result is an 8-bit picture with Palette as its table.
QImage MapOntoPalette(const QImage& bitmap, const std::vector<QRgb>& palette);

} // namespace image
