// The arithmetic of table columns, free of cells and canvases: sharing a spanning cell's
// need among the columns it spans, and choosing the width of every column from their
// minimum and maximum widths, their percentages and the width the table may take.
#pragma once

#include <vector>

namespace doc {

// What one column asks for. Widths are pixels and include the cell padding and spacing;
// Share is the column's part of the table width in per mille (0 when it has none).
struct TColumnNeed {
    int Min = 0;
    int Max = 0;
    int Share = 0;
};

// Raises Values[First .. First + Count - 1] so that they add up to at least Need. The
// shortfall is shared in proportion to the current values, equally when they are all 0.
void SpreadOverSpan(std::vector<int>& values, int first, int count, int need);

// The width of every column when the columns may take Width pixels together. Fill is set
// for a table with its own WIDTH: its columns then grow beyond their maximum to fill it.
// Columns never get less than their minimum, so the sum may exceed Width.
std::vector<int> ChooseColumnWidths(const std::vector<TColumnNeed>& columns, int width, bool fill);

} // namespace doc
