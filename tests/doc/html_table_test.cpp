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

namespace {

struct Page : testsupport::TPage {
    explicit Page(const std::string& html, int width = 600) {
        parse(html);
        layout(width);
    }
    std::string shape() const { return TPage::shape(false); }
    TCellObj& cell(int row, int col, int table = 0) const { return *(*this->table(table)->Rows[row])[col]; }
};

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

TEST(TableReading, MoreThanThirtyColumnsFailOnceAndShowThirty) {
    const std::string wide[] = {
        cellsOf(31),
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
}

// Ordinary attribute values are proven by the golden table pages; these are the limits.
TEST(TableReading, AttributesAndTheirLimits) {
    struct Case {
        const char* Attrs;
        bool Border;
        int Spacing, Padding, HSpace, Width;
    };
    const Case cases[] = {
        {"CELLSPACING=100 CELLPADDING=90", false, 40, 50, 5, 0},
        {"CELLSPACING=-3 CELLPADDING=-1", false, 2, 1, 5, 0},
        {"HSPACE=-30", false, 2, 1, 20, 0},
        {"WIDTH=150%", false, 2, 1, 5, 0},
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
    Page cells("<table><tr><td width=0 height=-5>b<td width=120%>c</table>");
    EXPECT_EQ(cells.cell(0, 0).WantedWidth, 0);
    EXPECT_EQ(cells.cell(0, 0).WantedHeight, 0);
    EXPECT_EQ(cells.cell(0, 1).WantedWidth, 0);
}

TEST(TableReading, TextBeforeTheFirstCellGoesBeforeTheTable) {
    Page p("a<table>before <b>bold</b><tr> <td>in</td> stray <td>in2</table>after");
    EXPECT_EQ(p.shape(), "Text(a) Text(before bold) Text(stray ) Table Text(after)");
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
    const TCell& beta = p.cell(0, 1).Cell;
    int x = 0, y = 0;
    ASSERT_TRUE(p.Doc.PositionToPoint(beta.FirstPos + 1, x, y));
    int px = 0, py = 0, caret = 0;
    TCell* hitCell = nullptr;
    bool inText = false;
    EXPECT_EQ(p.Doc.PositionAt(x + 1, y + 2, px, py, caret, hitCell, inText), beta.FirstPos + 1);
    EXPECT_EQ(hitCell, &beta);
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
