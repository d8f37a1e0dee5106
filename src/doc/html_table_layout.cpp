// ThtmlTable layout: the columns' minimum and maximum widths, the percentages, the column
// widths for the room available, the row heights over row spans, the vertical alignment
// of the cells and the horizontal placement of the table.
//
// Every cell is laid out twice: once at its width to learn its height, once at its final
// place. A nested table asked again in the same layout pass at the same width keeps its
// measures and is only placed again; otherwise every level of nesting would double the
// work of the levels inside it.
#include "doc/html_table.h"

#include "doc/fonts.h"
#include "doc/section_list.h"
#include "doc/table_widths.h"

#include <algorithm>

namespace doc {

namespace {

// The pass number that means "not measured in any pass": a table outside a document.
constexpr int NoPass = -2;

int passOf(const TSectionList* document) { return document ? document->LayoutPass : NoPass; }

} // namespace

void ThtmlTable::columnRanges() {
    const int pass = passOf(Document);
    if (pass != NoPass && RangesPass == pass) return;
    const int added = 2 * CellPadding + CellSpacing;
    const auto cols = static_cast<size_t>(NumCols);
    ColMin.assign(cols, 0);
    ColMax.assign(cols, 0);
    struct TSpanning {
        int Col, Span, Min, Max;
    };
    std::vector<TSpanning> spanning;
    for (const TPlace& p : Order) {
        if (p.Col < 0) continue;
        const TCellObj* cell = p.Cell;
        int mn = 0, mx = 0;
        p.Cell->Cell.WidthRange(mn, mx);
        mn += added;
        mx = std::max(mx + added, mn);
        if (cell->WantedWidth > 0 && !cell->IsPercent) {
            mn = std::max(mn, cell->WantedWidth);
            mx = std::max(mx, cell->WantedWidth);
        }
        if (cell->ColSpan == 1) {
            const auto c = static_cast<size_t>(p.Col);
            ColMin[c] = std::max(ColMin[c], mn);
            ColMax[c] = std::max(ColMax[c], mx);
        } else {
            spanning.push_back({p.Col, cell->ColSpan, mn, mx});
        }
    }
    // Narrow spans first, so that wider ones see what the narrower ones asked for.
    std::stable_sort(spanning.begin(), spanning.end(),
                     [](const TSpanning& a, const TSpanning& b) { return a.Span < b.Span; });
    for (const TSpanning& s : spanning) {
        SpreadOverSpan(ColMin, s.Col, s.Span, s.Min);
        SpreadOverSpan(ColMax, s.Col, s.Span, s.Max);
    }
    for (size_t c = 0; c < cols; ++c) ColMax[c] = std::max(ColMax[c], ColMin[c]);
    // Only a complete measure counts: a nested table may fail part-way through it.
    RangesPass = pass;
}

std::vector<int> ThtmlTable::columnShares(int columnsWidth) const {
    std::vector<int> shares(static_cast<size_t>(NumCols), 0);
    if (Width == 0 && PixelWidthCells) return shares;
    // Note: a pixel width becomes the share of the columns' width that gives the column at
    // least that width (a share is rounded and one pixel less is given), so that in a
    // table with a WIDTH a WIDTH=150 menu column is 150 pixels and the others take the rest.
    auto shareOf = [&](const TCellObj* cell) {
        if (cell->IsPercent) return cell->WantedWidth;
        if (cell->WantedWidth > 0 && columnsWidth > 0)
            return static_cast<int>(std::min<long long>(
                1000, ((cell->WantedWidth + 1) * 1000LL + columnsWidth - 1) / columnsWidth));
        return 0;
    };
    for (const TPlace& p : Order)
        if (p.Col >= 0 && p.Cell->ColSpan == 1) {
            int& share = shares[static_cast<size_t>(p.Col)];
            share = std::max(share, shareOf(p.Cell));
        }
    for (const TPlace& p : Order) {
        if (p.Col < 0 || p.Cell->ColSpan == 1) continue;
        const int share = shareOf(p.Cell);
        if (share == 0) continue;
        int without = 0;
        for (int c = p.Col; c < p.Col + p.Cell->ColSpan; ++c) without += shares[static_cast<size_t>(c)] == 0;
        if (without == 0) continue;
        for (int c = p.Col; c < p.Col + p.Cell->ColSpan; ++c)
            if (shares[static_cast<size_t>(c)] == 0) shares[static_cast<size_t>(c)] = share / without;
    }
    return shares;
}

void ThtmlTable::measure(int available) {
    columnRanges();
    const int sp = CellSpacing;
    const int added = 2 * CellPadding + sp;
    const int tableWidth = Width == 0 ? available : IsPercent ? MulDiv(available, Width, 1000) : Width;
    const int columnsWidth = std::max(0, tableWidth - sp);
    const std::vector<int> shares = columnShares(columnsWidth);
    std::vector<TColumnNeed> needs(static_cast<size_t>(NumCols));
    for (size_t c = 0; c < needs.size(); ++c) needs[c] = {ColMin[c], ColMax[c], shares[c]};
    ColWidths = ChooseColumnWidths(needs, columnsWidth, Width > 0);
    ColX.assign(static_cast<size_t>(NumCols) + 1, 0);
    for (size_t c = 0; c < ColWidths.size(); ++c) ColX[c + 1] = ColX[c] + ColWidths[c];
    TableWidth = sp + ColX.back();

    int scratch = 0, wide = 0;
    CaptionHeight = Caption->Cell.LayoutAll(0, TableWidth, wide, scratch);
    CaptionWidth = Caption->Cell.Empty() ? 0 : wide;
    CaptionPosCount = scratch;

    for (const auto& row : Rows) row->Height = 0;
    struct TSpanning {
        int Row;
        TCellObj* Cell;
    };
    std::vector<TSpanning> spanning;
    for (const TPlace& p : Order) {
        if (p.Col < 0) continue;
        TCellObj* cell = p.Cell;
        cell->SpanWidth = ColX[static_cast<size_t>(p.Col + cell->ColSpan)] - ColX[static_cast<size_t>(p.Col)];
        cell->ContentHeight = cell->Cell.LayoutAll(0, std::max(0, cell->SpanWidth - added), wide, scratch);
        if (cell->RowSpan == 1) {
            int& height = Rows[p.Row]->Height;
            height = std::max(height, std::max(cell->ContentHeight, cell->WantedHeight - 2 * CellPadding) + added);
        } else {
            spanning.push_back({p.Row, cell});
        }
    }
    // A spanning cell taller than the rows it covers shares the difference among them.
    std::stable_sort(spanning.begin(), spanning.end(),
                     [](const TSpanning& a, const TSpanning& b) { return a.Cell->RowSpan < b.Cell->RowSpan; });
    for (const TSpanning& s : spanning) {
        const int span = s.Cell->RowSpan;
        const int need = std::max(s.Cell->ContentHeight, s.Cell->WantedHeight - 2 * CellPadding) + added;
        int sum = 0;
        for (int r = s.Row; r < s.Row + span; ++r) sum += Rows[r]->Height;
        if (sum >= need) continue;
        const int diff = need - sum;
        for (int r = s.Row; r < s.Row + span; ++r) Rows[r]->Height += diff / span;
        Rows[s.Row + span - 1]->Height += diff % span;
    }
}

void ThtmlTable::place(int y, int& curs) {
    const int sp = CellSpacing;
    const int added = 2 * CellPadding + sp;
    int wide = 0;
    int captionCurs = curs;
    if (CaptionOnTop)
        CaptionHeight = Caption->Cell.LayoutAll(y, TableWidth, wide, curs);
    else
        curs += CaptionPosCount;
    int rowsHeight = 0;
    for (const auto& row : Rows) {
        row->Y = rowsHeight;
        rowsHeight += row->Height;
    }
    const int top = y + rowsTop();
    for (const TPlace& p : Order) {
        if (p.Col < 0) continue;
        TCellObj* cell = p.Cell;
        const int first = Rows[p.Row]->Y;
        const int end = p.Row + cell->RowSpan < Rows.Count() ? Rows[p.Row + cell->RowSpan]->Y : rowsHeight;
        cell->SpanHeight = end - first;
        const int free = std::max(0, cell->SpanHeight - cell->ContentHeight - added);
        cell->VOffset = cell->VAlign == 0 ? 0 : cell->VAlign == 1 ? free / 2 : free;
        cell->Cell.LayoutAll(top + first + sp + CellPadding + cell->VOffset, std::max(0, cell->SpanWidth - added), wide,
                             curs);
    }
    if (!CaptionOnTop) CaptionHeight = Caption->Cell.LayoutAll(top + rowsHeight + sp, TableWidth, wide, captionCurs);
    TableHeight = CaptionHeight + rowsHeight + sp;
}

int ThtmlTable::Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) {
    Top = y;
    FirstPos = curs;
    if (!Initialized) initialize();
    im.SetListLevel(y, Level);
    const int left = im.LeftAt(y) - im.LeftEdge;
    const int available = std::max(0, im.RightAt(y) - im.LeftAt(y));
    const int pass = passOf(Document);
    if (pass == NoPass || pass != MeasuredPass || available != MeasuredAvailable) {
        measure(available);
        MeasuredPass = pass;
        MeasuredAvailable = available;
    }
    place(y, curs);
    PosCount = curs - FirstPos;

    OuterWidth = std::max(TableWidth, CaptionWidth);
    int offset = 0;
    if (OuterWidth < available) {
        if (Justify == 2) offset = (available - OuterWidth) / 2;
        if (Justify == 3) offset = available - OuterWidth;
    }
    FTableX = left + offset;
    FRowsX = FTableX + (OuterWidth - TableWidth) / 2;
    PaintedHeight = TableHeight;
    if (Floating) {
        // The text that follows flows beside the table.
        im.AddFloat(y, OuterWidth + HSpace + 1, Justify, TableHeight);
        Height = 0;
    } else {
        Height = TableHeight;
    }
    maxWidth = std::max(im.RightEdge - im.LeftEdge, FTableX + OuterWidth);
    return Height;
}

void ThtmlTable::WidthRange(int& minWidth, int& maxWidth) {
    if (!Initialized) initialize();
    columnRanges();
    minWidth = maxWidth = CellSpacing;
    for (size_t c = 0; c < ColMin.size(); ++c) {
        minWidth += ColMin[c];
        maxWidth += ColMax[c];
    }
    if (Width > 0 && !IsPercent) {
        minWidth = std::max(minWidth, Width);
        maxWidth = std::max(maxWidth, Width);
    }
    int captionMin = 0, captionMax = 0;
    Caption->Cell.WidthRange(captionMin, captionMax);
    const int indent = IndentManagerBasic::LevelIndent * Level;
    minWidth = std::max(minWidth, captionMin) + indent;
    maxWidth = std::max(maxWidth, captionMax) + indent;
}

} // namespace doc
