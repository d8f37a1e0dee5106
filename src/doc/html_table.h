// ThtmlTable: the section that holds an HTML table, rows of cells (TCellObj, each with a
// small section list of its own) and an optional caption. Column widths come from the
// cells' minimum and maximum widths and the WIDTH attributes; cells are laid out row by
// row, aligned vertically, and painted with their backgrounds and bevelled borders.
#pragma once

#include "doc/free_list.h"
#include "doc/section_base.h"
#include "html/attributes.h"
#include "platform/colors.h"
#include "platform/exception.h"

#include <memory>
#include <string>
#include <vector>

namespace doc {

// A document the layout cannot hold: "Table has too many Columns".
class EProcessError : public platform::Exception {
public:
    using platform::Exception::Exception;
};

inline constexpr const char* TooManyColumnsMessage = "Table has too many Columns";

// One table cell: TD, TH or the caption.
class TCellObj {
public:
    // WIDTH=99999 or HEIGHT=99999 must not make sums of rows or columns wrap around.
    static constexpr int MaxSize = 32767;

    TCellObj(TSectionList* document, int vAlign, const html::TAttributeList& attributes);

    int ColSpan = 1;
    int RowSpan = 1;
    int WantedWidth = 0; // pixels, or per mille of the table width with IsPercent; 0: none
    bool IsPercent = false;
    int WantedHeight = 0; // pixels; 0: none
    int VAlign = 1;       // 0 top, 1 middle, 2 bottom
    TCell Cell;           // the contents; BkGnd and BkColor from BGCOLOR

    // From the last layout, in pixels.
    int SpanWidth = 0;     // the columns spanned, padding and spacing included
    int ContentHeight = 0; // the contents laid out at the cell's width
    int SpanHeight = 0;    // the rows spanned
    int VOffset = 0;       // the contents moved down by the vertical alignment
};

// One table row: the cells in column order; a slot covered by a span from the left or
// from above is an empty entry (nullptr).
class TCellList : public TFreeList<TCellObj> {
public:
    explicit TCellList(const html::TAttributeList& attributes);
    TCellList() = default;

    bool BkGnd = false; // BGCOLOR, given to the row's cells without their own
    platform::TColor BkColor = platform::clNone;
    int Height = 0; // pixels, spacing and padding included
    int Y = 0;      // from the top of the rows (below a top caption)
};

class ThtmlTable : public TSectionBase {
public:
    static constexpr int MaxCols = 30;

    // Level: list nesting; Enclosing: the cell the table sits in (its background is the
    // table's when the table has none); Justify: the alignment where the table begins.
    ThtmlTable(TSectionList* master, int level, TCell* enclosing, int justify,
               const html::TAttributeList& attributes);
    ~ThtmlTable() override;

    TFreeList<TCellList> Rows;
    std::unique_ptr<TCellObj> Caption; // always there; empty without CAPTION
    bool CaptionOnTop = true;
    bool Border = false;
    int CellPadding = 1; // 0..50
    int CellSpacing = 2; // 0..40, plus 2 with a border
    int Justify = 1;     // 1 left, 2 centre, 3 right
    bool Floating = false;
    int Width = 0; // WIDTH: pixels, or per mille with IsPercent; 0: none
    bool IsPercent = false;
    int HSpace = 5; // 0..20, beside a floating table
    bool BkGnd = false;
    platform::TColor BkColor = platform::clNone;
    bool HasBorderColor = false;
    platform::TColor BorderColor = platform::clNone;
    int Level = 0;
    int NumCols = 0;
    std::vector<int> ColWidths; // chosen at the last layout, per column
    int TableWidth = 0;         // the rows: spacing plus the column widths
    int TableHeight = 0;        // caption included
    int CaptionHeight = 0;
    TCell* Enclosing;
    bool Initialized = false;
    bool PixelWidthCells = false; // some cell has a WIDTH in pixels

    // Appends a row (the builder's).
    void AddRow(std::unique_ptr<TCellList> row) { Rows.Add(std::move(row)); }

    // The section contract; positions run through the caption, then the cells row by row.
    void CopySelection(SelTextCount& sink) override;
    int Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) override;
    int Paint(platform::TCanvas& canvas, const QRect& clip, IndentManagerBasic& im, int x, int y) override;
    bool LinkAt(int x, int y, TUrlTarget& link, TFormControlObj*& control) override;
    bool ObjectAt(int x, int y, TImageObj*& obj, int& ix, int& iy) override;
    int PositionAt(int x, int y, int& px, int& py, int& caretHeight, TCell*& cell, bool& inText) override;
    int SearchText(int start, const std::string& text, bool matchCase) override;
    bool PositionToPoint(int pos, int& x, int& y) override;
    bool CharAt(int pos, char& ch, TSectionBase*& obj) override;
    void ApplyDefaults() override;
    void WidthRange(int& minWidth, int& maxWidth) override;
    const char* KindName() const override { return "Table"; }
    void DumpLines(std::string& out) const override;

    // Where the table sits after layout: x from the enclosing cell's left edge (the
    // caption's left), and the left of the rows.
    int TableX() const { return FTableX; }
    int RowsX() const { return FRowsX; }

private:
    // Spreads spans over slots, inherits backgrounds and cuts row spans; raises
    // EProcessError for more than MaxCols columns, after cutting the table to MaxCols
    // so that the next layout can show it.
    void initialize();
    // The columns' minimum and maximum widths, once per layout pass.
    void columnRanges();
    // Column widths, cell heights and row heights for the available width.
    void measure(int available);
    // Each column's share of ColumnsWidth in per mille (0: none).
    std::vector<int> columnShares(int columnsWidth) const;
    // Lays the caption and the cells out at their final places below Y.
    void place(int y, int& curs);
    int rowsTop() const { return CaptionOnTop ? CaptionHeight : 0; } // from Top
    // Whether the columns were measured: a first layout that failed leaves them unknown.
    bool laidOut() const { return Initialized && static_cast<int>(ColX.size()) == NumCols + 1; }

    // The cell under a document point; its contents' left edge in the same x.
    TCellObj* cellAt(int x, int y, int& contentX) const;
    // The cell whose positions hold Pos (the last one beginning at or before it).
    int orderIndexAt(int pos) const;
    void paintCell(platform::TCanvas& canvas, const QRect& clip, int rowsLeft, int rowsTop, int row, int col);

    // The caption and the cells in position order, and where each cell sits.
    struct TPlace {
        TCellObj* Cell;
        int Row, Col; // -1, -1 for the caption
    };
    std::vector<TPlace> Order;
    int contentX(const TPlace& place) const;
    std::vector<int> ColX; // the left of each column from the rows' left; one more at the end
    int MaxRowSpan = 1;

    std::vector<int> ColMin, ColMax;
    int RangesPass = -1;   // the layout pass of ColMin and ColMax
    int MeasuredPass = -1; // the layout pass and available width of the last measure
    int MeasuredAvailable = -1;
    int CaptionWidth = 0;    // the caption's widest line at TableWidth
    int CaptionPosCount = 0; // the caption's positions
    int FTableX = 0, FRowsX = 0;
    int OuterWidth = 0; // the larger of TableWidth and the caption's width
};

} // namespace doc
