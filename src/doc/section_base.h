// The section contract: a block of the document that knows its height, lays itself out
// for a width, draws itself and answers hit tests. TCell is an owning list of sections
// with its own indentation manager (the document itself and every table cell).
#pragma once

#include "doc/free_list.h"
#include "doc/indent_manager.h"
#include "doc/url_target.h"
#include "platform/colors.h"

#include <QRect>
#include <string>

namespace platform {
class TCanvas;
}

namespace doc {

class SelTextCount;
class TCell;
class TFormControlObj;
class TImageObj;
class TSectionList;

// Coordinates: layout and hit tests use document coordinates, x from the cell's left
// edge (0 at layout), y from the document's top. Paint receives the x of the cell's left
// edge on screen and the document y; the list's scroll offset turns it into screen y.
// Measuring needs no canvas here: fonts carry their own metrics.
class TSectionBase {
public:
    explicit TSectionBase(TSectionList* document) : Document(document) {}
    virtual ~TSectionBase() = default;
    TSectionBase(const TSectionBase&) = delete;
    TSectionBase& operator=(const TSectionBase&) = delete;

    TSectionList* Document;
    TCell* ParentList = nullptr;
    int Height = 0;        // pixels
    int PaintedHeight = 0; // pixels actually drawn (floats may reach below Height)
    int Top = 0;           // document y at the last layout or draw
    int FirstPos = 0;      // document position of the first character
    int PosCount = 0;      // positions occupied (0 for sections without text)

    virtual void CopySelection(SelTextCount& sink);
    virtual int Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs);
    virtual int Paint(platform::TCanvas& canvas, const QRect& clip, IndentManagerBasic& im, int x, int y);
    virtual bool LinkAt(int x, int y, TUrlTarget& link, TFormControlObj*& control);
    virtual bool ObjectAt(int x, int y, TImageObj*& obj, int& ix, int& iy);
    virtual int PositionAt(int x, int y, int& px, int& py, int& caretHeight, TCell*& cell, bool& inText);
    virtual int SearchText(int start, const std::string& text, bool matchCase);
    virtual bool PositionToPoint(int pos, int& x, int& y);
    virtual bool CharAt(int pos, char& ch, TSectionBase*& obj);
    virtual void ApplyDefaults() { ComputeFixedHeight(); }
    virtual void ComputeFixedHeight() {}
    virtual void WidthRange(int& minWidth, int& maxWidth);

    // For the layout dump: the kind of section, and its lines as text.
    virtual const char* KindName() const { return "Section"; }
    virtual void DumpLines(std::string&) const {}
};

class TCell : public TFreeList<TSectionBase> {
public:
    explicit TCell(TSectionList* document) : Document(document) {}
    virtual ~TCell() = default;

    TSectionList* Document;
    IndentManagerBasic IM;
    int FirstPos = 0;
    int PosCount = 0;
    // A table cell's BGCOLOR (or the one it inherited); a table inside the cell takes it
    // when it has none of its own.
    bool BkGnd = false;
    platform::TColor BkColor = platform::clNone;

    // Appends a section (taking it) and gives it its parent; returns it.
    TSectionBase* Add(std::unique_ptr<TSectionBase> section);

    int LayoutAll(int y, int width, int& scrollWidth, int& curs);
    void WidthRange(int& minWidth, int& maxWidth);
    int PaintAll(platform::TCanvas& canvas, const QRect& clip, int clipWidth, int x, int y);
    bool LinkAt(int x, int y, TUrlTarget& link, TFormControlObj*& control);
    bool ObjectAt(int x, int y, TImageObj*& obj, int& ix, int& iy);
    int PositionAt(int x, int y, int& px, int& py, int& caretHeight, TCell*& cell, bool& inText);
    int SearchText(int start, const std::string& text, bool matchCase);
    bool PositionToPoint(int pos, int& x, int& y);
    bool CharAt(int pos, char& ch, TSectionBase*& obj);
    void CopySelection(SelTextCount& sink);
    void ApplyDefaults();
    // The layout dump of the sections, each line of it indented by Indent spaces.
    void DumpSections(std::string& out, int indent) const;
};

} // namespace doc
