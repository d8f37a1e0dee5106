// One image of a GIF file: where it lies on the logical screen, how long it shows, how it
// is disposed of, and its decoded pixels.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace image {

// Declared here so that a frame can hold one; the values are defined in gif_image.h.
enum TGifDisposal : int;

class TFrame {
public:
    int Left = 0, Top = 0, Width = 0, Height = 0; // pixels, from the image descriptor
    int OwnTableBits = 0;                          // 1..8; 0 without a local colour table
    bool OwnTable = false;
    bool RowsInterlaced = false;
    int DelayMs = 0;     // graphic control delay x 10; 0 without a control block
    TGifDisposal DisposeMode{}; // gdNone unless a graphic control block says otherwise
    bool HasTransparency = false;
    uint8_t ClearIndex = 0; // the transparent colour index
    QRgb ClearColor = 0;    // its colour in the frame's table
    std::vector<QRgb> ColorTable; // the local table (empty: the image's global table)
    // Width x Height, 8 bits per pixel with its colour table; transparent pixels are black.
    QImage FrameBitmap;
    // Only for transparent frames: white (1) where transparent, black where opaque.
    QImage FrameMask;
    // What the frame covered when it was composed, colours with their transparency
    // (gdRestorePrevious only).
    QImage UnderBitmap;
    std::string Remark; // the comment extensions read just before this frame

    QRect Rect() const { return QRect(Left, Top, Width, Height); }
};

// A picture on zero-filled memory from calloc: large pictures get their pages only when
// written, instead of being cleared first and written again.
inline QImage ZeroedImage(int width, int height, int bytesPerLine, QImage::Format format) {
    if (width <= 0 || height <= 0) return {};
    void* bits = std::calloc(static_cast<size_t>(bytesPerLine) * static_cast<size_t>(height), 1);
    if (!bits) return {};
    return QImage(static_cast<uchar*>(bits), width, height, bytesPerLine, format, std::free, bits);
}

} // namespace image
