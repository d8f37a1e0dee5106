// The margins that floats and list levels make. The pathological pages that lean on the
// manager are laid out whole in the large-page tests.
#include "doc/indent_manager.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <limits>
#include <random>
#include <vector>

using doc::IndentManagerBasic;

namespace {

// The margins by their definition, every record asked every time: what the manager must
// answer however it finds it.
struct PlainMargins {
    std::vector<doc::IndentRec> Left, Right;
    int Level = 0, LeftEdge = 0, RightEdge = 0;

    static int at(const std::vector<doc::IndentRec>& list, int y, bool larger) {
        int v = 0;
        bool any = false;
        for (const auto& r : list)
            if (r.TopY <= y && y < r.BottomY) {
                v = !any ? r.Indent : larger ? std::max(v, r.Indent) : std::min(v, r.Indent);
                any = true;
            }
        return v;
    }
    int leftAt(int y) const { return LeftEdge + at(Left, y, true); }
    int rightAt(int y) const { return RightEdge + at(Right, y, false); }
    static int bottom(const std::vector<doc::IndentRec>& list, int none) {
        int b = none;
        bool any = false;
        for (const auto& r : list)
            if (r.Level == 0) {
                b = any ? std::max(b, r.BottomY) : r.BottomY;
                any = true;
            }
        return b;
    }
    void addFloat(int y, int w, int justify, int h) {
        if (justify == 1) Left.push_back({leftAt(y) - LeftEdge + w, y, y + h, 0});
        if (justify == 3) Right.push_back({rightAt(y) - RightEdge - w, y, y + h, 0});
    }
    void setListLevel(int y, int level) {
        if (level > Level)
            for (int i = Level + 1; i <= level; ++i) Left.push_back({leftAt(y) - LeftEdge + 35, y, 9999999, i});
        else if (level < Level && Level >= 1)
            for (auto& r : Left)
                if (r.Level > level) r = {r.Indent, r.TopY, y - 1, 0};
        Level = level;
    }
};

} // namespace

// Layout asks downwards, with the odd look back (a Reset without Clear, a caller that
// measures above its line); both must give what the definition gives.
TEST(IndentManager, AnswersAsTheDefinitionUnderRandomLayouts) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto rnd = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        IndentManagerBasic m;
        PlainMargins p;
        m.Reset(5, 700);
        p.LeftEdge = 5;
        p.RightEdge = 700;
        int y = 0;
        for (int step = 0; step < 800; ++step) {
            SCOPED_TRACE(step);
            y += rnd(4) == 0 ? 0 : rnd(30);
            const int q = rnd(100) < 6 ? std::max(0, y - rnd(150)) : y;
            switch (rnd(8)) {
            case 0:
            case 1: {
                const int w = 1 + rnd(90), justify = 1 + rnd(3), h = rnd(4) == 0 ? 0 : rnd(200);
                m.AddFloat(q, w, justify, h);
                p.addFloat(q, w, justify, h);
                break;
            }
            case 2: {
                const int level = rnd(5);
                m.SetListLevel(q, level);
                p.setListLevel(q, level);
                break;
            }
            case 3:
                if (rnd(20) == 0) {
                    // A new cell of the same manager: the edges move, the records stay.
                    m.Reset(rnd(40), 300 + rnd(400));
                    p.LeftEdge = m.LeftEdge;
                    p.RightEdge = m.RightEdge;
                    p.Level = 0;
                    y = rnd(200);
                } else if (rnd(20) == 0) {
                    m.Clear();
                    p.Left.clear();
                    p.Right.clear();
                    y = 0;
                }
                break;
            default: break;
            }
            ASSERT_EQ(m.CurrentLevel, p.Level);
            ASSERT_EQ(m.LeftAt(q), p.leftAt(q));
            ASSERT_EQ(m.RightAt(q), p.rightAt(q));
            ASSERT_EQ(m.LeftAt(y + 7), p.leftAt(y + 7));
            ASSERT_EQ(m.RightAt(y + 7), p.rightAt(y + 7));
            const int none = std::numeric_limits<int>::min();
            const int lb = PlainMargins::bottom(p.Left, none), rb = PlainMargins::bottom(p.Right, none);
            ASSERT_EQ(m.FloatsBottom(), std::max(lb, rb) == none ? 0 : std::max(lb, rb));
            int cl = 0, cr = 0;
            m.ClearPositions(cl, cr);
            ASSERT_EQ(cl, PlainMargins::bottom(p.Left, -1) + 1);
            ASSERT_EQ(cr, PlainMargins::bottom(p.Right, -1) + 1);
            ASSERT_EQ(m.LeftList().size(), p.Left.size());
        }
    }
}
