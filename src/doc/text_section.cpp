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

namespace {
bool isPlaceholder(char c) { return c == ImagePlaceholder || c == ControlPlaceholder; }
} // namespace

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

// ---- Measuring ----

int TSection::charWidth(int index) const {
    const char c = Buff[static_cast<size_t>(index)];
    if (c == ImagePlaceholder) {
        TImageObj* img = Images.ImageAt(index);
        return img && !img->Floating() ? img->ImageWidth : 0;
    }
    if (c == ControlPlaceholder) {
        for (TFormControlObj* f : FormControls)
            if (f->Pos == index) return f->Hidden ? 0 : f->Width();
        return 0;
    }
    return Fonts.RunAt(index)->CharWidth(static_cast<unsigned char>(c));
}

int TSection::TextWidth(int index, int count, bool noTrailingSpaces) const {
    if (noTrailingSpaces)
        while (count > 1 && Buff[static_cast<size_t>(index + count - 1)] == ' ') --count;
    int w = 0;
    RunCursor runs(Fonts, index);
    for (int i = index; i < index + count; ++i) w += advance(runs, i);
    return w;
}

int TSection::CountThatFits(int index, int width) const {
    const int n = static_cast<int>(Buff.size());
    int w = 0, i = index;
    RunCursor runs(Fonts, index);
    for (; i < n; ++i) {
        w += advance(runs, i);
        if (w > width) break;
    }
    return i - index;
}

int TSection::advance(RunCursor& runs, int i) const {
    const char c = Buff[static_cast<size_t>(i)];
    if (isPlaceholder(c)) return charWidth(i);
    const TFontObj* run = runs.at(i);
    return run->CharWidth(static_cast<unsigned char>(c)) - run->Overhang;
}

// ---- Layout ----

int TSection::LineWidthAt(const IndentManagerBasic& im, int y) const { return im.RightAt(y) - im.LeftAt(y); }

int TSection::clearingSpace(int y, const IndentManagerBasic& im) const {
    if (ClearMode == TClearMode::None) return 0;
    int cl, cr;
    im.ClearPositions(cl, cr);
    int space = 0;
    if (ClearMode == TClearMode::Left || ClearMode == TClearMode::Both) space = std::max(space, cl - y - 1);
    if (ClearMode == TClearMode::Right || ClearMode == TClearMode::Both) space = std::max(space, cr - y - 1);
    return std::max(space, 0);
}

void TSection::registerFloats(const LineRec& line, int y, IndentManagerBasic& im) {
    for (int i = line.Start; i < line.Start + line.Count; ++i) {
        if (Buff[static_cast<size_t>(i)] != ImagePlaceholder) continue;
        TImageObj* img = Images.ImageAt(i);
        if (!img || !img->Floating()) continue;
        const int w = img->ImageWidth + img->HSpace;
        if (img->Placement == TImageObj::ALeft) {
            img->DrawX = im.LeftAt(y) - im.LeftEdge;
            im.AddFloat(y, w, 1, img->ImageHeight);
        } else {
            img->DrawX = im.RightAt(y) - im.LeftEdge - img->ImageWidth;
            im.AddFloat(y, w, 3, img->ImageHeight);
        }
        img->DrawY = y;
    }
}

void TSection::finishLine(LineRec& line, int& y, IndentManagerBasic& im, int right, int floatsEnd) {
    const int left = im.LeftAt(y) - im.LeftEdge;
    RunCursor runs(Fonts, line.Start);
    for (int i = line.Start; i < line.Start + line.Count; ++i) {
        if (isPlaceholder(Buff[static_cast<size_t>(i)])) continue;
        const TFontObj* run = runs.at(i);
        line.TextHeight = std::max(line.TextHeight, run->LineHeight);
        line.Descent = std::max(line.Descent, run->Descent);
    }
    const int t = line.TextHeight, d = line.Descent;
    for (int i = line.Start; i < line.Start + line.Count; ++i) {
        const char c = Buff[static_cast<size_t>(i)];
        if (c == ImagePlaceholder) {
            TImageObj* img = Images.ImageAt(i);
            if (!img || img->Floating()) continue;
            const int h = img->ImageHeight;
            if (img->Placement == TImageObj::ATop) {
                line.SpaceAfter = std::max(line.SpaceAfter, h - t);
            } else if (img->Placement == TImageObj::AMiddle) {
                const int half = (h - t) / 2;
                line.SpaceAfter = std::max(line.SpaceAfter, half);
                line.SpaceBefore = std::max(line.SpaceBefore, h - t - half);
            } else {
                line.SpaceBefore = std::max(line.SpaceBefore, h - (t - d));
            }
        } else if (c == ControlPlaceholder) {
            for (TFormControlObj* f : FormControls) {
                if (f->Pos != i || f->Hidden) continue;
                const int h = f->Height();
                line.SpaceBefore = std::max(line.SpaceBefore, f->BaseLine() ? h - (t - d) : h - t);
                f->YValue = y;
            }
        }
    }
    const int textWidth = TextWidth(line.Start, line.Count, true);
    if (Justify == Centered)
        line.LineIndent = std::max(left, left + (right - left - textWidth) / 2);
    else if (Justify == Right)
        line.LineIndent = right - textWidth - 1;
    else
        line.LineIndent = left;
    line.DrawWidth = line.LineIndent + textWidth;
    // Only the floats that begin the line are placed beside it; later ones go below it.
    for (int i = line.Start; i < floatsEnd; ++i)
        if (Buff[static_cast<size_t>(i)] == ImagePlaceholder)
            if (TImageObj* img = Images.ImageAt(i); img && img->Floating())
                line.DrawWidth = std::max(line.DrawWidth, img->DrawX + img->ImageWidth);
}

int TSection::Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) {
    Top = y;
    FirstPos = curs;
    Lines.clear();
    Height = 0;
    im.SetListLevel(y, Level);
    const int n = static_cast<int>(Buff.size());
    if (n == 0) {
        Height = clearingSpace(y, im);
        PaintedHeight = Height;
        PosCount = 0;
        maxWidth = 0;
        return Height;
    }
    LeftAtLayout = im.LeftAt(y) - im.LeftEdge;
    maxWidth = im.RightEdge - im.LeftEdge;
    const int available = im.RightAt(y) - im.LeftAt(y);
    for (const auto& img : Images) {
        int ri;
        TFontObj* run = Fonts.RunAt(img->Pos, ri);
        img->ComputeSize(*Document, available, run, run && !run->Link.URL.empty());
        maxWidth = std::max(maxWidth, LeftAtLayout + img->ImageWidth);
    }
    for (TFormControlObj* f : FormControls) maxWidth = std::max(maxWidth, LeftAtLayout + f->Width());

    const int cs = clearingSpace(y, im);
    if (cs > 0) {
        LineRec gap;
        gap.TextHeight = cs;
        Lines.push_back(gap);
        y += cs;
        Height += cs;
    }
    int start = 0;
    while (start < n) {
        // Floating images that begin a line take their place before the line's text is
        // measured, so that the text beside them flows around them.
        int lead = start;
        while (lead < n && Buff[static_cast<size_t>(lead)] == ImagePlaceholder) {
            TImageObj* img = Images.ImageAt(lead);
            if (!img || !img->Floating()) break;
            LineRec one;
            one.Start = lead;
            one.Count = 1;
            registerFloats(one, y, im);
            ++lead;
        }
        const int right = im.RightAt(y) - im.LeftEdge;
        const int width = LineWidthAt(im, y);
        const int fit = std::max(1, CountThatFits(start, std::max(0, width)));
        int count;
        auto at = [&](int i) { return Buff[static_cast<size_t>(i)]; };
        if (start + fit >= n) {
            count = n - start;
        } else if (at(start + fit - 1) == ' ') {
            count = fit;
            while (start + count < n && at(start + count) == ' ') ++count;
        } else if (isPlaceholder(at(start + fit))) {
            count = fit;
        } else {
            int p = start + fit - 1;
            while (p > start && at(p) != ' ' && !isPlaceholder(at(p))) --p;
            if (p > start) {
                count = p - start + 1;
            } else {
                // One word wider than the line overflows rather than being split.
                p = start + fit;
                while (p < n && at(p) != ' ' && !isPlaceholder(at(p))) ++p;
                while (p < n && at(p) == ' ') ++p;
                count = p - start;
            }
        }
        LineRec line;
        line.Start = start;
        line.Count = count;
        finishLine(line, y, im, right, std::min(lead, start + count));
        Lines.push_back(line);
        y += line.Height();
        Height += line.Height();
        maxWidth = std::max(maxWidth, line.DrawWidth);
        // A float met after text was measured at the full width of its line: it starts
        // below that line, or it would cover the text beside it.
        LineRec rest = line;
        rest.Start = std::max(line.Start, lead);
        rest.Count = line.Start + line.Count - rest.Start;
        if (rest.Count > 0) {
            registerFloats(rest, y, im);
            for (int i = rest.Start; i < rest.Start + rest.Count; ++i)
                if (TImageObj* img = Buff[static_cast<size_t>(i)] == ImagePlaceholder ? Images.ImageAt(i) : nullptr;
                    img && img->Floating())
                    maxWidth = std::max(maxWidth, img->DrawX + img->ImageWidth);
        }
        start += count;
    }
    curs += n;
    PosCount = n;
    PaintedHeight = std::max(Height, im.FloatsBottom() - Top);
    return Height;
}

// ---- Painting ----

void TSection::DrawMarker(platform::TCanvas&, int, int, const LineRec&) {}

int TSection::Paint(platform::TCanvas& canvas, const QRect& clip, IndentManagerBasic&, int x, int y) {
    Top = y;
    const int yOff = Document->YOff;
    const int screenTop = y - yOff;
    if (screenTop > clip.bottom() || screenTop + std::max(Height, PaintedHeight) < clip.top()) return y + Height;
    const int selB = Document->SelB - FirstPos, selE = Document->SelE - FirstPos;
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
        bool hasFloat = false;
        for (int i = line.Start; i < line.Start + line.Count && !hasFloat; ++i)
            hasFloat = Buff[static_cast<size_t>(i)] == ImagePlaceholder && Images.ImageAt(i) &&
                       Images.ImageAt(i)->Floating();
        if (!hasFloat && (ly > clip.bottom() || ly + h < clip.top())) {
            ly += h;
            continue;
        }
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
                continue;
            }
            if (c == ControlPlaceholder) {
                for (TFormControlObj* f : FormControls) {
                    if (f->Pos != pos || f->Hidden) continue;
                    const int top = f->BaseLine() ? baseline - f->Height()
                                                  : ly + line.SpaceBefore + line.TextHeight - f->Height();
                    f->ShowAt(cx, top);
                    cx += f->Width();
                }
                ++pos;
                continue;
            }
            int ri;
            TFontObj* run = Fonts.RunAt(pos, ri);
            int stop = end;
            if (ri + 1 < Fonts.Count()) stop = std::min(stop, Fonts[ri + 1]->StartPos);
            for (int i = pos + 1; i < stop; ++i)
                if (isPlaceholder(Buff[static_cast<size_t>(i)])) {
                    stop = i;
                    break;
                }
            const bool selected = pos >= selB && pos < selE;
            if (selected && selE < stop) stop = selE;
            if (!selected && selB > pos && selB < stop) stop = selB;
            const std::string_view piece(Buff.data() + pos, static_cast<size_t>(stop - pos));
            const int w = run->TextWidth(piece) - run->Overhang * static_cast<int>(piece.size());
            int shift = 0;
            if (run->ScriptPos == TScriptPos::Superscript) shift = -run->TextHeight / 3;
            if (run->ScriptPos == TScriptPos::Subscript) shift = run->Descent / 2 + 1;
            if (selected) {
                canvas.FillRect(QRect(cx, ly + line.SpaceBefore, w, line.TextHeight), platform::clHighlight);
                canvas.TextOut(cx - run->Overhang / 2, baseline + shift, piece, run->QtFont(), platform::clHighlightText);
            } else {
                canvas.TextOut(cx - run->Overhang / 2, baseline + shift, piece, run->QtFont(), run->Font.Color);
            }
            cx += w;
            pos = stop;
        }
        ly += h;
    }
    return y + Height;
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
    if (isPlaceholder(Buff[static_cast<size_t>(i)])) return false;
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
        while (i < n && (Buff[static_cast<size_t>(i)] == ' ' || isPlaceholder(Buff[static_cast<size_t>(i)]))) ++i;
        int j = i;
        while (j < n && Buff[static_cast<size_t>(j)] != ' ' && !isPlaceholder(Buff[static_cast<size_t>(j)])) ++j;
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
