// IndentManagerBasic: the left and right margins of a block of text, by y. Floating
// images and open list levels each add a record; text layout asks for the margins at a
// line's y and for the y where the text may widen again.
#pragma once

#include <climits>
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

    // Every record of a side, in the order added.
    const std::vector<IndentRec>& LeftList() const { return Left.Records; }
    const std::vector<IndentRec>& RightList() const { return Right.Records; }

    int CurrentLevel = 0;
    int LeftEdge = 0;
    int RightEdge = 0;

private:
    // Layout asks downwards, so a record whose bottom lies above the y last asked for can
    // never answer again. Each side keeps the records that still may in a heap ordered by
    // the indent it prefers (the largest on the left, the smallest on the right), and those
    // that begin further down in a heap by their top; a record leaves when it surfaces
    // expired. A question about a y above the one last asked for is answered from every
    // record, so the answers never depend on the order of the questions.
    struct Side {
        std::vector<IndentRec> Records;
        std::vector<int> Started; // indices of records with TopY <= Reached
        std::vector<int> Waiting; // indices of records with TopY > Reached
        bool HasFloats = false;
        int FloatsBottom = 0; // largest BottomY of the level-0 records, when HasFloats
        bool PrefersLarger = true;

        void add(const IndentRec& r, int reached);
        void noteFloatBottom(int bottom);
        // The preferred indent covering Y, Y >= Reached; prunes what lies above Y.
        int indentDownwards(int y);
        int indentByScan(int y) const;
        bool before(int a, int b) const; // heap order of Started: B is preferred
    };

    int indentAt(Side& side, int y) const;

    mutable Side Left{{}, {}, {}, false, 0, true};
    mutable Side Right{{}, {}, {}, false, 0, false};
    mutable int Reached = INT_MIN; // the largest y asked for since Clear (layout goes down)
    // Indices into Left.Records of the open list levels, ordered by Level.
    std::vector<int> OpenLevels;
};

} // namespace doc
