#include "doc/indent_manager.h"

#include <algorithm>

namespace doc {

namespace {

bool covers(const IndentRec& r, int y) {
    return r.TopY <= y && y < r.BottomY;
}

} // namespace

// ---- One side ----

bool IndentManagerBasic::Side::before(int a, int b) const {
    const int ia = Records[static_cast<size_t>(a)].Indent,
              ib = Records[static_cast<size_t>(b)].Indent;
    return PrefersLarger ? ia < ib : ia > ib;
}

void IndentManagerBasic::Side::noteFloatBottom(int bottom) {
    FloatsBottom = HasFloats ? std::max(FloatsBottom, bottom) : bottom;
    HasFloats = true;
}

void IndentManagerBasic::Side::add(const IndentRec& r, int reached) {
    const int index = static_cast<int>(Records.size());
    Records.push_back(r);
    if (r.Level == 0) noteFloatBottom(r.BottomY);
    auto order = [this](int a, int b) { return before(a, b); };
    auto laterTop = [this](int a, int b) {
        return Records[static_cast<size_t>(a)].TopY > Records[static_cast<size_t>(b)].TopY;
    };
    if (r.TopY > reached) {
        Waiting.push_back(index);
        std::push_heap(Waiting.begin(), Waiting.end(), laterTop);
    } else if (r.BottomY > reached) {
        Started.push_back(index);
        std::push_heap(Started.begin(), Started.end(), order);
    }
    // Otherwise the record ends above every line still to be laid out: only a look back
    // (answered by a scan) can meet it.
}

int IndentManagerBasic::Side::indentDownwards(int y) {
    auto order = [this](int a, int b) { return before(a, b); };
    auto laterTop = [this](int a, int b) {
        return Records[static_cast<size_t>(a)].TopY > Records[static_cast<size_t>(b)].TopY;
    };
    while (!Waiting.empty() && Records[static_cast<size_t>(Waiting.front())].TopY <= y) {
        std::pop_heap(Waiting.begin(), Waiting.end(), laterTop);
        Started.push_back(Waiting.back());
        Waiting.pop_back();
        std::push_heap(Started.begin(), Started.end(), order);
    }
    // Bottoms only ever move up (a closed level), so an expired record stays expired.
    while (!Started.empty() && Records[static_cast<size_t>(Started.front())].BottomY <= y) {
        std::pop_heap(Started.begin(), Started.end(), order);
        Started.pop_back();
    }
    return Started.empty() ? 0 : Records[static_cast<size_t>(Started.front())].Indent;
}

int IndentManagerBasic::Side::indentByScan(int y) const {
    int indent = 0;
    bool any = false;
    for (const auto& r : Records)
        if (covers(r, y)) {
            indent = !any            ? r.Indent
                     : PrefersLarger ? std::max(indent, r.Indent)
                                     : std::min(indent, r.Indent);
            any = true;
        }
    return indent;
}

// ---- The manager ----

int IndentManagerBasic::indentAt(Side& side, int y) const {
    if (y < Reached) return side.indentByScan(y);
    Reached = y;
    return side.indentDownwards(y);
}

void IndentManagerBasic::Reset(int lf, int rt) {
    LeftEdge = lf;
    RightEdge = rt;
    CurrentLevel = 0;
}

void IndentManagerBasic::Clear() {
    for (Side* side : {&Left, &Right}) {
        side->Records.clear();
        side->Started.clear();
        side->Waiting.clear();
        side->HasFloats = false;
        side->FloatsBottom = 0;
    }
    OpenLevels.clear();
    Reached = INT_MIN;
}

int IndentManagerBasic::LeftAt(int y) const {
    return LeftEdge + indentAt(Left, y);
}

int IndentManagerBasic::RightAt(int y) const {
    return RightEdge + indentAt(Right, y);
}

void IndentManagerBasic::AddFloat(int y, int w, int justify, int h) {
    if (justify == 1)
        Left.add({LeftAt(y) - LeftEdge + w, y, y + h, 0}, Reached);
    else if (justify == 3)
        Right.add({RightAt(y) - RightEdge - w, y, y + h, 0}, Reached);
}

void IndentManagerBasic::SetListLevel(int y, int newLevel) {
    if (newLevel > CurrentLevel) {
        // Each level indents one step more than the left side where it begins.
        for (int i = CurrentLevel + 1; i <= newLevel; ++i) {
            Left.add({LeftAt(y) - LeftEdge + LevelIndent, y, OpenBottom, i}, Reached);
            const int index = static_cast<int>(Left.Records.size()) - 1;
            auto at = std::upper_bound(
                OpenLevels.begin(), OpenLevels.end(), i, [this](int level, int other) {
                    return level < Left.Records[static_cast<size_t>(other)].Level;
                });
            OpenLevels.insert(at, index);
        }
    } else if (newLevel < CurrentLevel && CurrentLevel >= 1) {
        while (!OpenLevels.empty() &&
               Left.Records[static_cast<size_t>(OpenLevels.back())].Level > newLevel) {
            IndentRec& r = Left.Records[static_cast<size_t>(OpenLevels.back())];
            r.Level = 0;
            r.BottomY = y - 1;
            Left.noteFloatBottom(r.BottomY);
            OpenLevels.pop_back();
        }
    }
    CurrentLevel = newLevel;
}

int IndentManagerBasic::FloatsBottom() const {
    if (Left.HasFloats && Right.HasFloats) return std::max(Left.FloatsBottom, Right.FloatsBottom);
    if (Left.HasFloats) return Left.FloatsBottom;
    return Right.HasFloats ? Right.FloatsBottom : 0;
}

void IndentManagerBasic::ClearPositions(int& cl, int& cr) const {
    cl = Left.HasFloats ? Left.FloatsBottom + 1 : 0;
    cr = Right.HasFloats ? Right.FloatsBottom + 1 : 0;
}

} // namespace doc
