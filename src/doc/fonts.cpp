#include "doc/fonts.h"

#include "doc/section_list.h"
#include "platform/canvas.h"

#include <QFontMetrics>

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

TFontObj::TFontObj(std::unique_ptr<TMyFont> font, int startPos) : StartPos(startPos), Font(std::move(font)) {
    FontChanged();
}

void TFontObj::FontChanged() {
    Q = Font->ToQFont();
    platform::TTextMetrics m = platform::MetricsOf(Q);
    LineHeight = m.LineHeight;
    TextHeight = m.Height;
    Overhang = m.Overhang;
    Descent = m.Descent;
    Ascent = m.Ascent;
    Advances.fill(-1);
}

int TFontObj::measure(unsigned char c) const {
    QFontMetrics fm(Q);
    int w = fm.horizontalAdvance(QChar(static_cast<char16_t>(c)));
    Advances[c] = w;
    return w;
}

int TFontObj::TextWidth(std::string_view text) const {
    int w = 0;
    for (char c : text) w += CharWidth(static_cast<unsigned char>(c));
    return w;
}

void TFontObj::ApplyDefaults(const TSectionList& list) {
    Font->ApplyDefaults(list, Link.URL.empty() ? list.FontColor : list.HotSpotColor);
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
    overhang = r ? r->Overhang : 0;
    return r ? r->Font.get() : nullptr;
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
