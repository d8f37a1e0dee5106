// ThtmlTable: creation from the attributes, the slots of spans, and everything after
// layout: painting, hit tests, positions, search, copying and the layout dump. The
// widths and the layout itself are in html_table_layout.cpp.
#include "doc/html_table.h"

#include "doc/section_list.h"
#include "html/color_value.h"
#include "platform/canvas.h"
#include "platform/text.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace doc {

using namespace html;

namespace {

// WIDTH: pixels above 0, or a percentage 1..100 kept in per mille; anything else leaves
// the values as they were.
void readWidth(const TAttribute& a, int& width, bool& isPercent) {
    if (a.StrValue.find('%') != std::string::npos) {
        if (a.IntValue >= 1 && a.IntValue <= 100) {
            width = 10 * a.IntValue;
            isPercent = true;
        }
    } else if (a.IntValue > 0) {
        width = std::min(a.IntValue, TCellObj::MaxSize);
        isPercent = false;
    }
}

bool readColor(const TAttribute& a, platform::TColor& color) {
    std::string value = a.StrValue;
    platform::TColor c = 0;
    if (!ColorFromString(value, c)) return false;
    color = c | platform::PaletteRelative;
    return true;
}

// A frame one pixel wide just inside R: raised (light top and left) or sunken.
void bevel(platform::TCanvas& canvas, const QRect& r, bool raised, platform::TColor light) {
    const platform::TColor dark = platform::clBtnShadow;
    const platform::TColor topLeft = raised ? light : dark, bottomRight = raised ? dark : light;
    canvas.FillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    canvas.FillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    canvas.FillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    canvas.FillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

} // namespace

// ---- Creation ----

TCellObj::TCellObj(TSectionList* document, int vAlign, const TAttributeList& attributes)
    : VAlign(vAlign), Cell(document) {
    for (const TAttribute& a : attributes) {
        switch (a.Sym) {
        // A span wider than the widest table possible is a table with too many columns
        // already; the slots it would need are never made.
        case symColspan:
            if (a.IntValue > 1) ColSpan = std::min(a.IntValue, ThtmlTable::MaxCols + 1);
            break;
        case symRowspan:
            if (a.IntValue > 1) RowSpan = a.IntValue;
            break;
        case symWidth: readWidth(a, WantedWidth, IsPercent); break;
        case symHeight:
            if (a.IntValue > 0) WantedHeight = std::min(a.IntValue, MaxSize);
            break;
        case symBgcolor: Cell.BkGnd = readColor(a, Cell.BkColor) || Cell.BkGnd; break;
        default: break;
        }
    }
}

TCellList::TCellList(const TAttributeList& attributes) {
    if (const TAttribute* a = attributes.FindAttribute(symBgcolor)) BkGnd = readColor(*a, BkColor);
}

ThtmlTable::ThtmlTable(TSectionList* master, int level, TCell* enclosing, int justify,
                       const TAttributeList& attributes)
    : TSectionBase(master), Caption(std::make_unique<TCellObj>(master, 1, TAttributeList())), Justify(justify),
      Level(level), Enclosing(enclosing) {
    for (const TAttribute& a : attributes) {
        switch (a.Sym) {
        case symBorder: Border = a.IntValue > 0; break;
        case symCellpadding:
            if (a.IntValue >= 0) CellPadding = std::min(a.IntValue, 50);
            break;
        case symCellspacing:
            if (a.IntValue >= 0) CellSpacing = std::min(a.IntValue, 40);
            break;
        case symAlign: {
            const std::string v = platform::LowerCase(a.StrValue);
            if (v == "center") {
                Justify = 2;
            } else if (v == "left" || v == "right") {
                Justify = v == "left" ? 1 : 3;
                Floating = true;
            }
            break;
        }
        case symWidth: readWidth(a, Width, IsPercent); break;
        case symHspace: HSpace = std::min(std::abs(a.IntValue), 20); break;
        case symBgcolor: BkGnd = readColor(a, BkColor) || BkGnd; break;
        case symBordercolor: HasBorderColor = readColor(a, BorderColor) || HasBorderColor; break;
        default: break;
        }
    }
    if (Border) CellSpacing = std::max(1, CellSpacing + 2);
}

ThtmlTable::~ThtmlTable() = default;

// ---- Initialisation ----

void ThtmlTable::initialize() {
    Initialized = true;
    if (!BkGnd && Enclosing && Enclosing->BkGnd) {
        BkGnd = true;
        BkColor = Enclosing->BkColor;
    }
    bool tooMany = false;
    // Every cell is followed by an empty slot for each further column it spans, so that
    // its index is its column.
    for (const auto& row : Rows) {
        std::vector<std::unique_ptr<TCellObj>> cells;
        while (!row->Empty()) cells.push_back(row->Extract(row->Count() - 1));
        std::reverse(cells.begin(), cells.end());
        for (auto& cell : cells) {
            if (!cell) continue;
            if (!cell->Cell.BkGnd && row->BkGnd) {
                cell->Cell.BkGnd = true;
                cell->Cell.BkColor = row->BkColor;
            }
            if (!cell->Cell.BkGnd && BkGnd) {
                cell->Cell.BkGnd = true;
                cell->Cell.BkColor = BkColor;
            }
            if (cell->WantedWidth > 0 && !cell->IsPercent) PixelWidthCells = true;
            const int at = row->Count();
            if (at >= MaxCols || at + cell->ColSpan > MaxCols) tooMany = true;
            if (at >= MaxCols) continue;
            const int span = std::min(cell->ColSpan, MaxCols - at);
            cell->ColSpan = span;
            row->Add(std::move(cell));
            for (int k = 1; k < span; ++k) row->Add(nullptr);
        }
    }
    // A cell reaching into the rows below takes its columns there.
    const int rows = Rows.Count();
    for (int r = 0; r < rows; ++r) {
        TCellList& row = *Rows[r];
        for (int c = 0; c < row.Count(); ++c) {
            TCellObj* cell = row[c];
            if (!cell || cell->RowSpan <= 1) continue;
            cell->RowSpan = std::min(cell->RowSpan, rows - r);
            for (int k = 1; k < cell->RowSpan; ++k) {
                TCellList& below = *Rows[r + k];
                while (below.Count() < c) below.Add(nullptr);
                for (int s = 0; s < cell->ColSpan; ++s) below.Insert(c, nullptr);
                if (below.Count() > MaxCols) tooMany = true;
                while (below.Count() > MaxCols) below.Delete(below.Count() - 1);
            }
        }
    }
    NumCols = 0;
    MaxRowSpan = 1;
    Order.clear();
    Order.push_back({Caption.get(), -1, -1});
    for (int r = 0; r < rows; ++r) {
        TCellList& row = *Rows[r];
        NumCols = std::max(NumCols, row.Count());
        for (int c = 0; c < row.Count(); ++c)
            if (TCellObj* cell = row[c]) {
                cell->ColSpan = std::min(cell->ColSpan, MaxCols - c);
                MaxRowSpan = std::max(MaxRowSpan, cell->RowSpan);
                Order.push_back({cell, r, c});
            }
    }
    if (tooMany) throw EProcessError(TooManyColumnsMessage);
}

// ---- Painting ----

void ThtmlTable::paintCell(platform::TCanvas& canvas, const QRect& clip, int rowsLeft, int rowsTop, int row,
                           int col) {
    TCellObj* cell = (*Rows[row])[col];
    const int sp = CellSpacing;
    const int yOff = Document->YOff;
    const QRect box(rowsLeft + ColX[static_cast<size_t>(col)] + sp, rowsTop + Rows[row]->Y + sp - yOff,
                    cell->SpanWidth - sp, cell->SpanHeight - sp);
    if (box.top() > clip.bottom() || box.bottom() + 1 < clip.top()) return;
    if (cell->Cell.BkGnd && !box.isEmpty()) canvas.FillRect(box, cell->Cell.BkColor);
    const int added = 2 * CellPadding + sp;
    cell->Cell.PaintAll(canvas, clip, std::max(1, cell->SpanWidth - added), box.left() + CellPadding,
                        rowsTop + Rows[row]->Y + sp + CellPadding + cell->VOffset);
    if (Border) {
        const bool white = platform::ColorToRGB(Document->Background) == platform::clWhite;
        bevel(canvas, box.adjusted(-1, -1, 1, 1), false, white ? platform::clSilver : platform::clBtnHighlight);
    }
}

int ThtmlTable::Paint(platform::TCanvas& canvas, const QRect& clip, IndentManagerBasic&, int x, int y) {
    Top = y;
    const int yOff = Document->YOff;
    const int screenTop = y - yOff;
    if (!laidOut() || screenTop > clip.bottom() || screenTop + PaintedHeight < clip.top()) return y + Height;
    const int sp = CellSpacing;
    const int rowsHeight = Rows.Empty() ? 0 : Rows.Last()->Y + Rows.Last()->Height;
    if (CaptionOnTop && !Caption->Cell.Empty()) Caption->Cell.PaintAll(canvas, clip, TableWidth, x + FTableX, y);
    const int top = y + rowsTop();
    const int left = x + FRowsX;
    const QRect tableRect(left, top - yOff, TableWidth, rowsHeight + sp);

    // The first row that reaches into the clip, less the rows whose spans may reach it.
    int lo = 0, hi = Rows.Count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (top + Rows[mid]->Y + Rows[mid]->Height - yOff < clip.top())
            lo = mid + 1;
        else
            hi = mid;
    }
    const int first = std::max(0, lo - (MaxRowSpan - 1));
    int last = first;
    while (last < Rows.Count() && top + Rows[last]->Y - yOff <= clip.bottom()) ++last;

    for (int r = first; r < last; ++r)
        for (int c = 0; c < Rows[r]->Count(); ++c)
            if ((*Rows[r])[c]) paintCell(canvas, clip, left, top, r, c);
    if (HasBorderColor) {
        // Only the spacing between the cells takes the border colour; it covers the
        // cells' own frames, which lie in the spacing.
        QRegion spacing(tableRect.intersected(clip));
        for (int r = first; r < last; ++r)
            for (int c = 0; c < Rows[r]->Count(); ++c)
                if (const TCellObj* cell = (*Rows[r])[c])
                    spacing -= QRect(left + ColX[static_cast<size_t>(c)] + sp, top + Rows[r]->Y + sp - yOff,
                                     cell->SpanWidth - sp, cell->SpanHeight - sp);
        QPainter& painter = canvas.Painter();
        painter.save();
        painter.setClipRegion(spacing, Qt::IntersectClip);
        canvas.FillRect(tableRect, BorderColor);
        painter.restore();
    }
    if (Border) {
        const bool white = platform::ColorToRGB(Document->Background) == platform::clWhite;
        bevel(canvas, tableRect, true, white ? platform::clSilver : platform::clBtnHighlight);
    }
    if (!CaptionOnTop && !Caption->Cell.Empty())
        Caption->Cell.PaintAll(canvas, clip, TableWidth, x + FTableX, top + rowsHeight + sp);
    return y + Height;
}

// ---- Hit tests and positions ----

int ThtmlTable::contentX(const TPlace& place) const {
    if (place.Col < 0) return FTableX;
    return FRowsX + ColX[static_cast<size_t>(place.Col)] + CellSpacing + CellPadding;
}

TCellObj* ThtmlTable::cellAt(int x, int y, int& cx) const {
    if (!laidOut()) return nullptr;
    const int rowsHeight = Rows.Empty() ? 0 : Rows.Last()->Y + Rows.Last()->Height;
    if (!Caption->Cell.Empty()) {
        const int capTop = CaptionOnTop ? Top : Top + rowsHeight + CellSpacing;
        if (y >= capTop && y < capTop + CaptionHeight && x >= FTableX && x < FTableX + OuterWidth) {
            cx = FTableX;
            return Caption.get();
        }
    }
    const int rel = y - Top - rowsTop();
    if (rel < 0 || rel >= rowsHeight || x < FRowsX) return nullptr;
    // The last row that begins at or above the point.
    int lo = 0, hi = Rows.Count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (Rows[mid]->Y <= rel)
            lo = mid + 1;
        else
            hi = mid;
    }
    const int row = lo - 1;
    for (int r = row; r >= 0 && r > row - MaxRowSpan; --r)
        for (int c = 0; c < Rows[r]->Count(); ++c) {
            TCellObj* cell = (*Rows[r])[c];
            if (!cell || r + cell->RowSpan <= row) continue;
            const int x0 = FRowsX + ColX[static_cast<size_t>(c)];
            if (x >= x0 && x < FRowsX + ColX[static_cast<size_t>(c + cell->ColSpan)]) {
                cx = x0 + CellSpacing + CellPadding;
                return cell;
            }
        }
    return nullptr;
}

bool ThtmlTable::LinkAt(int x, int y, TUrlTarget& link, TFormControlObj*& control) {
    int cx = 0;
    TCellObj* cell = cellAt(x, y, cx);
    return cell && cell->Cell.LinkAt(x - cx, y, link, control);
}

bool ThtmlTable::ObjectAt(int x, int y, TImageObj*& obj, int& ix, int& iy) {
    int cx = 0;
    TCellObj* cell = cellAt(x, y, cx);
    return cell && cell->Cell.ObjectAt(x - cx, y, obj, ix, iy);
}

int ThtmlTable::PositionAt(int x, int y, int& px, int& py, int& caretHeight, TCell*& cell, bool& inText) {
    int cx = 0;
    TCellObj* hit = cellAt(x, y, cx);
    if (!hit) return -1;
    const int pos = hit->Cell.PositionAt(x - cx, y, px, py, caretHeight, cell, inText);
    if (pos >= 0) px += cx;
    return pos;
}

int ThtmlTable::orderIndexAt(int pos) const {
    const auto it = std::upper_bound(Order.begin(), Order.end(), pos,
                                     [](int p, const TPlace& place) { return p < place.Cell->Cell.FirstPos; });
    return static_cast<int>(it - Order.begin()) - 1;
}

bool ThtmlTable::PositionToPoint(int pos, int& x, int& y) {
    if (!laidOut() || pos < FirstPos || pos > FirstPos + PosCount) return false;
    // Cells without text share their first position with the cell after them.
    for (int i = orderIndexAt(pos); i >= 0; --i) {
        const TPlace& place = Order[static_cast<size_t>(i)];
        TCell& cell = place.Cell->Cell;
        if (cell.FirstPos + cell.PosCount < pos) break;
        if (cell.PositionToPoint(pos, x, y)) {
            x += contentX(place);
            return true;
        }
    }
    return false;
}

bool ThtmlTable::CharAt(int pos, char& ch, TSectionBase*& obj) {
    if (pos < FirstPos || pos >= FirstPos + PosCount) return false;
    const int i = orderIndexAt(pos);
    return i >= 0 && Order[static_cast<size_t>(i)].Cell->Cell.CharAt(pos, ch, obj);
}

int ThtmlTable::SearchText(int start, const std::string& text, bool matchCase) {
    if (start >= FirstPos + PosCount) return -1;
    for (size_t i = static_cast<size_t>(std::max(0, orderIndexAt(start))); i < Order.size(); ++i) {
        const int found = Order[i].Cell->Cell.SearchText(start, text, matchCase);
        if (found >= 0) return found;
    }
    return -1;
}

void ThtmlTable::CopySelection(SelTextCount& sink) {
    const int selB = Document->SelB, selE = Document->SelE;
    if (selB >= selE) return;
    for (size_t i = static_cast<size_t>(std::max(0, orderIndexAt(selB))); i < Order.size(); ++i) {
        TCell& cell = Order[i].Cell->Cell;
        if (cell.FirstPos >= selE) break;
        if (cell.FirstPos + cell.PosCount > selB) cell.CopySelection(sink);
    }
}

void ThtmlTable::ApplyDefaults() {
    Caption->Cell.ApplyDefaults();
    for (const auto& row : Rows)
        for (const auto& cell : *row)
            if (cell) cell->Cell.ApplyDefaults();
}

// ---- The layout dump ----

void ThtmlTable::DumpLines(std::string& out) const {
    char buf[200];
    std::snprintf(buf, sizeof buf, "  table x=%d rows=%d width=%d outer=%d height=%d cols=%d widths=", FTableX,
                  FRowsX, TableWidth, OuterWidth, TableHeight, NumCols);
    out += buf;
    for (size_t c = 0; c < ColWidths.size(); ++c) out += (c ? "," : "") + std::to_string(ColWidths[c]);
    std::snprintf(buf, sizeof buf, " spacing=%d padding=%d border=%d%s\n", CellSpacing, CellPadding, Border ? 1 : 0,
                  Floating ? (Justify == 1 ? " float=left" : " float=right") : "");
    out += buf;
    const int rowsHeight = Rows.Empty() ? 0 : Rows.Last()->Y + Rows.Last()->Height;
    if (!Caption->Cell.Empty()) {
        std::snprintf(buf, sizeof buf, "  caption %s top=%d height=%d\n", CaptionOnTop ? "above" : "below",
                      CaptionOnTop ? Top : Top + rowsHeight + CellSpacing, CaptionHeight);
        out += buf;
        Caption->Cell.DumpSections(out, 4);
    }
    const int top = Top + rowsTop();
    for (int r = 0; r < Rows.Count(); ++r) {
        const TCellList& row = *Rows[r];
        std::snprintf(buf, sizeof buf, "  row %d y=%d height=%d\n", r, top + row.Y, row.Height);
        out += buf;
        for (int c = 0; c < row.Count(); ++c) {
            const TCellObj* cell = row[c];
            if (!cell) continue;
            char bg[16] = "";
            if (cell->Cell.BkGnd) std::snprintf(bg, sizeof bg, " bg=%06X", cell->Cell.BkColor & 0xFFFFFFu);
            const int x = laidOut() ? FRowsX + ColX[static_cast<size_t>(c)] : 0;
            std::snprintf(buf, sizeof buf,
                          "    cell col=%d span=%dx%d x=%d width=%d height=%d content=%d valign=%d offset=%d%s\n", c,
                          cell->ColSpan, cell->RowSpan, x, cell->SpanWidth, cell->SpanHeight, cell->ContentHeight,
                          cell->VAlign, cell->VOffset, bg);
            out += buf;
            cell->Cell.DumpSections(out, 6);
        }
    }
}

} // namespace doc
