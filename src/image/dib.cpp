#include "image/dib.h"

#include "image/image_support.h"
#include "platform/canvas.h"

#include <cstring>
#include <unordered_map>

namespace image {

TDib::TDib(const QImage& bitmap) {
    if (bitmap.isNull()) return;
    W = bitmap.width();
    H = bitmap.height();
    QImage src;
    if (bitmap.format() == QImage::Format_Mono || bitmap.format() == QImage::Format_MonoLSB) {
        Bits = 1;
        src = bitmap.convertToFormat(QImage::Format_Mono);
    } else if (bitmap.format() == QImage::Format_Indexed8) {
        Bits = 8;
        src = bitmap;
    } else {
        Bits = 24;
        src = bitmap.convertToFormat(QImage::Format_RGB32);
    }
    if (Bits <= 8) {
        const QList<QRgb> table = src.colorTable();
        Colors.assign(table.begin(), table.end());
        Colors.resize(size_t{1} << Bits, qRgb(0, 0, 0));
    }
    const int rowBytes = BytesPerRow();
    Data.assign(static_cast<size_t>(rowBytes) * H, 0);
    for (int y = 0; y < H; ++y) {
        uint8_t* row = Data.data() + static_cast<size_t>(y) * rowBytes;
        if (Bits <= 8) {
            std::memcpy(row, src.constScanLine(y), static_cast<size_t>((Bits * W + 7) / 8));
        } else {
            const auto* px = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            for (int x = 0; x < W; ++x) {
                row[3 * x] = static_cast<uint8_t>(qBlue(px[x]));
                row[3 * x + 1] = static_cast<uint8_t>(qGreen(px[x]));
                row[3 * x + 2] = static_cast<uint8_t>(qRed(px[x]));
            }
        }
    }
}

QImage TDib::ToImage() const {
    if (W <= 0 || H <= 0) return {};
    const QImage::Format format = Bits == 1   ? QImage::Format_Mono
                                  : Bits == 8 ? QImage::Format_Indexed8
                                              : QImage::Format_RGB32;
    QImage img(W, H, format);
    if (img.isNull()) return {};
    if (Bits <= 8) img.setColorTable(QList<QRgb>(Colors.begin(), Colors.end()));
    const int rowBytes = BytesPerRow();
    for (int y = 0; y < H; ++y) {
        const uint8_t* row = Data.data() + static_cast<size_t>(y) * rowBytes;
        if (Bits <= 8) {
            std::memcpy(img.scanLine(y), row, static_cast<size_t>((Bits * W + 7) / 8));
        } else {
            auto* px = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < W; ++x) px[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        }
    }
    return img;
}

void TDib::StretchTo(platform::TCanvas& canvas, int x, int y, int w, int h) const {
    canvas.StretchImage(QRect(x, y, w, h), ToImage());
}

QImage TDib::ToDeviceBitmap() const {
    QImage img = ToImage();
    if (img.isNull()) return img;
    if (const TPalette* shared = SharedPalette()) return MapOntoPalette(img, *shared);
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage MapOntoPalette(const QImage& bitmap, const std::vector<QRgb>& palette) {
    if (bitmap.isNull()) return {};
    const QList<QRgb> table(palette.begin(), palette.end());
    if (bitmap.format() == QImage::Format_Indexed8 || bitmap.format() == QImage::Format_Mono ||
        bitmap.format() == QImage::Format_MonoLSB) {
        QImage out = bitmap.convertToFormat(QImage::Format_Indexed8);
        QList<QRgb> own = out.colorTable();
        std::vector<uint8_t> map(256, 0);
        for (int i = 0; i < own.size() && i < 256; ++i)
            map[i] = static_cast<uint8_t>(NearestPaletteIndex(palette, own[i]));
        for (int y = 0; y < out.height(); ++y) {
            uint8_t* row = out.scanLine(y);
            for (int x = 0; x < out.width(); ++x) row[x] = map[row[x]];
        }
        out.setColorTable(table);
        return out;
    }
    const QImage src = bitmap.convertToFormat(QImage::Format_RGB32);
    QImage out(src.width(), src.height(), QImage::Format_Indexed8);
    if (out.isNull()) return {};
    out.setColorTable(table);
    std::unordered_map<QRgb, uint8_t> seen;
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uint8_t* row = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = in[x] | 0xFF000000u;
            auto it = seen.find(c);
            if (it == seen.end())
                it = seen.emplace(c, static_cast<uint8_t>(NearestPaletteIndex(palette, c))).first;
            row[x] = it->second;
        }
    }
    return out;
}

QImage RebuildOnPalette(const QImage& bitmap) {
    if (bitmap.isNull()) return {};
    return TDib(bitmap).ToDeviceBitmap();
}

} // namespace image
