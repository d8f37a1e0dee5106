#include "doc/section_base.h"

#include "doc/section_list.h"
#include "doc/sel_text.h"

#include <algorithm>
#include <cstdio>

namespace doc {

void TSectionBase::CopySelection(SelTextCount&) {}

int TSectionBase::Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) {
    Top = y;
    FirstPos = curs;
    PaintedHeight = Height;
    maxWidth = im.RightEdge - im.LeftEdge;
    return Height;
}

int TSectionBase::Paint(platform::TCanvas&, const QRect&, IndentManagerBasic&, int, int y) {
    Top = y;
    return y + Height;
}

bool TSectionBase::LinkAt(int, int, TUrlTarget&, TFormControlObj*&) { return false; }
bool TSectionBase::ObjectAt(int, int, TImageObj*&, int&, int&) { return false; }
int TSectionBase::PositionAt(int, int, int&, int&, int&, TCell*&, bool&) { return -1; }
int TSectionBase::SearchText(int, const std::string&, bool) { return -1; }
bool TSectionBase::PositionToPoint(int, int&, int&) { return false; }
bool TSectionBase::CharAt(int, char&, TSectionBase*&) { return false; }
void TSectionBase::WidthRange(int& minWidth, int& maxWidth) {
    minWidth = 0;
    maxWidth = 0;
}

// ---- TCell ----

TSectionBase* TCell::Add(std::unique_ptr<TSectionBase> section) {
    section->ParentList = this;
    if (section->Document == nullptr) section->Document = Document;
    TSectionBase* s = TFreeList<TSectionBase>::Add(std::move(section));
    s->ComputeFixedHeight();
    return s;
}

int TCell::LayoutAll(int y, int width, int& scrollWidth, int& curs) {
    IM.Clear();
    IM.Reset(0, width);
    FirstPos = curs;
    scrollWidth = 0;
    int h = 0;
    for (const auto& s : *this) {
        int mw = 0;
        h += s->Layout(y + h, IM, mw, curs);
        scrollWidth = std::max(scrollWidth, mw);
    }
    PosCount = curs - FirstPos;
    // Floating images below the last text extend the cell.
    return std::max(h, IM.FloatsBottom() - y);
}

void TCell::WidthRange(int& minWidth, int& maxWidth) {
    minWidth = maxWidth = 0;
    for (const auto& s : *this) {
        int mn, mx;
        s->WidthRange(mn, mx);
        minWidth = std::max(minWidth, mn);
        maxWidth = std::max(maxWidth, mx);
    }
}

int TCell::PaintAll(platform::TCanvas& canvas, const QRect& clip, int clipWidth, int x, int y) {
    const int width = IM.RightEdge - IM.LeftEdge;
    IM.LeftEdge = x;
    IM.RightEdge = x + (width > 0 ? width : clipWidth);
    int yy = y;
    for (const auto& s : *this) yy = s->Paint(canvas, clip, IM, x, yy);
    IM.LeftEdge = 0;
    IM.RightEdge = width;
    return yy;
}

namespace {
// The section whose vertical extent holds Y, or nullptr.
template <class List> TSectionBase* sectionAtY(const List& list, int y) {
    for (const auto& s : list)
        if (y >= s->Top && y < s->Top + std::max(s->Height, s->PaintedHeight)) return s.get();
    return nullptr;
}
} // namespace

bool TCell::LinkAt(int x, int y, TUrlTarget& link, TFormControlObj*& control) {
    for (const auto& s : *this)
        if (y >= s->Top && y < s->Top + std::max(s->Height, s->PaintedHeight) && s->LinkAt(x, y, link, control))
            return true;
    return false;
}

bool TCell::ObjectAt(int x, int y, TImageObj*& obj, int& ix, int& iy) {
    for (const auto& s : *this)
        if (y >= s->Top && y < s->Top + std::max(s->Height, s->PaintedHeight) && s->ObjectAt(x, y, obj, ix, iy))
            return true;
    return false;
}

int TCell::PositionAt(int x, int y, int& px, int& py, int& caretHeight, TCell*& cell, bool& inText) {
    TSectionBase* s = sectionAtY(*this, y);
    if (!s) return -1;
    int r = s->PositionAt(x, y, px, py, caretHeight, cell, inText);
    if (r >= 0 && !cell) cell = this;
    return r;
}

int TCell::SearchText(int start, const std::string& text, bool matchCase) {
    for (const auto& s : *this) {
        int r = s->SearchText(start, text, matchCase);
        if (r >= 0) return r;
    }
    return -1;
}

bool TCell::PositionToPoint(int pos, int& x, int& y) {
    for (const auto& s : *this)
        if (s->PositionToPoint(pos, x, y)) return true;
    return false;
}

bool TCell::CharAt(int pos, char& ch, TSectionBase*& obj) {
    if (pos < FirstPos || pos >= FirstPos + PosCount) return false;
    for (const auto& s : *this)
        if (s->CharAt(pos, ch, obj)) return true;
    return false;
}

void TCell::CopySelection(SelTextCount& sink) {
    if (!Document || Document->SelB >= Document->SelE) return;
    for (const auto& s : *this) {
        if (s->FirstPos >= Document->SelE && s->PosCount > 0) break;
        if (s->PosCount == 0 || s->FirstPos + s->PosCount > Document->SelB) s->CopySelection(sink);
    }
}

void TCell::ApplyDefaults() {
    for (const auto& s : *this) s->ApplyDefaults();
}

void TCell::DumpSections(std::string& out, int indent) const {
    const std::string pad(static_cast<size_t>(indent), ' ');
    char buf[200];
    for (const auto& s : *this) {
        std::snprintf(buf, sizeof buf, "%s top=%d height=%d first=%d count=%d\n", s->KindName(), s->Top, s->Height,
                      s->FirstPos, s->PosCount);
        out += pad + buf;
        std::string lines;
        s->DumpLines(lines);
        for (size_t from = 0; from < lines.size();) {
            const size_t end = lines.find('\n', from);
            const size_t stop = end == std::string::npos ? lines.size() : end + 1;
            out += pad;
            out.append(lines, from, stop - from);
            from = stop;
        }
    }
}

} // namespace doc
