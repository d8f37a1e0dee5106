// Tables seen through the viewer: a table wider than the window scrolls sideways, and a
// table with too many columns is reported after the page is shown.
#include "view_fixture.h"

#include "doc/html_table.h"

#include <QScrollBar>

using namespace viewtest;

TEST_F(ViewTest, ATableWiderThanTheWindowScrollsSideways) {
    View->LoadDocument(page("wide.htm", "<table border><tr><td><img width=700 height=10><td>beside</table>"));
    EXPECT_GT(View->WidestLine(), 700);
    EXPECT_TRUE(View->HScrollBar()->isVisibleTo(View.get()));
    View->LoadDocument(page("narrow.htm", "<table border><tr><td>small<td>table</table>"));
    EXPECT_FALSE(View->HScrollBar()->isVisibleTo(View.get()));
}

TEST_F(ViewTest, TooManyColumnsIsReportedAfterThePageIsShown) {
    std::string html = "<p>before<table border><tr>";
    for (int i = 0; i < 31; ++i) html += "<td>c" + std::to_string(i);
    const std::string file = page("cols.htm", html + "</table><p>after");
    EXPECT_EQ(testsupport::FailureOf<doc::EProcessError>([&] { View->LoadDocument(file); }),
              doc::TooManyColumnsMessage);
    // The page was laid out all the same: the text after the table has its place.
    const int after = View->Sections().SearchText(0, "after", true);
    ASSERT_GE(after, 0);
    int x = 0, y = 0;
    ASSERT_TRUE(View->Sections().PositionToPoint(after, x, y));
    EXPECT_GT(y, 0);
    EXPECT_GT(View->DocHeight(), y);
    EXPECT_FALSE(View->Processing());
    // The failure is not raised again by later layouts.
    const int height = View->DocHeight();
    View->resize(View->width() + 50, View->height());
    EXPECT_GT(View->DocHeight(), 0);
    EXPECT_LE(View->DocHeight(), height);
}
