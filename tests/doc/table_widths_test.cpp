// The column arithmetic of tables, without cells: spans spread over columns and the
// choice of column widths. Ordinary widths are in the golden table pages; these are the edges.
#include "doc/table_widths.h"

#include <gtest/gtest.h>

using namespace doc;

TEST(TableWidths, ChoosingColumnWidths) {
    struct Case {
        const char* Name;
        std::vector<TColumnNeed> Columns;
        int Width;
        bool Fill;
        std::vector<int> Expected;
    };
    const Case cases[] = {
        {"empty columns filling a WIDTH share equally", {{0, 0}, {0, 0}}, 100, true, {50, 50}},
        {"a percentage below the minimum is dropped", {{120, 150, 300}, {10, 20}}, 200, false, {176, 24}},
        {"shares of 1000 or more: plain columns stop at their maximum",
         {{10, 20, 600}, {10, 20, 600}, {10, 40}},
         300,
         false,
         {130, 130, 40}},
        {"only percentages, no WIDTH: the table stays narrower", {{10, 20, 250}, {10, 20, 250}}, 400, false, {99, 99}},
        {"no columns", {}, 100, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ChooseColumnWidths(c.Columns, c.Width, c.Fill), c.Expected);
    }
}

TEST(TableWidths, SpansShareTheirShortfall) {
    struct Case {
        const char* Name;
        std::vector<int> Values;
        int First, Count, Need;
        std::vector<int> Expected;
    };
    const Case cases[] = {
        {"equally when all are zero, the rest to the last", {5, 0, 0, 0}, 1, 3, 10, {5, 3, 3, 4}},
        {"a span beyond the columns is ignored", {1, 1}, 1, 5, 90, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<int> v = c.Values;
        SpreadOverSpan(v, c.First, c.Count, c.Need);
        EXPECT_EQ(v, c.Expected);
    }
}
