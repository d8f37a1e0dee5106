#include "doc/fonts.h"

#include "doc/section_list.h"
#include "platform/canvas.h"

#include <unordered_map>

namespace doc {

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    long long p = static_cast<long long>(a) * b;
    long long d = c;
    if (d < 0) {
        p = -p;
        d = -d;
    }
    return static_cast<int>(p >= 0 ? (p + d / 2) / d : -((-p + d / 2) / d));
}

const std::array<int, 8> FontSizeTable = {0, 8, 10, 12, 14, 18, 24, 36};
const std::array<int, 8> PreFontSizeTable = {0, 7, 8, 10, 12, 15, 20, 30};

int BigStep(int points) {
    for (int i = 1; i <= 6; ++i)
        if (FontSizeTable[static_cast<size_t>(i)] == points) return FontSizeTable[static_cast<size_t>(i + 1)];
    return points;
}

int SmallStep(int points) {
    for (int i = 2; i <= 7; ++i)
        if (FontSizeTable[static_cast<size_t>(i)] == points) return FontSizeTable[static_cast<size_t>(i - 1)];
    return points;
}

void TMyFont::SetUnscaledSize(const TSectionList& list, int size) {
    UnscaledSize = size;
    Size = MulDiv(list.FontSize, size, 12);
}

void TMyFont::ApplyDefaults(const TSectionList& list, platform::TColor color) {
    Name = FixedPitch ? list.PreFontName : list.FontName;
    Charset = list.Charset;
    Size = MulDiv(list.FontSize, UnscaledSize, 12);
    Color = color | platform::PaletteRelative;
}

QFont TMyFont::ToQFont() const {
    QFont f = platform::MakeFont(Name, Size, Style & fsBold, Style & fsItalic, Style & fsUnderline,
                                 Style & fsStrikeOut);
    // Widths are summed per character, so the drawn text must not be kerned.
    f.setKerning(false);
    return f;
}

// ---- Shared faces ----

namespace {

struct TFaceKey {
    const TTextMeasurer* Measurer;
    std::string Name;
    int Size;
    TFontStyles Style;
    bool operator==(const TFaceKey&) const = default;
};

struct TFaceKeyHash {
    size_t operator()(const TFaceKey& k) const {
        return std::hash<std::string>()(k.Name) ^ std::hash<const TTextMeasurer*>()(k.Measurer) ^
               (static_cast<size_t>(k.Size) * 31 + static_cast<size_t>(k.Style)) * 0x9E3779B9u;
    }
};

// Weak entries: a face goes with the last run that uses it, and expired entries are swept
// whenever the table has doubled since the last sweep, so it stays proportional to the
// fonts in use.
struct TFaceTable {
    std::unordered_map<TFaceKey, std::weak_ptr<const TFontFace>, TFaceKeyHash> Faces;
    size_t SweepAt = 64;

    void sweep() {
        std::erase_if(Faces, [](const auto& e) { return e.second.expired(); });
        SweepAt = std::max<size_t>(64, 2 * Faces.size());
    }
};

TFaceTable& faceTable() {
    static TFaceTable table;
    return table;
}

} // namespace

TFontFace::TFontFace(const QFont& font, const TTextMeasurer& measurer)
    : Q(font), Metrics(measurer.Metrics(font)), Measurer(measurer) {
    Advances.fill(-1);
}

std::shared_ptr<const TFontFace> TFontFace::For(const TMyFont& font, const TTextMeasurer& measurer) {
    TFaceTable& table = faceTable();
    TFaceKey key{&measurer, font.Name, font.Size, font.Style};
    auto it = table.Faces.find(key);
    if (it != table.Faces.end())
        if (auto face = it->second.lock()) return face;
    if (table.Faces.size() >= table.SweepAt) table.sweep();
    // Not make_shared: the table's weak reference must not keep the widths allocated.
    std::shared_ptr<const TFontFace> face(new TFontFace(font.ToQFont(), measurer));
    table.Faces.insert_or_assign(std::move(key), face);
    return face;
}

size_t TFontFace::LiveCount() {
    size_t n = 0;
    for (const auto& e : faceTable().Faces)
        if (!e.second.expired()) ++n;
    return n;
}

int TFontFace::measure(unsigned char c) const {
    const int w = Measurer.CharWidth(Q, c);
    Advances[c] = w;
    return w;
}

// ---- Runs ----

TFontObj::TFontObj(const TMyFont& font, int startPos, const TTextMeasurer& measurer)
    : StartPos(startPos), Font(font), Measurer(&measurer) {
    FontChanged();
}

void TFontObj::FontChanged() {
    Face = TFontFace::For(Font, *Measurer);
}

int TFontObj::TextWidth(std::string_view text) const {
    int w = 0;
    for (char c : text) w += CharWidth(static_cast<unsigned char>(c));
    return w;
}

void TFontObj::ApplyDefaults(const TSectionList& list) {
    Font.ApplyDefaults(list, Link.URL.empty() ? list.FontColor : list.HotSpotColor);
    FontChanged();
}

TFontObj* TFontList::RunAt(int pos, int& index) const {
    index = 0;
    if (Empty()) return nullptr;
    int n = Count();
    // Runs are ordered by StartPos: a binary search finds the last not beyond Pos.
    int lo = 0, hi = n - 1;
    while (lo < hi) {
        int mid = (lo + hi + 1) / 2;
        if ((*this)[mid]->StartPos <= pos)
            lo = mid;
        else
            hi = mid - 1;
    }
    index = lo;
    return (*this)[lo];
}

TMyFont* TFontList::FontAt(int pos, int& overhang) const {
    TFontObj* r = RunAt(pos);
    overhang = r ? r->Overhang() : 0;
    return r ? &r->Font : nullptr;
}

int TFontList::RunLengthAt(int pos, int length) const {
    int i;
    RunAt(pos, i);
    for (int j = i; j < Count(); ++j)
        if ((*this)[j]->StartPos > pos) return (*this)[j]->StartPos - pos;
    return length - pos;
}

void TFontList::ApplyDefaultsToAll(const TSectionList& list) {
    for (const auto& r : *this) r->ApplyDefaults(list);
}

} // namespace doc
