#include "image/image_files.h"

#include "image/mono_mask.h"
#include "image/dib.h"
#include "image/image_cache.h"
#include "image/image_support.h"
#include "image/jpeg_decoder.h"
#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/text.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <fstream>

namespace image {

namespace {

// Pictures beyond this many pixels are not decoded (a PNG header can claim 2^31 x 2^31).
constexpr int MaxPictureMegapixels = 64;

bool WithinPixelLimit(long long width, long long height) {
    return width > 0 && height > 0 && width * height <= static_cast<long long>(MaxPictureMegapixels) * 1024 * 1024;
}

// The size a BMP or PNG header claims, read by Qt without decoding any pixel.
QSize ClaimedSize(const uint8_t* data, size_t size, const char* format) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return reader.size();
}

// Tells the request (when there is one) the picture's size and asks whether a picture of
// that size at 1/Denom may be decoded.
bool Admitted(TPictureRequest* request, int width, int height, int denom = 1) {
    if (!request) return true;
    request->SourceWidth = width;
    request->SourceHeight = height;
    request->ScaleDenom = denom;
    return request->Allow(PictureBytes(JpegScaledSide(width, denom), JpegScaledSide(height, denom)));
}

QImage DecodeBmp(const uint8_t* data, size_t size, TPictureRequest* request) {
    // Qt would allocate whatever the header claims, up to its own far larger limit.
    const QSize claimed = ClaimedSize(data, size, "BMP");
    if (!WithinPixelLimit(claimed.width(), claimed.height()) ||
        !Admitted(request, claimed.width(), claimed.height()))
        return {};
    QImage img;
    if (!img.loadFromData(data, static_cast<int>(size), "BMP")) return {};
    return img;
}

QImage DecodeJpegPicture(const uint8_t* data, size_t size, TPictureRequest* request) {
    int w = 0, h = 0;
    if (!JpegSize(data, size, w, h)) return {};
    const int denom = request ? JpegScaleDenom(w, h, request->ShownWidth, request->ShownHeight) : 1;
    if (request) request->Scalable = true;
    if (!Admitted(request, w, h, denom)) return {};
    if (ScreenDepth() <= 8) {
        const TPalette* palette = JpegIsGreyscale(data, size) ? nullptr : SharedPalette();
        return DecodeJpeg(data, size, TJpegDepth::Bits8, palette, denom);
    }
    return DecodeJpeg(data, size, TJpegDepth::Bits24, nullptr, denom);
}

QImage DecodeStill(const uint8_t* data, size_t size, TImageKind kind, TPictureRequest* request = nullptr) {
    switch (kind) {
    case TImageKind::Bmp: return DecodeBmp(data, size, request);
    case TImageKind::Jpeg: return DecodeJpegPicture(data, size, request);
    default: return {};
    }
}

std::string LowerExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    const size_t slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return platform::LowerCase(name.substr(dot));
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Restores a stream's position whatever way the probe leaves.
struct TKeepPosition {
    TMemoryStream& S;
    size_t Saved;
    explicit TKeepPosition(TMemoryStream& s) : S(s), Saved(s.Position()) {}
    ~TKeepPosition() { S.Seek(Saved); }
};

// Transp 1: the lower-left colour; 2 and 3: the probe's colour. Makes the mask and returns
// whether it holds any transparent pixel.
void CornerMask(const QImage& img, int transp, QImage& mask) {
    if (transp == TranspCorner && !img.isNull()) mask = MakeMask(img, false, 0);
}

// Still picture from bytes: BMP, JPEG or PNG, with the transparency rules of the loaders.
QImage StillAndMask(const uint8_t* data, size_t size, TImageKind kind, int& transp,
                    QImage& mask, TPictureRequest* request) {
    mask = QImage();
    if (kind == TImageKind::Png) {
        const QSize claimed = ClaimedSize(data, size, "PNG");
        if (!Admitted(request, claimed.width(), claimed.height())) return {};
        QImage alpha;
        QImage img = DecodePng(data, size, alpha);
        if (img.isNull()) return {};
        if (!alpha.isNull()) {
            mask = alpha;
            transp = TranspPng;
        } else {
            CornerMask(img, transp, mask);
        }
        return RebuildOnPalette(img);
    }
    if (kind == TImageKind::Jpeg && transp != TranspCorner) transp = TranspNone;
    QImage img = DecodeStill(data, size, kind, request);
    if (img.isNull()) return {};
    CornerMask(img, transp, mask);
    if (mask.isNull()) transp = TranspNone;
    return RebuildOnPalette(img);
}

} // namespace

TImageKind SniffImageKind(const uint8_t* b, size_t n) {
    if (n >= 4 && std::memcmp(b, "GIF8", 4) == 0)
        return n >= 5 && b[4] == '9' ? TImageKind::Gif89 : TImageKind::Gif87;
    if (n >= 2 && b[0] == 'B' && b[1] == 'M') return TImageKind::Bmp;
    if (n >= 4 && b[0] == 137 && std::memcmp(b + 1, "PNG", 3) == 0) return TImageKind::Png;
    if (n >= 2 && b[0] == 255 && b[1] == 216) return TImageKind::Jpeg;
    return TImageKind::None;
}

TImageKind SniffImageFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return TImageKind::None;
    uint8_t head[11] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return SniffImageKind(head, static_cast<size_t>(in.gcount()));
}

bool GifTransparency(TMemoryStream& stream, platform::TColor& color) {
    TKeepPosition keep(stream);
    stream.Seek(0);
    uint8_t b[790] = {};
    const size_t n = stream.Read(b, sizeof b);
    if (SniffImageKind(b, n) != TImageKind::Gif89 || n < 13) return false;
    const size_t tableSize = size_t{3} << ((b[10] & 7) + 1);
    const size_t ext = 13 + tableSize;
    if (ext + 8 > n) return false;
    if (b[ext] != 33 || b[ext + 1] != 249 || (b[ext + 3] & 1) == 0) return false;
    const size_t entry = 13 + 3 * size_t{b[ext + 6]};
    color = platform::RGBColor(b[entry], b[entry + 1], b[entry + 2]);
    return true;
}

bool PngTransparency(TMemoryStream& stream, platform::TColor& color) {
    TKeepPosition keep(stream);
    stream.Seek(0);
    uint8_t sig[8];
    static const uint8_t PngSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
    if (stream.Read(sig, 8) != 8 || std::memcmp(sig, PngSignature, 8) != 0) return false;
    bool paletteSeen = false;
    for (;;) {
        uint8_t head[8];
        if (stream.Read(head, 8) != 8) return false;
        const uint32_t length = BigEndian32(head);
        const size_t dataStart = stream.Position();
        const std::string type(reinterpret_cast<const char*>(head + 4), 4);
        if (type == "IEND" || type == "IDAT") return false;
        if (type == "IHDR") {
            uint8_t ihdr[13];
            if (length < 13 || stream.Read(ihdr, 13) != 13) return false;
            if (ihdr[9] != 3) return false; // only paletted pictures are probed
        } else if (type == "PLTE") {
            uint8_t rgb[3];
            if (length < 3 || stream.Read(rgb, 3) != 3) return false;
            color = platform::RGBColor(rgb[0], rgb[1], rgb[2]);
            paletteSeen = true;
        } else if (type == "tRNS") {
            uint8_t alpha;
            if (length < 1 || stream.Read(&alpha, 1) != 1) return false;
            return alpha < 127 && paletteSeen;
        }
        const size_t next = dataStart + size_t{length} + 4; // data and check value
        if (next > stream.Size()) return false;
        stream.Seek(next);
    }
}

QImage DecodePng(const uint8_t* data, size_t size, QImage& mask) {
    mask = QImage();
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                               static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "PNG");
    const QSize claimed = reader.size();
    if (!WithinPixelLimit(claimed.width(), claimed.height())) return {};
    QImage img = reader.read();
    if (img.isNull()) return {};
    if (!img.hasAlphaChannel()) return img.convertToFormat(QImage::Format_RGB32);
    img = img.convertToFormat(QImage::Format_ARGB32);
    QImage m = NewMask(img.width(), img.height());
    if (m.isNull()) return {};
    bool any = false;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(row[x]) < 128) {
                SetMaskBit(m.scanLine(y), x);
                any = true;
            }
    }
    if (any) mask = m;
    // Transparent pixels keep whatever colour they carried; opaque drawing ignores alpha.
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage ReadImageFile(const std::string& name, bool convert) {
    std::string data;
    if (!platform::ReadWholeFile(name, data)) return {};
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    QImage img = DecodeStill(bytes, data.size(), SniffImageKind(bytes, data.size()));
    return convert ? RebuildOnPalette(img) : img;
}

QImage ImageAndMaskFromFile(const std::string& name, int& transp, QImage& mask, TPictureRequest* request) {
    mask = QImage();
    std::string data;
    if (!platform::ReadWholeFile(name, data)) return {};
    TMemoryStream stream(std::move(data));
    const std::string ext = LowerExtension(name);
    platform::TColor color = 0;
    if (ext == ".gif" && GifTransparency(stream, color)) transp = TranspGif;
    const auto* bytes = stream.Memory();
    const TImageKind kind = SniffImageKind(bytes, stream.Size());
    if (kind == TImageKind::Png) return StillAndMask(bytes, stream.Size(), kind, transp, mask, request);
    if (kind != TImageKind::Bmp && kind != TImageKind::Jpeg) return {};
    if (transp == TranspNone) return RebuildOnPalette(DecodeStill(bytes, stream.Size(), kind, request));
    QImage raw = DecodeStill(bytes, stream.Size(), kind, request);
    if (raw.isNull()) return {};
    mask = MakeMask(raw, transp != TranspCorner, color);
    return RebuildOnPalette(raw);
}

QImage ImageAndMaskFromStream(const TMemoryStream* stream, int& transp, QImage& mask, TPictureRequest* request) {
    mask = QImage();
    if (!stream || stream->Size() < 20) return {};
    const TImageKind kind = SniffImageKind(stream->Memory(), stream->Size());
    if (kind != TImageKind::Bmp && kind != TImageKind::Jpeg && kind != TImageKind::Png) return {};
    return StillAndMask(stream->Memory(), stream->Size(), kind, transp, mask, request);
}

QImage MakeMask(const QImage& image, bool colorValid, platform::TColor color) {
    if (image.isNull()) return {};
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = colorValid
                         ? qRgb(platform::RedOf(color), platform::GreenOf(color),
                                platform::BlueOf(color))
                         : src.pixel(0, src.height() - 1);
    QImage mask = NewMask(src.width(), src.height());
    if (mask.isNull()) return {};
    for (int y = 0; y < src.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* out = mask.scanLine(y);
        for (int x = 0; x < src.width(); ++x)
            if (((row[x] ^ key) & 0xFFFFFF) == 0) SetMaskBit(out, x);
    }
    return mask;
}

void DrawMasked(platform::TCanvas& canvas, const QImage& image, const QImage& mask, int x,
                int y, int w, int h) {
    const QPaintDevice* device = canvas.Painter().device();
    if (image.isNull() || (device && device->depth() == 1)) return;
    canvas.DrawMasked(QRect(x, y, w, h), image, mask);
}

} // namespace image
