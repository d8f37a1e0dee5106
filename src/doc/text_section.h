// Text sections: running text with its font runs, inline images and form controls, broken
// into lines at layout. Preformatted lines and list items are text sections with small
// differences.
#pragma once

#include "doc/fonts.h"
#include "doc/image_obj.h"
#include "doc/placeholders.h"
#include "doc/section_base.h"
#include "html/attributes.h"

#include <memory>
#include <string>
#include <vector>

namespace doc {

// Follows the font runs of a section along increasing character positions, so that a
// walk over a line costs one step per character rather than one search.
class RunCursor {
public:
    RunCursor(const TFontList& fonts, int from) : Fonts(fonts), Run(fonts.RunAt(from, Index)), Next(following()) {}
    const TFontObj* at(int pos) {
        while (pos >= Next) {
            Run = Fonts[++Index];
            Next = following();
        }
        return Run;
    }

private:
    int following() const { return Index + 1 < Fonts.Count() ? Fonts[Index + 1]->StartPos : 1 << 30; }
    const TFontList& Fonts;
    int Index = 0;
    const TFontObj* Run;
    int Next;
};

struct LineRec {
    int Start = 0;       // index of the line's first character in the section
    int Count = 0;       // characters on the line
    int TextHeight = 0;  // largest run line height on the line
    int SpaceBefore = 0; // extra room above the text for tall images and controls
    int SpaceAfter = 0;  // extra room below the text
    int Descent = 0;     // largest run descent on the line
    int LineIndent = 0;  // x where the text starts, from the cell's left edge
    int DrawWidth = 0;   // right-most x covered by text and images
    int Height() const { return SpaceBefore + TextHeight + SpaceAfter; }
};

enum TJustify { Left = 1, Centered = 2, Right = 3 };
// Which floating images a section starts below (BR CLEAR=...).
enum class TClearMode { None, Left, Right, Both };
enum class TMarkerKind { None, Ordered, Bullet, Definition };

class TSection : public TSectionBase {
public:
    static constexpr int MaxChars = 20000;

    // Level: list nesting; Justify: 1 left, 2 centre, 3 right; Link: the link the text
    // begins in (may be empty); Font: copied for the first run.
    TSection(TSectionList* document, int level, int justify, const TUrlTarget& link, const TMyFont& font);

    std::string Buff; // the text; codes 4 and 2 are image and control placeholders
    TFontList Fonts;
    TImageObjList Images;
    std::vector<TFormControlObj*> FormControls; // owned by their forms, in text order
    std::vector<LineRec> Lines;
    TMyFont SectionFont; // the font the section was opened with
    int Level = 0;
    int Indent = 0; // 35 pixels per level
    int Justify = Left;
    TClearMode ClearMode = TClearMode::None;
    TMarkerKind MarkerKind = TMarkerKind::None;

    // Building.
    virtual void AppendText(const std::string& text);
    void StartFontRun(const TMyFont& font);
    // A link starts (IsStart) with Target, or the current link ends.
    void MarkLink(bool isStart, const TUrlTarget& target, const TMyFont& font);
    TImageObj* PlaceImage(const html::TAttributeList& attributes);
    void PlaceControl(TFormControlObj* control);
    int EnsureNotEmpty();
    void SetClear(const html::TAttributeList& attributes);

    // The section contract.
    void CopySelection(SelTextCount& sink) override;
    int Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) override;
    int Paint(platform::TCanvas& canvas, const QRect& clip, IndentManagerBasic& im, int x, int y) override;
    bool LinkAt(int x, int y, TUrlTarget& link, TFormControlObj*& control) override;
    bool ObjectAt(int x, int y, TImageObj*& obj, int& ix, int& iy) override;
    int PositionAt(int x, int y, int& px, int& py, int& caretHeight, TCell*& cell, bool& inText) override;
    int SearchText(int start, const std::string& text, bool matchCase) override;
    bool PositionToPoint(int pos, int& x, int& y) override;
    bool CharAt(int pos, char& ch, TSectionBase*& obj) override;
    void ApplyDefaults() override;
    void WidthRange(int& minWidth, int& maxWidth) override;
    const char* KindName() const override { return "Text"; }
    void DumpLines(std::string& out) const override;

    // Width of Count characters from Index, images and controls included; trailing spaces
    // left out when asked (never the first character).
    int TextWidth(int index, int count, bool noTrailingSpaces = false) const;
    // How many characters from Index fit into Width.
    int CountThatFits(int index, int width) const;

protected:
    // The available width for line breaking at Y.
    virtual int LineWidthAt(const IndentManagerBasic& im, int y) const;
    // Draws the marker of a list item on the first line; X is the text start on screen.
    virtual void DrawMarker(platform::TCanvas& canvas, int x, int baseline, const LineRec& line);
    int charWidth(int index) const;
    // The control whose placeholder is at Pos, if any.
    TFormControlObj* controlAt(int pos) const;
    // The width of the character at I as measuring counts it; Runs is at or before I.
    int advance(RunCursor& runs, int i) const;
    int LeftAtLayout = 0; // the left indent where the section began

private:
    // Floats before FloatsEnd begin the line and were placed beside it.
    // Line breaking (line_breaking.cpp).
    void finishLine(LineRec& line, int& y, IndentManagerBasic& im, int right, int floatsEnd);
    // Sizes the section's pictures and controls for a line Available wide; the widest
    // reach of them from the left edge.
    int sizeObjects(int available);
    // How many characters from Start make the line, given that Fit of them fit: up to the
    // last blank that fits (with the blanks after it), or a whole word that does not.
    int breakCount(int start, int fit) const;
    // Painting of one line, and of one piece of its text (returns where the piece ends).
    void paintLine(platform::TCanvas& canvas, const LineRec& line, int x, int ly, int baseline);
    int paintText(platform::TCanvas& canvas, const LineRec& line, int pos, int end, int& cx, int ly, int baseline);
    void registerFloats(const LineRec& line, int y, IndentManagerBasic& im);
    int clearingSpace(int y, const IndentManagerBasic& im) const;
    // Whether the buffer holds nothing but floating images so far.
    bool onlyFloatsSoFar();
    size_t FloatsChecked = 0; // characters of Buff already looked at by onlyFloatsSoFar
    bool OnlyFloats = true;   // and whether all of those were floating images
};

// One source line of preformatted text: spaces are kept and lines never wrap.
class TPreFormated : public TSection {
public:
    using TSection::TSection;
    void AppendText(const std::string& text) override;
    int Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) override;
    void WidthRange(int& minWidth, int& maxWidth) override;
    const char* KindName() const override { return "Pre"; }

protected:
    int LineWidthAt(const IndentManagerBasic& im, int y) const override;
};

// A bullet item (UL, DIR, MENU); Plain items (UL PLAIN) have no bullet.
class TUListItem : public TSection {
public:
    TUListItem(TSectionList* document, int level, int justify, const TUrlTarget& link, const TMyFont& font)
        : TSection(document, level, justify, link, font) {
        MarkerKind = TMarkerKind::Bullet;
    }
    bool Plain = false;
    const char* KindName() const override { return "UListItem"; }

protected:
    void DrawMarker(platform::TCanvas& canvas, int x, int baseline, const LineRec& line) override;
};

// A definition list item (DT or DD): no marker.
class TDListItem : public TUListItem {
public:
    TDListItem(TSectionList* document, int level, int justify, const TUrlTarget& link, const TMyFont& font)
        : TUListItem(document, level, justify, link, font) {
        MarkerKind = TMarkerKind::Definition;
    }
    const char* KindName() const override { return "DListItem"; }

protected:
    void DrawMarker(platform::TCanvas&, int, int, const LineRec&) override {}
};

// A numbered item: ItemNumber in the NumberStyle '1', 'A', 'a', 'I' or 'i'.
class TOListItem : public TUListItem {
public:
    TOListItem(TSectionList* document, int level, int justify, const TUrlTarget& link, const TMyFont& font,
               int itemNumber, char numberStyle)
        : TUListItem(document, level, justify, link, font), ItemNumber(itemNumber), NumberStyle(numberStyle) {
        MarkerKind = TMarkerKind::Ordered;
    }
    int ItemNumber;
    char NumberStyle;
    // The marker text, "A." or "xix." or "7.".
    std::string MarkerText() const;
    const char* KindName() const override { return "OListItem"; }

protected:
    void DrawMarker(platform::TCanvas& canvas, int x, int baseline, const LineRec& line) override;
};

} // namespace doc
