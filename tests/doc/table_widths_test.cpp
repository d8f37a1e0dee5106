// The column arithmetic of tables, without cells: spans spread over columns and the
// choice of column widths.
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
        {"too narrow: the minimums", {{50, 100}, {60, 80}}, 100, false, {50, 60}},
        {"room enough: the maximums", {{10, 50}, {20, 30}}, 200, false, {50, 30}},
        {"a WIDTH fills the rest in proportion to the maximums", {{10, 50}, {20, 30}}, 160, true, {100, 60}},
        {"between: minimum plus a part of the rest", {{10, 50}, {20, 30}}, 60, false, {34, 26}},
        {"empty columns filling a WIDTH share equally", {{0, 0}, {0, 0}}, 100, true, {50, 50}},
        {"a percentage and a plain column taking the rest", {{10, 20, 500}, {10, 20}}, 200, false, {99, 101}},
        {"a percentage shrinks to what the plain maximums leave", {{10, 20, 800}, {10, 150}}, 200, false, {50, 150}},
        {"a percentage below the minimum is dropped", {{120, 150, 300}, {10, 20}}, 200, false, {176, 24}},
        {"shares of 1000 or more: plain columns stop at their maximum",
         {{10, 20, 600}, {10, 20, 600}, {10, 40}},
         300,
         false,
         {130, 130, 40}},
        {"only percentages, no WIDTH: the table stays narrower", {{10, 20, 250}, {10, 20, 250}}, 400, false, {99, 99}},
        {"only percentages filling a WIDTH", {{10, 20, 250}, {10, 20, 250}}, 400, true, {200, 200}},
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
        {"in proportion to the current values", {10, 30, 7}, 0, 2, 80, {20, 60, 7}},
        {"equally when all are zero, the rest to the last", {5, 0, 0, 0}, 1, 3, 10, {5, 3, 3, 4}},
        {"nothing when the columns suffice", {50, 50}, 0, 2, 90, {50, 50}},
        {"a span beyond the columns is ignored", {1, 1}, 1, 5, 90, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<int> v = c.Values;
        SpreadOverSpan(v, c.First, c.Count, c.Need);
        EXPECT_EQ(v, c.Expected);
    }
}
