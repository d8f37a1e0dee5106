#include "view/scroll_bar32.h"

#include <algorithm>

namespace view {

T32ScrollBar::T32ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
    setSingleStep(SmallStep);
}

void T32ScrollBar::SetParams(int position, int page, int min, int max) {
    if (position == FPosition && page == FPage && min == FMin && max == FMax) return;
    FPosition = position;
    FPage = page;
    FMin = min;
    FMax = max;
    const int last = std::max(min, max - std::max(page, 1) + 1);
    const QSignalBlocker quiet(this);
    setRange(min, last);
    setPageStep(std::max(page, 1));
    setValue(std::clamp(position, min, last));
    setEnabled(last > min);
}

} // namespace view
