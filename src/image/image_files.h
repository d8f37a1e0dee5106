// Recognising picture files and loading the still ones (BMP, JPEG, PNG) into bitmaps with
// their transparency masks. GIF pictures go through TGIFImage. Loaders never throw: any
// failure gives a null bitmap and no mask. Masks are white where the picture is transparent.
#pragma once

#include "image/memory_stream.h"
#include "image/picture_request.h"
#include "platform/colors.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {
class TCanvas;
}

namespace image {

enum class TImageKind { None, Gif87, Gif89, Bmp, Png, Jpeg };

TImageKind SniffImageKind(const uint8_t* bytes, size_t count);
// Reads the first 11 bytes of the file; None when it cannot be read.
TImageKind SniffImageFile(const std::string& name);

// Only the first extension after the global colour table of a GIF89 is looked at: a
// graphic control with its transparency flag gives the global table's colour of its index.
// The stream's position is kept.
bool GifTransparency(TMemoryStream& stream, platform::TColor& color);
// A paletted PNG whose tRNS gives palette entry 0 an alpha below 127 is transparent with
// the colour of that entry. The stream's position is kept.
bool PngTransparency(TMemoryStream& stream, platform::TColor& color);

// BMP and JPEG files; null for every other kind. Convert rebuilds it on the shared palette.
QImage ReadImageFile(const std::string& name, bool convert);

// A PNG decoded by Qt's reader: a 32-bit picture and, when some pixels are less than half
// opaque, a mask of them.
QImage DecodePng(const uint8_t* data, size_t size, QImage& mask);

// The displayable bitmap of a BMP, JPEG or PNG file. Transp comes in as 1 to ask for the
// lower-left pixel's colour to be transparent (0 otherwise) and goes out as the kind found
// (TTranspKind); Mask is set when the picture is transparent. GIF files give null here.
// With a Request, a JPEG is decoded at the smallest scale that still covers the shown size,
// and nothing is decoded that the request does not admit.
QImage ImageAndMaskFromFile(const std::string& name, int& transp, QImage& mask,
                            TPictureRequest* request = nullptr);
// The same for a stream of at least 20 bytes holding a BMP, JPEG or PNG.
QImage ImageAndMaskFromStream(const TMemoryStream* stream, int& transp, QImage& mask,
                              TPictureRequest* request = nullptr);

// A monochrome mask, white (1) where Image has Color; without ColorValid the colour is the
// lower-left pixel's.
QImage MakeMask(const QImage& image, bool colorValid, platform::TColor color);

// Image stretched to W x H at (X, Y), transparent where Mask is white (opaque without a
// mask). Nothing is drawn on a monochrome surface.
void DrawMasked(platform::TCanvas& canvas, const QImage& image, const QImage& mask, int x,
                int y, int w, int h);

} // namespace image
