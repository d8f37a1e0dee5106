// Decodes one set of GIFs with our decoder and with giflib and prints the medians and their
// ratio (ours / giflib: below 1 means ours is faster). Two comparisons: the raster decoding
// alone (our full parse against DGifSlurp), and a shown picture (our two-pass loader with
// its composed frame against DGifSlurp plus mapping every frame's colours onto a canvas).
#include "bench_support.h"
#include "image/gif_image.h"
#include "image/image_support.h"
#include "platform/files.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#ifdef HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace {

struct TSample {
    std::string Name;
    std::string Bytes;
};

#ifdef HAVE_GIFLIB
int WriteToString(GifFileType* gif, const GifByteType* data, int n) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), n);
    return n;
}

// A GIF written by giflib's own encoder, so both decoders read typical compressed data.
std::string Encode(int w, int h, int frames, const std::function<uint8_t(int, int, int)>& pixel) {
    std::string out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, WriteToString, &err);
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>((i * 7) & 255),
                     static_cast<GifByteType>(255 - i)};
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, w, h, 8, 0, map);
    std::vector<GifPixelType> row(static_cast<size_t>(w));
    for (int f = 0; f < frames; ++f) {
        if (frames > 1) {
            const GifByteType gce[4] = {4, 10, 0, 0};
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
        }
        EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) row[static_cast<size_t>(x)] = pixel(x, y, f);
            EGifPutLine(gif, row.data(), w);
        }
    }
    EGifCloseFile(gif, &err);
    GifFreeMapObject(map);
    return out;
}

struct TReader {
    const std::string* Data;
    size_t Pos;
};

int ReadFromString(GifFileType* gif, GifByteType* buf, int n) {
    auto* r = static_cast<TReader*>(gif->UserData);
    const size_t take = std::min(static_cast<size_t>(n), r->Data->size() - r->Pos);
    std::memcpy(buf, r->Data->data() + r->Pos, take);
    r->Pos += take;
    return static_cast<int>(take);
}

// giflib: slurp the file; with Compose, also map each frame onto a 32-bit canvas.
size_t GiflibDecode(const std::string& bytes, bool compose, std::vector<uint32_t>& canvas) {
    TReader reader{&bytes, 0};
    int err = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromString, &err);
    if (!gif) return 0;
    size_t pixels = 0;
    if (DGifSlurp(gif) == GIF_OK) {
        if (compose) canvas.assign(static_cast<size_t>(gif->SWidth) * gif->SHeight, 0);
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& im = gif->SavedImages[i];
            pixels += static_cast<size_t>(im.ImageDesc.Width) * im.ImageDesc.Height;
            if (!compose) continue;
            const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : gif->SColorMap;
            uint32_t table[256] = {};
            for (int c = 0; map && c < map->ColorCount; ++c)
                table[c] = 0xFF000000u | (map->Colors[c].Red << 16) | (map->Colors[c].Green << 8) |
                           map->Colors[c].Blue;
            for (int y = 0; y < im.ImageDesc.Height; ++y) {
                const int cy = y + im.ImageDesc.Top;
                if (cy >= gif->SHeight) break;
                const GifByteType* src = im.RasterBits + static_cast<size_t>(y) * im.ImageDesc.Width;
                uint32_t* dst = canvas.data() + static_cast<size_t>(cy) * gif->SWidth + im.ImageDesc.Left;
                const int w = std::min(im.ImageDesc.Width, gif->SWidth - im.ImageDesc.Left);
                for (int x = 0; x < w; ++x) dst[x] = table[src[x]];
            }
        }
    }
    DGifCloseFile(gif, &err);
    return pixels;
}
#endif

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    image::SetScreenDepth(24);
#ifndef HAVE_GIFLIB
    std::printf("giflib was not found when building: nothing to compare with.\n");
    return 0;
#else
    std::vector<TSample> set;
    std::mt19937 rng(1);
    std::vector<uint8_t> noise(800 * 600);
    for (auto& v : noise) v = static_cast<uint8_t>(rng());
    set.push_back({"photo-like 800x600", Encode(800, 600, 1, [](int x, int y, int) {
                       return static_cast<uint8_t>((x / 3 + y / 2 + ((x * y) >> 9)) & 255);
                   })});
    set.push_back({"noise 800x600", Encode(800, 600, 1, [&](int x, int y, int) {
                       return noise[static_cast<size_t>(y) * 800 + x];
                   })});
    set.push_back({"flat 1024x768", Encode(1024, 768, 1, [](int x, int y, int) {
                       return static_cast<uint8_t>(((x / 64) + (y / 48)) & 7);
                   })});
    set.push_back({"animation 30x 200x200", Encode(200, 200, 30, [](int x, int y, int f) {
                       return static_cast<uint8_t>(((x + f * 3) / 8 + (y / 8)) & 15);
                   })});
    std::string waves;
    if (platform::ReadWholeFile(std::string(TEST_CORPORA_DIR) + "/gif-damaged/waves.gif", waves))
        set.push_back({"waves.gif", waves});

    constexpr int Runs = 15;
    std::vector<uint32_t> canvas;
    double oursRaw = 0, theirsRaw = 0, oursShown = 0, theirsShown = 0;
    std::printf("%-24s %10s %10s %10s %10s\n", "file", "ours ms", "giflib ms", "ours+show", "giflib+map");
    for (const auto& s : set) {
        const auto* data = reinterpret_cast<const uint8_t*>(s.Bytes.data());
        const double a = bench::MedianMs(Runs, [&] {
            image::TGIFImage gif;
            gif.ReadSource(data, s.Bytes.size(), false);
        });
        const double b = bench::MedianMs(Runs, [&] { GiflibDecode(s.Bytes, false, canvas); });
        const double c = bench::MedianMs(Runs, [&] {
            image::TMemoryStream stream(s.Bytes);
            bool single = false;
            auto gif = image::DecodeGifStream(&stream, single);
            if (gif) {
                for (int i = 2; i <= gif->FrameTotal(); ++i) gif->ShowFrame(i);
                (void)gif->ComposedPicture();
            }
        });
        const double d = bench::MedianMs(Runs, [&] { GiflibDecode(s.Bytes, true, canvas); });
        std::printf("%-24s %10.2f %10.2f %10.2f %10.2f\n", s.Name.c_str(), a, b, c, d);
        oursRaw += a;
        theirsRaw += b;
        oursShown += c;
        theirsShown += d;
    }
    std::printf("decoding: ours / giflib = %.2f (sum of medians %.2f ms / %.2f ms)\n",
                oursRaw / theirsRaw, oursRaw, theirsRaw);
    std::printf("shown pictures: ours / giflib = %.2f (sum of medians %.2f ms / %.2f ms)\n",
                oursShown / theirsShown, oursShown, theirsShown);
    return 0;
#endif
}
