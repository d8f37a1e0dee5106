// Text measured through the document's host; its picture requests and timer are in the
// image tests.
#include "doc/doc_page.h"

#include <gtest/gtest.h>

using namespace doc;

TEST(TextMeasuring, LinesBreakByTheHostsMetricsAndFacesAreNotShared) {
    // The same font measured on the screen first must not hand its widths to a document
    // measured otherwise.
    testsupport::TPage screen;
    screen.parse("iiii");
    // 12-point text measured with fixed metrics is 16 pixels high and 8 wide per character
    // (9 in bold).
    testsupport::TPage p;
    p.Host.Fonts = &testsupport::FixedMetrics();
    p.parse("iiii bbbb cccc dddd <B>ee</B>");
    TSection* s = p.texts().at(0);
    EXPECT_EQ(s->TextWidth(0, 4), 32);
    EXPECT_NE(screen.texts().at(0)->TextWidth(0, 4), 32);
    EXPECT_EQ(s->TextWidth(20, 2), 18) << "bold";
    // 100 pixels hold "iiii bbbb " (80) but not "iiii bbbb cccc" (112); then "cccc dddd "
    // (80) and the bold "ee" (18).
    p.layout(100);
    ASSERT_EQ(s->Lines.size(), 2u);
    EXPECT_EQ(s->Lines[0].Count, 10);
    EXPECT_EQ(s->Lines[1].Count, 12);
    EXPECT_EQ(s->Lines[0].DrawWidth - s->Lines[0].LineIndent, 72)
        << "the trailing space is not drawn";
    EXPECT_EQ(s->Lines[1].DrawWidth - s->Lines[1].LineIndent, 98);
    for (const LineRec& line : s->Lines) {
        EXPECT_EQ(line.TextHeight, 16);
        EXPECT_EQ(line.Descent, 3);
    }
    // A word wider than the window overflows on a line of its own rather than being split.
    p.Doc.Clear();
    p.parse("short " + std::string(20, 'w') + " after");
    p.layout(100);
    const TSection* w = p.texts().at(0);
    ASSERT_EQ(w->Lines.size(), 3u);
    EXPECT_EQ(w->Buff.substr(static_cast<size_t>(w->Lines[1].Start), 21), std::string(20, 'w') + " ");
    EXPECT_GT(w->Lines[1].DrawWidth, 100);
}
