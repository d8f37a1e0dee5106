#include "doc/indent_manager.h"

#include <algorithm>
#include <limits>

namespace doc {

namespace {

bool covers(const IndentRec& r, int y) {
    return r.TopY <= y && y < r.BottomY;
}

// The largest BottomY of the records that pass Keep; None when no record does.
template <class Pred> int largestBottom(const std::vector<IndentRec>& list, int none, Pred keep) {
    int bottom = none;
    bool any = false;
    for (const auto& r : list)
        if (keep(r)) {
            bottom = any ? std::max(bottom, r.BottomY) : r.BottomY;
            any = true;
        }
    return bottom;
}

bool isFloat(const IndentRec& r) {
    return r.Level == 0;
}

// The indent that Pick prefers among the records covering Y; 0 when none does.
template <class Pick> int indentAt(const std::vector<IndentRec>& list, int y, Pick pick) {
    int indent = 0;
    bool any = false;
    for (const auto& r : list)
        if (covers(r, y)) {
            indent = any ? pick(indent, r.Indent) : r.Indent;
            any = true;
        }
    return indent;
}

} // namespace

void IndentManagerBasic::Reset(int lf, int rt) {
    LeftEdge = lf;
    RightEdge = rt;
    CurrentLevel = 0;
}

void IndentManagerBasic::Clear() {
    LeftList.clear();
    RightList.clear();
}

int IndentManagerBasic::LeftAt(int y) const {
    return LeftEdge + indentAt(LeftList, y, [](int a, int b) { return std::max(a, b); });
}

int IndentManagerBasic::RightAt(int y) const {
    return RightEdge + indentAt(RightList, y, [](int a, int b) { return std::min(a, b); });
}

void IndentManagerBasic::AddFloat(int y, int w, int justify, int h) {
    if (justify == 1)
        LeftList.push_back({LeftAt(y) - LeftEdge + w, y, y + h, 0});
    else if (justify == 3)
        RightList.push_back({RightAt(y) - RightEdge - w, y, y + h, 0});
}

void IndentManagerBasic::SetListLevel(int y, int newLevel) {
    if (newLevel > CurrentLevel) {
        // Each level indents one step more than the left side where it begins.
        for (int i = CurrentLevel + 1; i <= newLevel; ++i)
            LeftList.push_back({LeftAt(y) - LeftEdge + LevelIndent, y, OpenBottom, i});
    } else if (newLevel < CurrentLevel && CurrentLevel >= 1) {
        for (auto& r : LeftList)
            if (r.Level > newLevel) {
                r.Level = 0;
                r.BottomY = y - 1;
            }
    }
    CurrentLevel = newLevel;
}

int IndentManagerBasic::FloatsBottom() const {
    const int none = std::numeric_limits<int>::min();
    int bottom =
        std::max(largestBottom(LeftList, none, isFloat), largestBottom(RightList, none, isFloat));
    return bottom == none ? 0 : bottom;
}

void IndentManagerBasic::ClearPositions(int& cl, int& cr) const {
    cl = largestBottom(LeftList, -1, isFloat) + 1;
    cr = largestBottom(RightList, -1, isFloat) + 1;
}

int IndentManagerBasic::NextWiderY() const {
    int a = 0;
    for (const auto& r : LeftList)
        if (r.Level == CurrentLevel) a = r.Indent;
    return largestBottom(LeftList, 0, [a](const IndentRec& r) { return r.Indent > a; }) + 1;
}

} // namespace doc
