// Tables: reading TABLE, TR, TD, TH and CAPTION, the slots of spans, the column widths,
// the row heights and vertical alignment, placement, painting, and the section contract
// through the cells.
#include "doc/html_table.h"

#include "doc/doc_page.h"
#include "doc/sel_text.h"

#include <gtest/gtest.h>
#include <random>

using namespace doc;
using testsupport::TableIn;
using testsupport::TextOf;
using testsupport::TextsOf;

namespace {

struct Page : testsupport::TPage {
    explicit Page(const std::string& html, int width = 600) {
        parse(html);
        layout(width);
    }
    std::string shape() const { return TPage::shape(false); }
    TCellObj& cell(int row, int col, int table = 0) const { return *(*this->table(table)->Rows[row])[col]; }
};

const TSection* firstText(const TCell& cell) {
    const auto texts = TextsOf(cell);
    return texts.empty() ? nullptr : texts[0];
}

// Rows as slots: 'C' a cell, '.' an empty slot; rows separated by '|'.
std::string slotPattern(const ThtmlTable& t) {
    std::string out;
    for (int r = 0; r < t.Rows.Count(); ++r) {
        if (r > 0) out += '|';
        for (const auto& cell : *t.Rows[r]) out += cell ? 'C' : '.';
    }
    return out;
}

std::string cellsOf(int n, const char* tag = "td") {
    std::string out = "<table><tr>";
    for (int i = 0; i < n; ++i) out += std::string("<") + tag + ">" + std::to_string(i);
    return out + "</table>";
}

// Counts how often the layout asks it for its width range and for a layout.
struct CountingSection : TSectionBase {
    CountingSection(TSectionList* d, int& layouts, int& ranges)
        : TSectionBase(d), Layouts(layouts), Ranges(ranges) {
        Height = 10;
    }
    int Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) override {
        ++Layouts;
        return TSectionBase::Layout(y, im, maxWidth, curs);
    }
    void WidthRange(int& minWidth, int& maxWidth) override {
        ++Ranges;
        minWidth = 20;
        maxWidth = 40;
    }
    int &Layouts, &Ranges;
};

} // namespace

TEST(TableReading, SpansBecomeSlots) {
    struct Case {
        const char* Name;
        const char* Html;
        const char* Slots;
        int Cols;
    };
    const Case cases[] = {
        {"colspan", "<tr><td>a<td colspan=3>b<td>c<tr><td>d", "CC..C|C", 5},
        {"rowspan cut at the last row", "<tr><td rowspan=5>a<td>b<tr><td>c<tr><td>d", "CC|.C|.C", 2},
        {"rowspan in a later column pads the row below", "<tr><td>a<td>b<td rowspan=2>c<tr>", "CCC|..." , 3},
        {"rowspan and colspan together", "<tr><td rowspan=2 colspan=2>a<td>b<tr><td>c", "C.C|..C", 3},
        {"spans below 2 are ignored", "<tr><td colspan=0 rowspan=-4>a<td colspan=1>b", "CC", 2},
        {"rows without TR", "<td>a<td>b</table>", "CC", 2},
        {"empty row", "<tr></tr><tr><td>a", "|C", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Page p(std::string("<table>") + c.Html + "</table>");
        ASSERT_NE(p.table(), nullptr);
        EXPECT_EQ(slotPattern(*p.table()), c.Slots);
        EXPECT_EQ(p.table()->NumCols, c.Cols);
    }
    Page cut("<table><tr><td rowspan=5>a<tr><td>b<tr><td>c</table>");
    EXPECT_EQ(cut.cell(0, 0).RowSpan, 3);
}

TEST(TableReading, MoreThanThirtyColumnsFailOnceAndShowThirty) {
    const std::string wide[] = {
        cellsOf(31),
        "<table><tr><td>a<td colspan=30>b</table>",
        "<table><tr><td colspan=2000000000>a</table>",
        // Thirty cells below two rows spanning down push the row to 32 slots.
        "<table><tr><td rowspan=2>a<td rowspan=2>b<tr>" + cellsOf(30).substr(11),
    };
    for (const std::string& html : wide) {
        SCOPED_TRACE(html.substr(0, 60));
        testsupport::TPage p;
        p.parse(html);
        EXPECT_EQ(testsupport::FailureOf<EProcessError>([&] { p.layout(); }),
                  TooManyColumnsMessage);
        EXPECT_NO_THROW(p.layout());
        ASSERT_NE(p.table(), nullptr);
        EXPECT_EQ(p.table()->NumCols, ThtmlTable::MaxCols);
        EXPECT_EQ(static_cast<int>(p.table()->ColWidths.size()), ThtmlTable::MaxCols);
    }
    Page thirty(cellsOf(30));
    EXPECT_EQ(thirty.table()->NumCols, 30);
}

// Ordinary attribute values are proven by the golden table pages; these are the limits.
TEST(TableReading, AttributesAndTheirLimits) {
    struct Case {
        const char* Attrs;
        bool Border;
        int Spacing, Padding, HSpace, Width;
    };
    const Case cases[] = {
        {"BORDER=0", false, 2, 1, 5, 0},
        {"BORDER=3 CELLSPACING=0", true, 2, 1, 5, 0},
        {"CELLSPACING=100 CELLPADDING=90", false, 40, 50, 5, 0},
        {"CELLSPACING=-3 CELLPADDING=-1", false, 2, 1, 5, 0},
        {"HSPACE=-30", false, 2, 1, 20, 0},
        {"WIDTH=150%", false, 2, 1, 5, 0},
        {"WIDTH=0", false, 2, 1, 5, 0},
        {"WIDTH=999999", false, 2, 1, 5, TCellObj::MaxSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Attrs);
        Page p(std::string("<table ") + c.Attrs + "><tr><td>x</table>");
        const ThtmlTable& t = *p.table();
        EXPECT_EQ(t.Border, c.Border);
        EXPECT_EQ(t.CellSpacing, c.Spacing);
        EXPECT_EQ(t.CellPadding, c.Padding);
        EXPECT_EQ(t.HSpace, c.HSpace);
        EXPECT_EQ(t.Width, c.Width);
        EXPECT_FALSE(t.IsPercent);
    }
    Page cells("<table><tr><td width=20% height=40>a<td width=0 height=-5>b<td width=120%>c<td width=70>d</table>");
    EXPECT_EQ(cells.cell(0, 0).WantedWidth, 200);
    EXPECT_TRUE(cells.cell(0, 0).IsPercent);
    EXPECT_EQ(cells.cell(0, 1).WantedWidth, 0);
    EXPECT_EQ(cells.cell(0, 1).WantedHeight, 0);
    EXPECT_EQ(cells.cell(0, 2).WantedWidth, 0);
    EXPECT_TRUE(cells.table()->PixelWidthCells);
}

TEST(TableReading, TextBeforeTheFirstCellGoesBeforeTheTable) {
    Page p("a<table>before <b>bold</b><tr> <td>in</td> stray <td>in2</table>after");
    EXPECT_EQ(p.shape(), "Text(a) Text(before bold) Text(stray ) Table Text(after)");
    EXPECT_EQ(TextOf(p.cell(0, 0).Cell) + "|" + TextOf(p.cell(0, 1).Cell), "in|in2");
    // A paragraph after a cell's first words keeps its space.
    Page q("<table><tr><td><p>first<p>second</table>");
    EXPECT_EQ(testsupport::ShapeOf(q.cell(0, 0).Cell, false),
              "Text(first) ParagraphSpace Text(second)");
}

// Cell alignment, TH and captions as such are in the golden table pages.
TEST(TableReading, CellStylesEndWithTheTableAndCaptionsJoin) {
    Page p("<table><tr><th>h<td align=right>r</table>x");
    EXPECT_TRUE(firstText(p.cell(0, 0).Cell)->Fonts[0]->Font.Style & fsBold);
    EXPECT_EQ(firstText(p.cell(0, 1).Cell)->Justify, Right);
    const TSection* after = p.text("x");
    EXPECT_EQ(after->Justify, Left);
    EXPECT_FALSE(after->Fonts[0]->Font.Style & fsBold);
    Page top("<table><caption>over</caption><caption align=center>more</caption><tr><td>x</table>");
    EXPECT_TRUE(top.table()->CaptionOnTop);
    EXPECT_EQ(TextOf(top.table()->Caption->Cell), "over more");
    EXPECT_EQ(firstText(top.table()->Caption->Cell)->Justify, Centered);
}

TEST(TableLayout, WidthsAndHeightsWithSpansPercentagesAndANarrowWindow) {
    // Widths at the golden pages' 700 pixels are in their dumps. In a narrow window the
    // columns keep their minimum and the table overflows.
    Page narrow("<table><tr><td>extraordinarily<td>incomprehensibilities</table>", 60);
    const ThtmlTable& n = *narrow.table();
    int min0 = 0, max0 = 0;
    narrow.cell(0, 0).Cell.WidthRange(min0, max0);
    EXPECT_EQ(n.ColWidths[0], min0 + 2 * n.CellPadding + n.CellSpacing);
    EXPECT_GT(n.TableWidth, 60);
    EXPECT_EQ(narrow.ScrollWidth, n.TableWidth);
    // Between the two, each column gets its minimum and a part of the rest.
    Page mid("<table><tr><td>aaa bbb ccc ddd eee fff ggg<td>hhh iii</table>", 200);
    EXPECT_EQ(mid.table()->TableWidth, 200);
    // Without a table WIDTH a percentage cell makes the table take the window.
    Page fill("<table><tr><td width=50%>a<td>b</table>");
    EXPECT_EQ(fill.table()->ColWidths[0], 298);
    EXPECT_EQ(fill.table()->TableWidth, 600);
    // A spanning cell wider than its columns widens them.
    Page span("<table cellspacing=0 cellpadding=0><tr><td colspan=2><img width=300 height=5><tr><td>a<td>b</table>");
    EXPECT_GE(span.table()->ColWidths[0] + span.table()->ColWidths[1], 300);
    // Rows spanned by a taller cell get equal parts of the difference, the rest to the last.
    Page tall("<table cellpadding=0 cellspacing=0><tr><td rowspan=3 height=100>a<td height=10>b"
              "<tr><td height=10>c<tr><td height=10>d</table>");
    const ThtmlTable& t = *tall.table();
    EXPECT_EQ(t.Rows[0]->Height, 10 + 23);
    EXPECT_EQ(t.Rows[1]->Height, 10 + 23);
    EXPECT_EQ(t.Rows[2]->Height, 10 + 23 + 1);
    EXPECT_EQ(t.TableHeight, 100);
}

TEST(TableLayout, PlacementOfFloatsTablesInListsAndCaptionWidth) {
    Page left("<table align=left width=100><tr><td>x</table>text beside");
    const TSection* beside = dynamic_cast<const TSection*>(left.Doc[left.Doc.Count() - 1]);
    EXPECT_EQ(beside->Lines[0].LineIndent, 100 + 5 + 1);
    EXPECT_EQ(beside->Top, left.table()->Top);
    EXPECT_GE(left.Height, left.table()->TableHeight);
    // A table in a list sits at the list's indent, and the list's marker keeps its line.
    Page list("<ul><li><table><tr><td>in list</table></ul><table><tr><td>out</table>");
    EXPECT_EQ(list.shape(), "UListItem( ) Table Table");
    EXPECT_EQ(list.table(0)->TableX(), 35);
    EXPECT_EQ(list.table(1)->TableX(), 0);
    // A float inside a cell.
    Page p("<table cellpadding=0 cellspacing=0><tr><td><img align=left width=40 height=60>beside</table>");
    const TCellObj& cell = p.cell(0, 0);
    EXPECT_EQ(cell.ContentHeight, 60);
    EXPECT_EQ(firstText(cell.Cell)->Lines[0].LineIndent, 45);
    // A caption word wider than the table: the rows are centred below it.
    Page cap("<table><caption>Supercalifragilistic</caption><tr><td>x</table>");
    const ThtmlTable& t = *cap.table();
    const int word = firstText(t.Caption->Cell)->Lines[0].DrawWidth;
    EXPECT_EQ(t.RowsX() - t.TableX(), (word - t.TableWidth) / 2);
    EXPECT_EQ(cap.ScrollWidth, 600);
}

TEST(TableLayout, NestingCostsLinearTime) {
    for (int depth : {1, 3, 10}) {
        SCOPED_TRACE(depth);
        std::string html;
        for (int i = 0; i < depth; ++i) html += "<table><tr><td>";
        for (int i = 0; i < depth; ++i) html += "</table>";
        Page p(html);
        TCell* cell = &p.Doc;
        ThtmlTable* innermost = nullptr;
        for (ThtmlTable* t = TableIn(*cell); t; t = TableIn(*cell)) {
            innermost = t;
            cell = &(*t->Rows[0])[0]->Cell;
        }
        ASSERT_NE(innermost, nullptr);
        int layouts = 0, ranges = 0;
        cell->Add(std::make_unique<CountingSection>(&p.Doc, layouts, ranges));
        p.layout(600);
        EXPECT_EQ(ranges, 1);
        EXPECT_LE(layouts, depth + 1);
        EXPECT_EQ(innermost->ColWidths[0], 40 + 2 + 2);
    }
}

TEST(TableLayout, TablesNestedBeyondTheLimitAreReadFlat) {
    std::string html;
    for (int i = 0; i < 100000; ++i) html += "<table><tr><td>";
    Page p(html + "deep");
    int depth = 0;
    const ThtmlTable* innermost = nullptr;
    for (const ThtmlTable* t = TableIn(p.Doc); t; t = TableIn((*t->Rows[0])[0]->Cell), ++depth)
        innermost = t;
    EXPECT_EQ(depth, THtmlBuilder::MaxNesting);
    // Past the limit the TABLE tags are dropped and their rows and cells join the
    // innermost table.
    ASSERT_NE(innermost, nullptr);
    EXPECT_EQ(innermost->Rows.Count(), 100000 - THtmlBuilder::MaxNesting + 1);
    EXPECT_EQ(TextOf((*innermost->Rows.Last())[0]->Cell), "deep");
    EXPECT_GT(p.Height, 0);
}

TEST(TableLayout, TenThousandRowsLayEachCellOutTwice) {
    std::string html = "<table><tr><td rowspan=20000>side";
    for (int i = 0; i < 10000; ++i) html += "<tr><td>row";
    Page p(html + "</table>");
    ThtmlTable& t = *p.table();
    ASSERT_EQ(t.Rows.Count(), 10001);
    int layouts = 0, ranges = 0;
    for (int r = 1; r < t.Rows.Count(); ++r)
        (*t.Rows[r])[1]->Cell.Add(std::make_unique<CountingSection>(&p.Doc, layouts, ranges));
    p.layout(600);
    EXPECT_EQ(layouts, 2 * 10000);
    EXPECT_EQ(ranges, 10000);
    EXPECT_EQ(p.cell(0, 0).RowSpan, 10001);
    EXPECT_EQ(t.Rows.Last()->Y + t.Rows.Last()->Height + t.CellSpacing, t.TableHeight);
}

TEST(TableContract, PositionsSearchCopyAndLinks) {
    Page p("<p>start<table><caption>Cap</caption><tr><td>alpha<td><a href=\"l.htm\">beta</a><tr><td>gamma "
           "Word</table>end");
    const ThtmlTable& t = *p.table();
    const TCell &alpha = p.cell(0, 0).Cell, &beta = p.cell(0, 1).Cell, &gamma = p.cell(1, 0).Cell;
    // Positions run through the caption, then the cells row by row.
    EXPECT_EQ(t.Caption->Cell.FirstPos, t.FirstPos);
    EXPECT_LT(t.Caption->Cell.FirstPos, alpha.FirstPos);
    EXPECT_LT(alpha.FirstPos, beta.FirstPos);
    EXPECT_LT(beta.FirstPos, gamma.FirstPos);
    EXPECT_EQ(t.PosCount, gamma.FirstPos + gamma.PosCount - t.FirstPos);

    const int word = p.Doc.SearchText(0, "WORD", false);
    EXPECT_EQ(word, gamma.FirstPos + 6);
    EXPECT_EQ(p.Doc.SearchText(0, "WORD", true), -1);
    EXPECT_GT(p.Doc.SearchText(word + 1, "end", true), word);
    char ch = 0;
    TSectionBase* obj = nullptr;
    ASSERT_TRUE(p.Doc.CharAt(word, ch, obj));
    EXPECT_EQ(ch, 'W');

    // A position and the point it is drawn at lead back to each other.
    int x = 0, y = 0;
    ASSERT_TRUE(p.Doc.PositionToPoint(beta.FirstPos + 1, x, y));
    EXPECT_GT(x, t.RowsX() + t.ColWidths[0]);
    int px = 0, py = 0, caret = 0;
    TCell* hitCell = nullptr;
    bool inText = false;
    EXPECT_EQ(p.Doc.PositionAt(x + 1, y + 2, px, py, caret, hitCell, inText), beta.FirstPos + 1);
    EXPECT_EQ(hitCell, &beta);
    EXPECT_EQ(px, x);

    EXPECT_EQ(testsupport::LinkAt(p.Doc, x + 1, y + 2), "l.htm|");
    EXPECT_EQ(testsupport::LinkAt(p.Doc, t.RowsX() + 3, y + 2), "-");
    // The centred caption is indented as copied centred text is.
    EXPECT_EQ(testsupport::Copied(p.Doc, 0, 1000), "start\r\n   Cap\r\nalpha\r\nbeta\r\ngamma Word\r\nend\r\n");
}

TEST(TablePainting, BackgroundsBordersAndSpacingColour) {
    for (const bool coloured : {false, true}) {
        SCOPED_TRACE(coloured ? "BORDERCOLOR" : "bevels only");
        Page p(std::string("<table border cellpadding=4") + (coloured ? " bordercolor=#00ff00" : "") +
               "><tr><td bgcolor=#ff0000 width=60 height=40>&nbsp;<td width=60>&nbsp;</table>");
        const ThtmlTable& t = *p.table();
        const QImage img = p.render(600, 100);
        const int sp = t.CellSpacing;
        const int y0 = t.Top + t.Rows[0]->Height / 2;
        const int left = t.RowsX(), split = t.RowsX() + t.ColWidths[0];
        EXPECT_EQ(img.pixel(left + t.ColWidths[0] / 2, y0), qRgb(255, 0, 0));
        EXPECT_EQ(img.pixel(split + t.ColWidths[1] / 2, y0), qRgb(255, 255, 255)); // no background
        // The sunken frame of a cell lies one pixel outside it, in the spacing; the border
        // colour fills the spacing over it.
        const QColor frame(img.pixel(left + sp - 1, y0));
        const QColor between(img.pixel(split + sp / 2, y0));
        if (coloured) {
            EXPECT_EQ(frame, QColor(0, 255, 0));
            EXPECT_EQ(between, QColor(0, 255, 0));
        } else {
            EXPECT_NE(frame, QColor(255, 255, 255));
            EXPECT_EQ(frame, QColor(img.pixel(split + sp - 1, y0)));
        }
        // The table's raised frame: its right edge in the shadow colour.
        const QColor outer(img.pixel(left + t.TableWidth - 1, y0));
        EXPECT_NE(outer, QColor(0, 255, 0));
        EXPECT_NE(outer, QColor(255, 255, 255));
    }
}

TEST(TableRobustness, TagSoupNeverBreaksLayoutPaintingOrHitTests) {
    const char* const pieces[] = {
        "<table>", "</table>", "<tr>", "</tr>", "<td>", "</td>", "<th>", "</th>", "<caption>", "</caption>",
        "text ", "Word ", "<td colspan=3>", "<td rowspan=4>", "<td rowspan=99999 colspan=7>",
        "<table align=left>", "<table align=right width=50%>", "<td width=30%>", "<td width=200>",
        "<img align=left width=30 height=40>", "<img width=300 height=5>", "<ul><li>", "</ul>", "<p>", "<br>",
        "<b>", "<pre>x\ny</pre>", "<table border cellspacing=9 cellpadding=9 bordercolor=red bgcolor=blue>",
        "<tr bgcolor=green valign=bottom align=right>", "<td height=300 valign=middle>", "<center>", "</center>",
        "<a href=x>", "</a>", "<h1>", "</h1>", "<caption align=bottom>", "<table width=900>", "<hr>"};
    std::mt19937 random(20261206);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    for (int round = 0; round < 300; ++round) {
        std::string html;
        for (int i = 0; i < 60; ++i) html += pieces[pick(random)];
        SCOPED_TRACE(html);
        testsupport::TPage page;
        page.parse(html);
        TSectionList& doc = page.Doc;
        int sw = 0, height = 0;
        for (int width : {600, 0, 37}) {
            try {
                height = doc.DoLayout(width, sw);
            } catch (const EProcessError&) {
                height = doc.DoLayout(width, sw);
            }
        }
        page.render(600, 300);
        TImageObj* obj = nullptr;
        TCell* cell = nullptr;
        int a = 0, b = 0, c = 0;
        bool inText = false;
        for (int y = -5; y < height + 5; y += 13)
            for (int x = -5; x < 700; x += 17) {
                testsupport::LinkAt(doc, x, y);
                doc.ObjectAt(x, y, obj, a, b);
                if (const int pos = doc.PositionAt(x, y, a, b, c, cell, inText); pos >= 0) {
                    EXPECT_TRUE(doc.PositionToPoint(pos, a, b));
                }
            }
        char ch = 0;
        TSectionBase* section = nullptr;
        if (const int end = doc.SearchText(0, "Word", true); end >= 0) {
            EXPECT_TRUE(doc.CharAt(end, ch, section) && ch == 'W');
        }
        SelTextCount count;
        doc.SelB = 0;
        doc.SelE = 1 << 20;
        doc.CopySelection(count);
    }
}
