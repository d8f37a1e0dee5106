#include "doc/block_sections.h"

#include "doc/fonts.h"
#include "doc/section_list.h"
#include "doc/sel_text.h"
#include "html/color_value.h"
#include "platform/canvas.h"
#include "platform/text.h"

#include <QPainter>
#include <algorithm>

namespace doc {

namespace {
// Spacing sections copy a line break when they lie inside the selection.
void copyBreak(const TSectionBase& s, SelTextCount& sink) {
    const TSectionList* d = s.Document;
    if (d && d->SelB < d->SelE && s.FirstPos > d->SelB && s.FirstPos < d->SelE) sink.PutLine("");
}

bool lightBackground(platform::TColor bg) {
    return platform::ColorToRGB(bg) == platform::clWhite;
}
} // namespace

void TParagraphSpace::ComputeFixedHeight() { Height = MulDiv(14, Document->FontSize, 12); }
void TParagraphSpace::CopySelection(SelTextCount& sink) { copyBreak(*this, sink); }

void THeadingSpace::ComputeFixedHeight() {
    static const int heights[] = {8, 16, 12, 10, 8, 6, 4};
    const int h = Level >= 1 && Level <= 6 ? heights[Level] : 8;
    Height = MulDiv(h, Document->FontSize, 12);
}
void THeadingSpace::CopySelection(SelTextCount& sink) { copyBreak(*this, sink); }

THorzLine::THorzLine(TSectionList* document, const html::TAttributeList& attributes) : TSectionBase(document) {
    for (const html::TAttribute& a : attributes) {
        switch (a.Sym) {
        case html::symSize:
            if (a.IntValue >= 1 && a.IntValue <= 20) Thickness = a.IntValue;
            break;
        case html::symWidth:
            if (a.IntValue > 0) {
                if (a.StrValue.find('%') != std::string::npos) {
                    if (a.IntValue <= 100) {
                        Width = a.IntValue;
                        IsPercent = true;
                    }
                } else {
                    Width = a.IntValue;
                }
            }
            break;
        case html::symAlign: {
            const std::string v = platform::LowerCase(a.StrValue);
            if (v == "left") Alignment = THrAlign::Left;
            else if (v == "right") Alignment = THrAlign::Right;
            break;
        }
        case html::symNoshade: NoShade = true; break;
        case html::symColor: {
            std::string v = a.StrValue;
            platform::TColor c;
            if (html::ColorFromString(v, c)) {
                Color = c | platform::PaletteRelative;
                HasColor = true;
            }
            break;
        }
        default: break;
        }
    }
}

void THorzLine::ComputeFixedHeight() { Height = MulDiv(20, Document->FontSize, 12) - 2 + Thickness; }
void THorzLine::CopySelection(SelTextCount& sink) { copyBreak(*this, sink); }

int THorzLine::Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) {
    LeftAtLayout = im.LeftAt(y) - im.LeftEdge;
    RightAtLayout = im.RightAt(y) - im.LeftEdge;
    return TSectionBase::Layout(y, im, maxWidth, curs);
}

int THorzLine::Paint(platform::TCanvas& canvas, const QRect& clip, IndentManagerBasic&, int x, int y) {
    Top = y;
    const int screenTop = y - Document->YOff;
    if (screenTop + Height < clip.top() || screenTop > clip.bottom()) return y + Height;
    const int top = screenTop + (Height - Thickness) / 2;
    const int left = x + LeftAtLayout, right = x + RightAtLayout;
    int x1, x2;
    if (Width > 0) {
        const int w = IsPercent ? MulDiv(right - left, Width, 100) : Width;
        x1 = Alignment == THrAlign::Left ? left : Alignment == THrAlign::Right ? right - w : left + (right - left - w) / 2;
        x2 = x1 + w;
    } else {
        x1 = left + 10;
        x2 = right - 10;
    }
    if (HasColor) {
        canvas.FillRect(QRect(x1, top, x2 - x1, Thickness), Color);
    } else {
        const platform::TColor dark = NoShade ? platform::clBlack : platform::clBtnShadow;
        const platform::TColor light = NoShade ? platform::clBlack
                                       : lightBackground(Document->Background) ? platform::clSilver
                                                                               : platform::clBtnHighlight;
        const int bottom = top + Thickness - 1;
        canvas.Line(x1, top, x2, top, dark);
        canvas.Line(x1, top, x1, bottom, dark);
        canvas.Line(x1, bottom, x2, bottom, light);
        canvas.Line(x2, top, x2, bottom + 1, light);
    }
    return y + Height;
}

} // namespace doc
