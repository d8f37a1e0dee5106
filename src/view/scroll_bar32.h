// T32ScrollBar: the viewer's vertical bar. It keeps position, page, minimum and maximum
// the way the desktop's scroll information has them (range Min..Max with a page, so the
// last position is Max - Page + 1) and hands them to Qt only when one of them changes.
#pragma once

#include <QScrollBar>

namespace view {

class T32ScrollBar : public QScrollBar {
public:
    T32ScrollBar(Qt::Orientation orientation, QWidget* parent);

    // Sets all four in one call; the same four values again do nothing. A bar with
    // nothing to scroll is disabled rather than hidden.
    void SetParams(int position, int page, int min, int max);
    void SetPosition(int position) { SetParams(position, FPage, FMin, FMax); }
    int Position() const { return FPosition; }
    int Page() const { return FPage; }
    int Min() const { return FMin; }
    int Max() const { return FMax; }

    int SmallStep = 16;
    int LargeStep = 100;

private:
    int FPosition = 0, FPage = 0, FMin = 0, FMax = 0;
};

} // namespace view
