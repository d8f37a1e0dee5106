// Parsing and decoding of GIF files into frames.
#include "image/gif_image.h"

#include "image/mono_mask.h"
#include "image/image_support.h"
#include "image/lzw_decoder.h"

#include <algorithm>
#include <cstring>

namespace image {

namespace {

// Limits that keep a damaged or hostile file from taking all memory and time. The frames of
// one picture together may take MaxGifBytes and its canvas MaxCanvasPixels: a frame beyond
// either ends the file as if it were damaged there; a logical screen beyond the canvas
// limit fails the load. Real pictures stay far below both.
constexpr size_t MaxGifBytes = size_t{128} << 20;
constexpr size_t MaxCanvasPixels = size_t{16} << 20;

constexpr QRgb Black = 0xFF000000u;

// What the first byte of a block says it is.
constexpr uint8_t ExtensionIntroducer = 0x21; // '!'
constexpr uint8_t ImageSeparator = 0x2C;      // ','
constexpr uint8_t Trailer = 0x3B;             // ';'

// The label byte after the extension introducer.
constexpr uint8_t PlainTextLabel = 0x01;
constexpr uint8_t GraphicControlLabel = 0xF9;
constexpr uint8_t CommentLabel = 0xFE;
constexpr uint8_t ApplicationLabel = 0xFF;

// Packed fields. The screen and image descriptors share the colour table flag and size
// (a table of 2^(size + 1) entries); the graphic control block holds disposal and
// transparency.
constexpr uint8_t ColorTableFlag = 0x80;
constexpr uint8_t InterlaceFlag = 0x40;
constexpr uint8_t ColorTableSizeMask = 0x07;
constexpr uint8_t DisposalMask = 0x1C;
constexpr int DisposalShift = 2;
constexpr uint8_t TransparencyFlag = 0x01;

int Word(const uint8_t* p) { return p[0] | (p[1] << 8); }

// Target rows in the order the raster delivers them.
void RowOrder(int height, bool interlaced, std::vector<int>& order) {
    order.clear();
    order.reserve(static_cast<size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) order.push_back(y);
        return;
    }
    static constexpr int Start[4] = {0, 4, 2, 1};
    static constexpr int Step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = Start[pass]; y < height; y += Step[pass]) order.push_back(y);
}

} // namespace

class TGIFImage::TParser {
public:
    TParser(TGIFImage& img, const uint8_t* data, size_t size, bool structureOnly)
        : G(img), D(data), N(size), StructureOnly(structureOnly) {}

    bool Run();

private:
    void SkipSubBlocks();
    void ReadComment();
    void ReadApplication();
    void ReadControl();
    bool ReadFrame();
    void DecodeRaster(TFrame& f, const QRgb* table, int tableSize);

    TGIFImage& G;
    const uint8_t* D;
    size_t N;
    size_t Pos = 0;
    bool StructureOnly;
    TControl Pending;
    std::string PendingRemark;
    size_t BytesUsed = 0;
    std::vector<uint8_t> Codes;
    std::vector<uint8_t> Indices;
    std::vector<int> Order;
    std::unique_ptr<TLzwDecoder> Lzw;
};

void TGIFImage::TParser::SkipSubBlocks() {
    while (Pos < N) {
        const size_t n = D[Pos++];
        if (n == 0) return;
        Pos = std::min(N, Pos + n);
    }
}

void TGIFImage::TParser::ReadComment() {
    while (Pos < N) {
        const size_t n = D[Pos++];
        if (n == 0) return;
        const size_t take = std::min(n, N - Pos);
        PendingRemark.append(reinterpret_cast<const char*>(D + Pos), take);
        Pos += take;
    }
}

void TGIFImage::TParser::ReadApplication() {
    if (Pos + 12 <= N && D[Pos] >= 11 && std::memcmp(D + Pos + 1, "NETSCAPE2.0", 11) == 0) {
        const size_t data = Pos + 1 + D[Pos];
        if (data + 3 < N && D[data] >= 3) G.Repeats_ = Word(D + data + 2);
    }
    SkipSubBlocks();
}

void TGIFImage::TParser::ReadControl() {
    // Block size, packed byte, delay (2 bytes), transparent index, terminator.
    uint8_t b[6] = {};
    std::memcpy(b, D + Pos, std::min<size_t>(6, N - Pos));
    Pending.Present = true;
    Pending.Packed = b[1];
    Pending.Delay = Word(b + 2);
    Pending.Index = b[4];
    SkipSubBlocks();
}

bool TGIFImage::TParser::Run() {
    G.Clear();
    G.StructureOnly_ = StructureOnly;
    if (N < 13 || std::memcmp(D, "GIF", 3) != 0) return false;
    const int screenW = Word(D + 6);
    const int screenH = Word(D + 8);
    const uint8_t packed = D[10];
    Pos = 13;
    G.CanvasW = screenW;
    G.CanvasH = screenH;
    if (packed & ColorTableFlag) {
        G.WidestBits = (packed & ColorTableSizeMask) + 1;
        const int entries = 1 << G.WidestBits;
        for (int i = 0; i < entries && Pos + 3 <= N; ++i, Pos += 3)
            G.GlobalTable[static_cast<size_t>(i)] = qRgb(D[Pos], D[Pos + 1], D[Pos + 2]);
    }

    while (Pos < N) {
        const size_t before = Pos;
        const uint8_t kind = D[Pos];
        if (kind == ExtensionIntroducer) {
            if (Pos + 2 > N) break;
            const uint8_t label = D[Pos + 1];
            Pos += 2;
            if (label == PlainTextLabel)
                SkipSubBlocks();
            else if (label == GraphicControlLabel)
                ReadControl();
            else if (label == CommentLabel)
                ReadComment();
            else if (label == ApplicationLabel)
                ReadApplication();
            else
                break;
        } else if (kind == ImageSeparator) {
            if (G.FrameTotal() >= MaxFrames || !ReadFrame()) break;
        } else if (kind == Trailer) {
            break;
        } else {
            break; // anything that cannot be a block ends the file; what came before is kept
        }
        if (Pos == before) break;
    }

    if (!StructureOnly) {
        if (G.Frames.empty()) return false;
        const size_t area = static_cast<size_t>(G.CanvasW) * static_cast<size_t>(G.CanvasH);
        if (area == 0 || area > MaxCanvasPixels || !G.AllocateSurfaces()) return false;
    }
    G.NotLoaded_ = false;
    G.Compose(1);
    return true;
}

bool TGIFImage::TParser::ReadFrame() {
    if (Pos + 10 > N) return false;
    auto f = std::make_unique<TFrame>();
    const uint8_t* d = D + Pos;
    f->Left = Word(d + 1);
    f->Top = Word(d + 3);
    f->Width = Word(d + 5);
    f->Height = Word(d + 7);
    const uint8_t packed = d[9];
    Pos += 10;
    f->OwnTable = (packed & ColorTableFlag) != 0;
    f->RowsInterlaced = (packed & InterlaceFlag) != 0;
    if (f->OwnTable) {
        f->OwnTableBits = (packed & ColorTableSizeMask) + 1;
        const size_t entries = size_t{1} << f->OwnTableBits;
        if (Pos + 3 * entries > N) return false;
        if (!StructureOnly) {
            f->ColorTable.resize(entries);
            for (size_t i = 0; i < entries; ++i)
                f->ColorTable[i] = qRgb(D[Pos + 3 * i], D[Pos + 3 * i + 1], D[Pos + 3 * i + 2]);
        }
        Pos += 3 * entries;
    }
    if (Pending.Present) {
        f->DisposeMode = GifDisposal(static_cast<uint8_t>((Pending.Packed & DisposalMask) >> DisposalShift));
        f->DelayMs = Pending.Delay * 10;
        f->HasTransparency = (Pending.Packed & TransparencyFlag) != 0;
        f->ClearIndex = Pending.Index;
    }

    if (StructureOnly) {
        if (Pos < N) ++Pos; // the minimum code size
        SkipSubBlocks();
        while (Pos < N && D[Pos] == 0) ++Pos;
    } else {
        const size_t pixels = static_cast<size_t>(f->Width) * static_cast<size_t>(f->Height);
        const size_t bytes = pixels + (f->HasTransparency ? pixels / 8 + f->Height : 0);
        const size_t canvas = static_cast<size_t>(std::max(G.CanvasW, f->Left + f->Width)) *
                              static_cast<size_t>(std::max(G.CanvasH, f->Top + f->Height));
        if (BytesUsed + bytes > MaxGifBytes || canvas > MaxCanvasPixels) return false;
        BytesUsed += bytes;
        if (f->OwnTable)
            DecodeRaster(*f, f->ColorTable.data(), static_cast<int>(f->ColorTable.size()));
        else
            DecodeRaster(*f, G.GlobalTable.data(), 256);
    }

    G.CanvasW = std::max(G.CanvasW, f->Left + f->Width);
    G.CanvasH = std::max(G.CanvasH, f->Top + f->Height);
    G.WidestBits = std::max(G.WidestBits, f->OwnTableBits);
    G.ClearFrames = G.ClearFrames || f->HasTransparency;
    f->Remark = std::move(PendingRemark);
    PendingRemark.clear();
    Pending = TControl{};
    G.Frames.push_back(std::move(f));
    return true;
}

void TGIFImage::TParser::DecodeRaster(TFrame& f, const QRgb* table, int tableSize) {
    const size_t w = static_cast<size_t>(f.Width);
    const size_t pixels = w * static_cast<size_t>(f.Height);
    // Rows are W bytes apart; rows the data never reaches keep index 0.
    if (pixels > 0) {
        f.FrameBitmap = ZeroedImage(f.Width, f.Height, f.Width, QImage::Format_Indexed8);
        if (f.FrameBitmap.isNull()) return;
    }
    uint8_t* bits = pixels > 0 ? f.FrameBitmap.bits() : nullptr;
    uint8_t* raster = bits;
    if (f.RowsInterlaced && pixels > 0) {
        Indices.assign(pixels, 0);
        raster = Indices.data();
    }
    size_t decoded = 0;
    if (Pos < N) {
        const int minCodeSize = D[Pos++];
        Codes.reserve(N - Pos);
        GatherSubBlocks(D, N, Pos, Codes);
        if (pixels > 0) {
            if (!Lzw) Lzw = std::make_unique<TLzwDecoder>();
            decoded = Lzw->Decode(minCodeSize, Codes.data(), Codes.size(), raster, pixels).Pixels;
        }
    }
    if (pixels == 0) return;

    RowOrder(f.Height, f.RowsInterlaced, Order);
    if (f.RowsInterlaced)
        for (size_t s = 0; s < Order.size(); ++s)
            std::memcpy(bits + static_cast<size_t>(Order[s]) * w, raster + s * w, w);

    QList<QRgb> colors(256, Black);
    for (int i = 0; i < tableSize && i < 256; ++i) colors[i] = table[i] | Black;
    if (f.HasTransparency) {
        f.ClearColor = colors[f.ClearIndex];
        colors[f.ClearIndex] = Black;
    }
    if (const TPalette* shared = SharedPalette())
        for (QRgb& c : colors) c = (*shared)[static_cast<size_t>(NearestPaletteIndex(*shared, c))];
    f.FrameBitmap.setColorTable(colors);

    if (!f.HasTransparency) return;
    f.FrameMask = NewMask(f.Width, f.Height);
    if (f.FrameMask.isNull()) return;
    const uint8_t clear = f.ClearIndex;
    for (size_t s = 0; s < Order.size(); ++s) {
        const size_t start = s * w;
        if (start >= decoded) break; // rows never reached stay opaque
        const size_t reached = std::min(w, decoded - start);
        const uint8_t* in = raster + start;
        uchar* out = f.FrameMask.scanLine(Order[s]);
        for (size_t x = 0; x < reached; ++x)
            if (in[x] == clear) SetMaskBit(out, static_cast<int>(x));
    }
}

TGifDisposal GifDisposal(uint8_t field) {
    // Note: the values 4..7 are undefined; they are read as a restore to the background,
    // as the decoders that made the pictures of their day did.
    return field <= gdRestorePrevious ? static_cast<TGifDisposal>(field) : gdRestoreBackground;
}

TGIFImage::TGIFImage() { GlobalTable.fill(Black); }
TGIFImage::~TGIFImage() = default;

void TGIFImage::Clear() {
    Frames.clear();
    GlobalTable.fill(Black);
    CanvasW = CanvasH = 0;
    WidestBits = 0;
    Shown = 1;
    Repeats_ = 1;
    Pass = 1;
    HoldFirstStep = true;
    ClearFrames = false;
    NotLoaded_ = true;
    ImageSurface = QImage();
}

bool TGIFImage::ReadSource(const uint8_t* data, size_t size, bool structureOnly) {
    if (!data) return false;
    TParser parser(*this, data, size, structureOnly);
    const bool ok = parser.Run();
    if (!ok) NotLoaded_ = true;
    return ok;
}

bool TGIFImage::ReadSource(const TMemoryStream& source, bool structureOnly) {
    return ReadSource(source.Memory(), source.Size(), structureOnly);
}

bool TGIFImage::AllocateSurfaces() {
    ImageSurface = ZeroedImage(CanvasW, CanvasH, CanvasW * 4, QImage::Format_ARGB32);
    return !ImageSurface.isNull();
}

} // namespace image
