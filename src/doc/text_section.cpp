#include "doc/text_section.h"

#include "doc/form_control.h"
#include "doc/section_list.h"
#include "doc/sel_text.h"
#include "platform/text.h"
#include "platform/canvas.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace doc {

TSection::TSection(TSectionList* document, int level, int justify, const TUrlTarget& link, const TMyFont& font)
    : TSectionBase(document), SectionFont(font), Level(level), Indent(35 * level), Justify(justify) {
    TMyFont f = font;
    f.Style |= document->CurrentStyle;
    document->CurrentSScript = TScriptPos::Normal;
    auto run = std::make_unique<TFontObj>(f, 0, document->Host().Measurer());
    run->Link = link;
    Fonts.Add(std::move(run));
}

// ---- Building ----

void TSection::AppendText(const std::string& text) {
    if (text.empty() || static_cast<int>(Buff.size()) >= MaxChars) return;
    size_t from = 0;
    if (text[0] == ' ' && (Buff.empty() || Buff.back() == ' ' || onlyFloatsSoFar())) from = 1;
    const size_t room = static_cast<size_t>(MaxChars) - Buff.size();
    Buff.append(text, from, std::min(room, text.size() - from));
}

bool TSection::onlyFloatsSoFar() {
    // The buffer only grows while building, so each character is looked at once; a buffer
    // that was replaced is looked at again from the start.
    if (FloatsChecked > Buff.size()) {
        FloatsChecked = 0;
        OnlyFloats = true;
    }
    for (; FloatsChecked < Buff.size() && OnlyFloats; ++FloatsChecked) {
        const size_t i = FloatsChecked;
        TImageObj* img = Buff[i] == ImagePlaceholder ? Images.ImageAt(static_cast<int>(i)) : nullptr;
        OnlyFloats = img && img->Floating();
    }
    return !Buff.empty() && OnlyFloats;
}

void TSection::StartFontRun(const TMyFont& font) {
    TMyFont f = font;
    f.Style |= Document->CurrentStyle;
    const TScriptPos ss = Document->CurrentSScript;
    if (ss != TScriptPos::Normal) f.SetUnscaledSize(*Document, MulDiv(f.UnscaledSize, 3, 4));
    TFontObj* last = Fonts.Last();
    if (last->StartPos == static_cast<int>(Buff.size())) {
        last->Font = std::move(f);
        last->ScriptPos = ss;
        last->FontChanged();
        return;
    }
    auto run = std::make_unique<TFontObj>(f, static_cast<int>(Buff.size()), Document->Host().Measurer());
    run->Link = last->Link;
    run->ScriptPos = ss;
    Fonts.Add(std::move(run));
}

void TSection::MarkLink(bool isStart, const TUrlTarget& target, const TMyFont& font) {
    StartFontRun(font);
    TFontObj* run = Fonts.Last();
    run->Link.Clear();
    if (isStart) run->Link = target;
}

TImageObj* TSection::PlaceImage(const html::TAttributeList& attributes) {
    if (static_cast<int>(Buff.size()) >= MaxChars) return nullptr;
    Images.push_back(std::make_unique<TImageObj>(static_cast<int>(Buff.size()), attributes));
    Buff += ImagePlaceholder;
    return Images.back().get();
}

void TSection::PlaceControl(TFormControlObj* control) {
    if (static_cast<int>(Buff.size()) >= MaxChars) return;
    control->Pos = static_cast<int>(Buff.size());
    FormControls.push_back(control);
    Buff += ControlPlaceholder;
}

int TSection::EnsureNotEmpty() {
    if (Buff.empty()) Buff = " ";
    return Justify;
}

void TSection::SetClear(const html::TAttributeList& attributes) {
    const html::TAttribute* a = attributes.FindAttribute(html::symClear);
    if (!a) return;
    const std::string v = platform::LowerCase(a->StrValue);
    ClearMode = v == "left" ? TClearMode::Left : v == "right" ? TClearMode::Right : TClearMode::Both;
}

// ---- Painting ----

void TSection::DrawMarker(platform::TCanvas&, int, int, const LineRec&) {}

int TSection::Paint(platform::TCanvas& canvas, const QRect& clip, IndentManagerBasic&, int x, int y) {
    Top = y;
    const int yOff = Document->YOff;
    const int screenTop = y - yOff;
    if (screenTop > clip.bottom() || screenTop + std::max(Height, PaintedHeight) < clip.top()) return y + Height;
    int ly = screenTop;
    bool markerDone = false;
    for (const LineRec& line : Lines) {
        const int h = line.Height();
        if (line.Count == 0) {
            ly += h;
            continue;
        }
        const int baseline = ly + line.SpaceBefore + line.TextHeight - line.Descent;
        if (!markerDone) {
            markerDone = true;
            DrawMarker(canvas, x + line.LineIndent, baseline, line);
        }
        // A line with a float is drawn even out of the clip: the float may reach into it.
        bool hasFloat = false;
        for (int i = line.Start; i < line.Start + line.Count && !hasFloat; ++i)
            hasFloat = Buff[static_cast<size_t>(i)] == ImagePlaceholder && Images.ImageAt(i) &&
                       Images.ImageAt(i)->Floating();
        if (hasFloat || (ly <= clip.bottom() && ly + h >= clip.top())) paintLine(canvas, line, x, ly, baseline);
        ly += h;
    }
    return y + Height;
}

void TSection::paintLine(platform::TCanvas& canvas, const LineRec& line, int x, int ly, int baseline) {
    const int yOff = Document->YOff;
    int cx = x + line.LineIndent;
    const int end = line.Start + line.Count;
    int pos = line.Start;
    while (pos < end) {
        const char c = Buff[static_cast<size_t>(pos)];
        if (c == ImagePlaceholder) {
            if (TImageObj* img = Images.ImageAt(pos)) {
                if (img->Floating()) {
                    img->PaintImage(canvas, *Document, x + img->DrawX, img->DrawY - yOff);
                } else {
                    int top;
                    if (img->Placement == TImageObj::ATop)
                        top = ly;
                    else if (img->Placement == TImageObj::AMiddle)
                        top = baseline - line.TextHeight / 2 - img->ImageHeight / 2;
                    else
                        top = baseline - img->ImageHeight;
                    img->DrawX = cx - x;
                    img->DrawY = top + yOff;
                    cx = img->PaintImage(canvas, *Document, cx, top);
                }
            }
            ++pos;
        } else if (c == ControlPlaceholder) {
            if (TFormControlObj* f = controlAt(pos); f && !f->Hidden) {
                const int top =
                    f->BaseLine() ? baseline - f->Height() : ly + line.SpaceBefore + line.TextHeight - f->Height();
                f->ShowAt(cx, top);
                cx += f->Width();
            }
            ++pos;
        } else {
            pos = paintText(canvas, line, pos, end, cx, ly, baseline);
        }
    }
}

int TSection::paintText(platform::TCanvas& canvas, const LineRec& line, int pos, int end, int& cx, int ly,
                        int baseline) {
    const int selB = Document->SelB - FirstPos, selE = Document->SelE - FirstPos;
    // One piece: within one font run, up to the next picture or control, and all inside
    // or all outside the selection.
    int ri;
    TFontObj* run = Fonts.RunAt(pos, ri);
    int stop = end;
    if (ri + 1 < Fonts.Count()) stop = std::min(stop, Fonts[ri + 1]->StartPos);
    for (int i = pos + 1; i < stop; ++i)
        if (IsPlaceholder(Buff[static_cast<size_t>(i)])) {
            stop = i;
            break;
        }
    const bool selected = pos >= selB && pos < selE;
    if (selected && selE < stop) stop = selE;
    if (!selected && selB > pos && selB < stop) stop = selB;
    const std::string_view piece(Buff.data() + pos, static_cast<size_t>(stop - pos));
    const int w = run->TextWidth(piece) - run->Overhang() * static_cast<int>(piece.size());
    int shift = 0;
    if (run->ScriptPos == TScriptPos::Superscript) shift = -run->TextHeight() / 3;
    if (run->ScriptPos == TScriptPos::Subscript) shift = run->Descent() / 2 + 1;
    if (selected) {
        canvas.FillRect(QRect(cx, ly + line.SpaceBefore, w, line.TextHeight), platform::clHighlight);
        canvas.TextOut(cx - run->Overhang() / 2, baseline + shift, piece, run->QtFont(), platform::clHighlightText);
    } else {
        canvas.TextOut(cx - run->Overhang() / 2, baseline + shift, piece, run->QtFont(), run->Font.Color);
    }
    cx += w;
    return stop;
}

// ---- Hit tests ----

namespace {
// The line under document Y, with its top; -1 when Y is not on a line.
int lineAt(const std::vector<LineRec>& lines, int top, int y, int& lineTop) {
    int ly = top;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int h = lines[i].Height();
        if (y >= ly && y < ly + h) {
            lineTop = ly;
            return static_cast<int>(i);
        }
        ly += h;
    }
    return -1;
}
} // namespace

bool TSection::ObjectAt(int x, int y, TImageObj*& obj, int& ix, int& iy) {
    for (const auto& img : Images) {
        if (x >= img->DrawX && x < img->DrawX + img->ImageWidth && y >= img->DrawY &&
            y < img->DrawY + img->ImageHeight) {
            obj = img.get();
            ix = x - img->DrawX;
            iy = y - img->DrawY;
            return true;
        }
    }
    return false;
}

bool TSection::LinkAt(int x, int y, TUrlTarget& link, TFormControlObj*& control) {
    TImageObj* img;
    int ix, iy;
    if (ObjectAt(x, y, img, ix, iy)) {
        if (img->MyFormControl) {
            // An image button keeps where it was hit; a click submits that position.
            control = img->MyFormControl;
            control->ImageHit(ix, iy);
            return true;
        }
        if (img->UseMap) {
            for (const auto& map : Document->MapList)
                if (platform::EqualNoCase(map->MapID, img->MapName)) {
                    if (auto t = map->LinkAt(ix, iy)) {
                        link = *t;
                        return true;
                    }
                    return false;
                }
            return false;
        }
        TFontObj* run = Fonts.RunAt(img->Pos);
        if (run && !run->Link.URL.empty()) {
            link = run->Link;
            if (img->IsMap) link.URL += "?" + std::to_string(ix) + "," + std::to_string(iy);
            return true;
        }
        return false;
    }
    int lineTop;
    const int li = lineAt(Lines, Top, y, lineTop);
    if (li < 0) return false;
    const LineRec& line = Lines[static_cast<size_t>(li)];
    if (x < line.LineIndent || line.Count == 0) return false;
    const int n = CountThatFits(line.Start, x - line.LineIndent);
    if (n >= line.Count) return false;
    const int i = line.Start + n;
    if (IsPlaceholder(Buff[static_cast<size_t>(i)])) return false;
    TFontObj* run = Fonts.RunAt(i);
    if (!run || run->Link.URL.empty()) return false;
    link = run->Link;
    return true;
}

int TSection::PositionAt(int x, int y, int& px, int& py, int& caretHeight, TCell*&, bool& inText) {
    int lineTop;
    const int li = lineAt(Lines, Top, y, lineTop);
    if (li < 0) return -1;
    const LineRec& line = Lines[static_cast<size_t>(li)];
    int n = x < line.LineIndent ? 0 : CountThatFits(line.Start, x - line.LineIndent);
    inText = x >= line.LineIndent && n < line.Count;
    n = std::min(n, line.Count);
    if (n < line.Count) {
        const int before = TextWidth(line.Start, n);
        if (x - line.LineIndent > before + charWidth(line.Start + n) / 2) ++n;
    }
    px = line.LineIndent + TextWidth(line.Start, n);
    py = lineTop;
    caretHeight = line.Height();
    return FirstPos + line.Start + n;
}

bool TSection::PositionToPoint(int pos, int& x, int& y) {
    int rel = pos - FirstPos;
    if (rel < 0 || rel > PosCount) return false;
    int ly = Top;
    for (const LineRec& line : Lines) {
        if (rel < line.Start + line.Count || &line == &Lines.back()) {
            x = line.LineIndent + TextWidth(line.Start, std::max(0, std::min(rel - line.Start, line.Count)));
            y = ly;
            return true;
        }
        ly += line.Height();
    }
    return false;
}

bool TSection::CharAt(int pos, char& ch, TSectionBase*& obj) {
    const int rel = pos - FirstPos;
    if (rel < 0 || rel >= static_cast<int>(Buff.size())) return false;
    ch = Buff[static_cast<size_t>(rel)];
    obj = this;
    return true;
}

int TSection::SearchText(int start, const std::string& text, bool matchCase) {
    const int n = static_cast<int>(Buff.size());
    if (text.empty() || start >= FirstPos + n) return -1;
    const int from = std::max(0, start - FirstPos);
    size_t p;
    if (matchCase) {
        p = Buff.find(text, static_cast<size_t>(from));
    } else {
        p = platform::FindNoCase(Buff, std::string_view(text).substr(0, 255), static_cast<size_t>(from));
    }
    return p == std::string::npos ? -1 : FirstPos + static_cast<int>(p);
}

void TSection::CopySelection(SelTextCount& sink) {
    const int selB = Document->SelB - FirstPos, selE = Document->SelE - FirstPos;
    for (const LineRec& line : Lines) {
        const int ls = line.Start, le = line.Start + line.Count;
        if (line.Count == 0 || le <= selB || ls >= selE) continue;
        const int a = std::max(ls, selB), b = std::min(le, selE);
        std::string piece;
        // A line pushed left of its section's own margin (beside a float that ended, or a
        // right-aligned line wider than the window) has no indent to copy, not a negative one.
        if (ls >= selB) {
            const int steps = std::max(0, (line.LineIndent - LeftAtLayout + Indent) / 35);
            piece.assign(static_cast<size_t>(3 * steps), ' ');
        }
        piece.append(Buff, static_cast<size_t>(a), static_cast<size_t>(b - a));
        if (b == le)
            sink.PutLine(piece);
        else
            sink.PutText(piece);
    }
}

void TSection::ApplyDefaults() {
    Fonts.ApplyDefaultsToAll(*Document);
    SectionFont.ApplyDefaults(*Document, Document->FontColor);
}

void TSection::WidthRange(int& minWidth, int& maxWidth) {
    int floats = 0, widest = 0;
    for (const auto& img : Images) {
        img->ComputeSize(*Document, 0, Fonts.RunAt(img->Pos), !Fonts.RunAt(img->Pos)->Link.URL.empty());
        if (img->PercentWidth) continue;
        if (img->Floating())
            floats += img->ImageWidth + img->HSpace;
        else
            widest = std::max(widest, img->ImageWidth);
    }
    const int n = static_cast<int>(Buff.size());
    maxWidth = TextWidth(0, n) + Indent + floats;
    int i = 0;
    while (i < n) {
        while (i < n && (Buff[static_cast<size_t>(i)] == ' ' || IsPlaceholder(Buff[static_cast<size_t>(i)]))) ++i;
        int j = i;
        while (j < n && Buff[static_cast<size_t>(j)] != ' ' && !IsPlaceholder(Buff[static_cast<size_t>(j)])) ++j;
        if (j > i) widest = std::max(widest, TextWidth(i, j - i));
        i = j;
    }
    minWidth = widest + floats + Indent;
}

void TSection::DumpLines(std::string& out) const {
    char buf[200];
    for (const LineRec& l : Lines) {
        std::snprintf(buf, sizeof buf, "  line start=%d count=%d text=%d before=%d after=%d descent=%d indent=%d width=%d \"",
                      l.Start, l.Count, l.TextHeight, l.SpaceBefore, l.SpaceAfter, l.Descent, l.LineIndent,
                      l.DrawWidth);
        out += buf;
        for (int i = l.Start; i < l.Start + l.Count; ++i) {
            const char c = Buff[static_cast<size_t>(i)];
            out += c == ImagePlaceholder ? std::string("[img]") : c == ControlPlaceholder ? std::string("[ctl]") : std::string(1, c);
        }
        out += "\"\n";
    }
}

// ---- Preformatted lines ----

void TPreFormated::AppendText(const std::string& text) {
    const size_t room = static_cast<size_t>(MaxChars) - std::min(Buff.size(), static_cast<size_t>(MaxChars));
    Buff.append(text, 0, std::min(room, text.size()));
}

int TPreFormated::LineWidthAt(const IndentManagerBasic&, int) const { return 32000; }

int TPreFormated::Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) {
    int h = TSection::Layout(y, im, maxWidth, curs);
    int mn, mx;
    WidthRange(mn, mx);
    maxWidth = std::max(mx, LeftAtLayout + (Lines.empty() ? 0 : Lines.back().DrawWidth - Lines.back().LineIndent));
    return h;
}

void TPreFormated::WidthRange(int& minWidth, int& maxWidth) {
    maxWidth = TextWidth(0, static_cast<int>(Buff.size())) + Indent;
    minWidth = std::min(500, maxWidth);
}

// ---- List items ----

void TUListItem::DrawMarker(platform::TCanvas& canvas, int x, int baseline, const LineRec& line) {
    if (Plain) return;
    const int cx = x - 8, cy = baseline - line.TextHeight / 2;
    const QRect r(cx - 2, cy - 2, 5, 5);
    const platform::TColor bg = platform::ColorToRGB(Document->Background);
    const bool light = Document->Background == platform::clBtnFace || bg == platform::clWhite ||
                       bg == platform::clSilver;
    if (light) {
        static const platform::TColor byLevel[] = {platform::clRed, platform::clNavy, platform::clMaroon};
        const platform::TColor c = Level <= 5 ? byLevel[Level % 3] : Document->FontColor;
        canvas.Ellipse(r, c, c);
    } else {
        canvas.Ellipse(r, Document->FontColor, platform::clNone);
    }
}

std::string TOListItem::MarkerText() const {
    static const char* const roman[] = {"i",   "ii",   "iii",   "iv",  "v",  "vi",  "vii",
                                        "viii", "ix",  "x",     "xi",  "xii", "xiii", "xiv",
                                        "xv",  "xvi",  "xvii",  "xviii", "xix", "xx"};
    const int n = ItemNumber;
    std::string s;
    if (NumberStyle == 'A' || NumberStyle == 'a') {
        const int k = std::clamp(n, 1, 26);
        s = std::string(1, static_cast<char>((NumberStyle == 'A' ? 'A' : 'a') + k - 1));
    } else if (NumberStyle == 'I' || NumberStyle == 'i') {
        s = roman[std::clamp(n, 1, 20) - 1];
        if (NumberStyle == 'I') s = platform::UpperCase(s);
    } else {
        s = std::to_string(n);
    }
    return s + ".";
}

void TOListItem::DrawMarker(platform::TCanvas& canvas, int x, int baseline, const LineRec&) {
    const std::string text = MarkerText();
    const QFont f = SectionFont.ToQFont();
    canvas.TextOut(x - 5 - Document->Host().Measurer().TextWidth(f, text), baseline, text, f, SectionFont.Color);
}

} // namespace doc
