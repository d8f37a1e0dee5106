// Block sections without text: the space after a paragraph and around a heading, and the
// horizontal rule.
#pragma once

#include "doc/section_base.h"
#include "html/attributes.h"
#include "platform/colors.h"

namespace doc {

// The space a paragraph break leaves: 14 pixels at a default size of 12.
class TParagraphSpace : public TSectionBase {
public:
    using TSectionBase::TSectionBase;
    void ComputeFixedHeight() override;
    void CopySelection(SelTextCount& sink) override;
    const char* KindName() const override { return "ParagraphSpace"; }
};

// The space around a heading of level 1..6 (16, 12, 10, 8, 6, 4 pixels at size 12).
class THeadingSpace : public TSectionBase {
public:
    THeadingSpace(TSectionList* document, int level) : TSectionBase(document), Level(level) {}
    int Level;
    void ComputeFixedHeight() override;
    void CopySelection(SelTextCount& sink) override;
    const char* KindName() const override { return "HeadingSpace"; }
};

enum class THrAlign { Left, Center, Right };

class THorzLine : public TSectionBase {
public:
    THorzLine(TSectionList* document, const html::TAttributeList& attributes);
    int Thickness = 2;     // 1..20
    int Width = -1;        // pixels or percent; -1 when not given
    bool IsPercent = false;
    THrAlign Alignment = THrAlign::Center;
    bool NoShade = false;
    platform::TColor Color = platform::clBlack;
    bool HasColor = false;

    void ComputeFixedHeight() override;
    void CopySelection(SelTextCount& sink) override;
    int Layout(int y, IndentManagerBasic& im, int& maxWidth, int& curs) override;
    int Paint(platform::TCanvas& canvas, const QRect& clip, IndentManagerBasic& im, int x, int y) override;
    const char* KindName() const override { return "HorzLine"; }

private:
    int LeftAtLayout = 0, RightAtLayout = 0;
};

} // namespace doc
