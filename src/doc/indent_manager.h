// IndentManagerBasic: the left and right margins of a block of text, by y. Floating
// images and open list levels each add a record; text layout asks for the margins at a
// line's y and for the y where the text may widen again.
#pragma once

#include <vector>

namespace doc {

struct IndentRec {
    int Indent = 0;  // pixels from the edge: positive on the left, negative on the right
    int TopY = 0;    // first y covered
    int BottomY = 0; // first y no longer covered
    int Level = 0;   // 0 for a floating image or a closed level, else the list level
};

class IndentManagerBasic {
public:
    static constexpr int LevelIndent = 35; // pixels per list level
    static constexpr int OpenBottom = 9999999;

    void Reset(int lf, int rt);
    void Clear();
    // The left side at Y: LeftEdge plus the largest left indent covering Y.
    int LeftAt(int y) const;
    // The right side at Y: RightEdge plus the smallest right offset covering Y.
    int RightAt(int y) const;
    // A floating image of width W and height H at Y: Justify 1 floats left, 3 right.
    void AddFloat(int y, int w, int justify, int h);
    // Opens list levels up to NewLevel at Y, or closes the levels above it at Y - 1.
    void SetListLevel(int y, int newLevel);
    // The lowest bottom of the floats on either side; 0 when there are none.
    int FloatsBottom() const;
    // For CLEAR: the first y below the left floats and below the right floats (0 when a
    // side has none).
    void ClearPositions(int& cl, int& cr) const;
    // The first y at which the text of the current level may widen again.
    int NextWiderY() const;

    std::vector<IndentRec> LeftList;
    std::vector<IndentRec> RightList;
    int CurrentLevel = 0;
    int LeftEdge = 0;
    int RightEdge = 0;
};

} // namespace doc
