#include "image/jpeg_decoder.h"

#include "platform/files.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace image {

namespace {

// Pictures beyond this many pixels are refused rather than allocated.
constexpr long long MaxJpegPixels = 64LL * 1024 * 1024;
// Progressive files can hold thousands of tiny scans that each cost a full pass.
constexpr int MaxJpegScans = 1000;

struct TErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    std::longjmp(err->Jump, 1);
}

void Quiet(j_common_ptr, int) {}

void LimitScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > MaxJpegScans)
        ErrorExit(cinfo);
}

// The decompressor and its error manager live here, outside the functions that call
// setjmp, and only plain C data is touched between setjmp and a jump back: no C++ object
// is skipped over by longjmp.
struct TJpegSession {
    jpeg_decompress_struct Info{};
    TErrorManager Err{};
    jpeg_progress_mgr Progress{};
    bool Created = false;

    ~TJpegSession() {
        if (Created) jpeg_destroy_decompress(&Info);
    }
};

bool ReadHeader(TJpegSession& s, const uint8_t* data, size_t size) {
    s.Info.err = jpeg_std_error(&s.Err.Pub);
    s.Err.Pub.error_exit = ErrorExit;
    s.Err.Pub.emit_message = Quiet;
    if (setjmp(s.Err.Jump)) return false;
    jpeg_create_decompress(&s.Info);
    s.Created = true;
    s.Info.mem->max_memory_to_use = 512L * 1024 * 1024;
    s.Progress.progress_monitor = LimitScans;
    s.Info.progress = &s.Progress;
    jpeg_mem_src(&s.Info, data, static_cast<unsigned long>(size));
    return jpeg_read_header(&s.Info, TRUE) == JPEG_HEADER_OK;
}

bool FitsLimit(const TJpegSession& s) {
    return static_cast<long long>(s.Info.image_width) * s.Info.image_height <= MaxJpegPixels;
}

bool Start(TJpegSession& s, bool eightBit, const TPalette* palette, int scaleDenom) {
    if (setjmp(s.Err.Jump)) return false;
    j_decompress_ptr c = &s.Info;
    if (scaleDenom == 2 || scaleDenom == 4 || scaleDenom == 8) {
        c->scale_num = 1;
        c->scale_denom = static_cast<unsigned>(scaleDenom);
    }
    const bool grey = c->jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
    if (grey) {
        c->out_color_space = JCS_GRAYSCALE;
    } else if (cmyk) {
        c->out_color_space = JCS_CMYK;
    } else if (eightBit) {
        c->out_color_space = JCS_RGB;
        c->quantize_colors = TRUE;
        c->dither_mode = JDITHER_NONE;
        if (palette && !palette->empty()) {
            const int n = static_cast<int>(palette->size() < 256 ? palette->size() : 256);
            c->colormap = (*c->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(c), JPOOL_IMAGE,
                                                  static_cast<JDIMENSION>(n), 3);
            for (int i = 0; i < n; ++i) {
                c->colormap[0][i] = static_cast<JSAMPLE>(qRed((*palette)[i]));
                c->colormap[1][i] = static_cast<JSAMPLE>(qGreen((*palette)[i]));
                c->colormap[2][i] = static_cast<JSAMPLE>(qBlue((*palette)[i]));
            }
            c->actual_number_of_colors = n;
        } else {
            c->desired_number_of_colors = 256;
            c->two_pass_quantize = TRUE;
        }
    } else {
#ifdef JCS_EXTENSIONS
        c->out_color_space = JCS_EXT_BGRX;
#else
        c->out_color_space = JCS_RGB;
#endif
    }
    return jpeg_start_decompress(c) == TRUE;
}

// Writes the decoded rows into Bits (RowBytes apart). Pixel layout: one byte per pixel for
// grey and quantised output; 4 bytes (B, G, R, X) otherwise.
bool ReadRows(TJpegSession& s, uint8_t* bits, size_t rowBytes) {
    if (setjmp(s.Err.Jump)) return false;
    j_decompress_ptr c = &s.Info;
    const JDIMENSION width = c->output_width;
    const int comps = c->output_components;
    const bool direct = comps == 1 || (comps == 4 && c->out_color_space != JCS_CMYK);
    JSAMPARRAY temp = direct ? nullptr
                             : (*c->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(c),
                                                       JPOOL_IMAGE, width * comps, 1);
    while (c->output_scanline < c->output_height) {
        uint8_t* dest = bits + rowBytes * c->output_scanline;
        if (direct) {
            JSAMPROW row = dest;
            if (jpeg_read_scanlines(c, &row, 1) != 1) return false;
            continue;
        }
        if (jpeg_read_scanlines(c, temp, 1) != 1) return false;
        const JSAMPLE* in = temp[0];
        for (JDIMENSION x = 0; x < width; ++x, in += comps, dest += 4) {
            if (c->out_color_space == JCS_CMYK) {
                // Adobe writes CMYK inverted: each value is already 255 minus the ink.
                const unsigned k = in[3];
                dest[0] = static_cast<uint8_t>(in[2] * k / 255);
                dest[1] = static_cast<uint8_t>(in[1] * k / 255);
                dest[2] = static_cast<uint8_t>(in[0] * k / 255);
            } else {
                dest[0] = in[2];
                dest[1] = in[1];
                dest[2] = in[0];
            }
            dest[3] = 0xFF;
        }
    }
    jpeg_finish_decompress(c);
    return true;
}

} // namespace

QImage DecodeJpeg(const uint8_t* data, size_t size, TJpegDepth depth, const TPalette* palette,
                  int scaleDenom) {
    if (!data || size < 4) return {};
    TJpegSession s;
    if (!ReadHeader(s, data, size) || !FitsLimit(s)) return {};
    if (!Start(s, depth == TJpegDepth::Bits8, palette, scaleDenom)) return {};
    const int w = static_cast<int>(s.Info.output_width);
    const int h = static_cast<int>(s.Info.output_height);
    const bool indexed = s.Info.output_components == 1;
    // The colour map lives in libjpeg's per-picture memory, which finishing frees.
    QList<QRgb> table;
    if (indexed && s.Info.quantize_colors) {
        for (int i = 0; i < s.Info.actual_number_of_colors; ++i)
            table.append(qRgb(s.Info.colormap[0][i], s.Info.colormap[1][i], s.Info.colormap[2][i]));
    } else if (indexed) {
        for (int i = 0; i < 256; ++i) table.append(qRgb(i, i, i));
    }
    QImage img(w, h, indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (img.isNull()) return {};
    if (!ReadRows(s, img.bits(), static_cast<size_t>(img.bytesPerLine()))) return {};
    if (indexed) {
        img.setColorTable(table);
        if (depth == TJpegDepth::Bits24) return img.convertToFormat(QImage::Format_RGB32);
    }
    return img;
}

QImage DecodeJpegFile(const std::string& name, TJpegDepth depth, const TPalette* palette) {
    std::string data;
    if (!platform::ReadWholeFile(name, data)) return {};
    return DecodeJpeg(reinterpret_cast<const uint8_t*>(data.data()), data.size(), depth, palette);
}

bool JpegSize(const uint8_t* data, size_t size, int& width, int& height) {
    width = height = 0;
    if (!data || size < 4) return false;
    TJpegSession s;
    if (!ReadHeader(s, data, size) || !FitsLimit(s) || s.Info.image_width == 0 || s.Info.image_height == 0)
        return false;
    width = static_cast<int>(s.Info.image_width);
    height = static_cast<int>(s.Info.image_height);
    return true;
}

int JpegScaleDenom(int width, int height, int shownWidth, int shownHeight) {
    if (shownWidth <= 0 && shownHeight <= 0) return 1;
    for (int denom = 8; denom > 1; denom /= 2) {
        const bool wideEnough = shownWidth <= 0 || JpegScaledSide(width, denom) >= shownWidth;
        const bool highEnough = shownHeight <= 0 || JpegScaledSide(height, denom) >= shownHeight;
        if (wideEnough && highEnough) return denom;
    }
    return 1;
}

bool JpegIsGreyscale(const uint8_t* data, size_t size) {
    if (!data || size < 4) return false;
    TJpegSession s;
    return ReadHeader(s, data, size) && s.Info.jpeg_color_space == JCS_GRAYSCALE;
}

} // namespace image
