// Builds small GIF files for the tests: a real LZW encoder (so decoding is checked against
// independently compressed data) and the blocks around it.
#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gifbuild {

// Packs codes least significant bit first, with the code size the decoder will expect.
class TBitWriter {
public:
    void Put(int code, int size) {
        Acc |= static_cast<uint32_t>(code) << Count;
        Count += size;
        while (Count >= 8) {
            Bytes.push_back(static_cast<char>(Acc & 0xFF));
            Acc >>= 8;
            Count -= 8;
        }
    }
    std::string Finish() {
        if (Count > 0) Bytes.push_back(static_cast<char>(Acc & 0xFF));
        Acc = 0;
        Count = 0;
        return Bytes;
    }

private:
    std::string Bytes;
    uint32_t Acc = 0;
    int Count = 0;
};

// Codes of one fixed size, packed; for streams written by hand.
inline std::string Pack(const std::vector<int>& codes, int size) {
    TBitWriter w;
    for (int c : codes) w.Put(c, size);
    return w.Finish();
}

// The raw LZW code stream (without sub-blocks) of Indices: a clear code, the codes, the end code.
inline std::string LzwCodes(const std::vector<uint8_t>& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    TBitWriter out;
    int size = minCodeSize + 1, next = clear + 2;
    std::map<std::pair<int, int>, int> dict;
    // The decoder defines each entry one code later than the encoder, so the code size grows
    // when the entry about to be added no longer fits, before it is added.
    auto put = [&](int code) {
        out.Put(code, size);
        if (next >= (1 << size) && size < 12) ++size;
    };
    auto putClear = [&] {
        out.Put(clear, size);
        size = minCodeSize + 1;
        next = clear + 2;
        dict.clear();
    };
    putClear();
    if (indices.empty()) {
        out.Put(clear + 1, size);
        return out.Finish();
    }
    int prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const int ch = indices[i];
        auto it = dict.find({prefix, ch});
        if (it != dict.end()) {
            prefix = it->second;
            continue;
        }
        put(prefix);
        if (next < 4096)
            dict[{prefix, ch}] = next++;
        else
            putClear();
        prefix = ch;
    }
    put(prefix);
    out.Put(clear + 1, size);
    return out.Finish();
}

inline std::string SubBlocks(const std::string& raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); i += 255) {
        const size_t n = std::min<size_t>(255, raw.size() - i);
        out += static_cast<char>(n);
        out += raw.substr(i, n);
    }
    out += '\0';
    return out;
}

inline std::string Word(int v) { return {char(v & 0xFF), char((v >> 8) & 0xFF)}; }

inline std::string Table(const std::vector<QRgb>& colors) {
    std::string out;
    for (QRgb c : colors) out += {char(qRed(c)), char(qGreen(c)), char(qBlue(c))};
    return out;
}

inline int TableBits(size_t n) {
    int bits = 1;
    while ((size_t{1} << bits) < n) ++bits;
    return bits;
}

// Header and logical screen descriptor; the global table (padded to a power of two) if any.
inline std::string Header(const char* version, int w, int h, std::vector<QRgb> global = {}) {
    std::string out = std::string("GIF") + version + Word(w) + Word(h);
    if (global.empty()) return out + std::string("\0\0\0", 3);
    const int bits = TableBits(global.size());
    global.resize(size_t{1} << bits, qRgb(0, 0, 0));
    out += static_cast<char>(0x80 | (bits - 1));
    out += std::string("\0\0", 2);
    return out + Table(global);
}

inline std::string Netscape(int loops) {
    return std::string("\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01", 16) + Word(loops) + '\0';
}

inline std::string Control(int delay, int dispose, bool transparent, int index) {
    return std::string("\x21\xF9\x04", 3) + char((dispose << 2) | (transparent ? 1 : 0)) +
           Word(delay) + char(index) + '\0';
}

// An image without a local colour table, its indices coded with the minimum code size 2.
struct TImage {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<uint8_t> Pixels; // rows top to bottom
};

inline std::string Image(const TImage& im) {
    return "\x2C" + Word(im.Left) + Word(im.Top) + Word(im.Width) + Word(im.Height) +
           std::string("\0\x02", 2) + SubBlocks(LzwCodes(im.Pixels, 2));
}

inline const std::string Trailer = "\x3B";

// Indices 0 to 3 are red, green, blue and white: R, G, B and W to Letters.
inline const std::vector<QRgb> Palette4 = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                           qRgb(255, 255, 255)};

// A picture as text, one letter per pixel: R, G, B, W, k for black, . where transparent, ?
// for anything else; rows joined by RowBreak when one is given.
inline std::string Letters(const QImage& img, const char* rowBreak = "") {
    std::string out;
    for (int y = 0; y < img.height(); ++y) {
        if (y) out += rowBreak;
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            const QRgb rgb = p & 0xFFFFFF;
            out += qAlpha(p) == 0     ? '.'
                   : rgb == 0xFF0000 ? 'R'
                   : rgb == 0x00FF00 ? 'G'
                   : rgb == 0x0000FF ? 'B'
                   : rgb == 0xFFFFFF ? 'W'
                   : rgb == 0        ? 'k'
                                     : '?';
        }
    }
    return out;
}

} // namespace gifbuild
