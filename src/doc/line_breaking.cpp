// Line breaking of a text section: measuring its characters in their font runs, placing
// floating pictures, and cutting the text into lines that fit beside them.
#include "doc/text_section.h"
#include "doc/form_control.h"
#include "doc/section_list.h"
#include <algorithm>

namespace doc {

// ---- Measuring ----

TFormControlObj* TSection::controlAt(int pos) const {
    // Placed in text order, one per placeholder: a binary search.
    auto it = std::lower_bound(FormControls.begin(), FormControls.end(), pos,
                               [](const TFormControlObj* f, int p) { return f->Pos < p; });
    return it != FormControls.end() && (*it)->Pos == pos ? *it : nullptr;
}

int TSection::charWidth(int index) const {
    const char c = Buff[static_cast<size_t>(index)];
    if (c == ImagePlaceholder) {
        TImageObj* img = Images.ImageAt(index);
        return img && !img->Floating() ? img->ImageWidth : 0;
    }
    if (c == ControlPlaceholder) {
        const TFormControlObj* f = controlAt(index);
        return f && !f->Hidden ? f->Width() : 0;
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
    if (IsPlaceholder(c)) return charWidth(i);
    const TFontObj* run = runs.at(i);
    return run->CharWidth(static_cast<unsigned char>(c)) - run->Overhang();
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
        if (IsPlaceholder(Buff[static_cast<size_t>(i)])) continue;
        const TFontObj* run = runs.at(i);
        line.TextHeight = std::max(line.TextHeight, run->LineHeight());
        line.Descent = std::max(line.Descent, run->Descent());
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
            if (TFormControlObj* f = controlAt(i); f && !f->Hidden) {
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

int TSection::sizeObjects(int available) {
    int widest = 0;
    for (const auto& img : Images) {
        int ri;
        TFontObj* run = Fonts.RunAt(img->Pos, ri);
        img->ComputeSize(*Document, available, run, run && !run->Link.URL.empty());
        widest = std::max(widest, LeftAtLayout + img->ImageWidth);
    }
    for (TFormControlObj* f : FormControls) widest = std::max(widest, LeftAtLayout + f->Width());
    return widest;
}

int TSection::breakCount(int start, int fit) const {
    const int n = static_cast<int>(Buff.size());
    auto at = [&](int i) { return Buff[static_cast<size_t>(i)]; };
    if (start + fit >= n) return n - start;
    int count = fit;
    if (at(start + fit - 1) == ' ') {
        // The blanks after the last word that fits stay on this line.
        while (start + count < n && at(start + count) == ' ') ++count;
        return count;
    }
    if (IsPlaceholder(at(start + fit))) return count;
    int p = start + fit - 1;
    while (p > start && at(p) != ' ' && !IsPlaceholder(at(p))) --p;
    if (p > start) return p - start + 1;
    // One word wider than the line overflows rather than being split.
    p = start + fit;
    while (p < n && at(p) != ' ' && !IsPlaceholder(at(p))) ++p;
    while (p < n && at(p) == ' ') ++p;
    return p - start;
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
    maxWidth = std::max(im.RightEdge - im.LeftEdge, sizeObjects(im.RightAt(y) - im.LeftAt(y)));

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
        const int count = breakCount(start, std::max(1, CountThatFits(start, std::max(0, width))));
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

} // namespace doc
