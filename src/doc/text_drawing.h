// Small drawing routines of the engine: text measured in a font, text wrapped into a
// rectangle (the ALT text of a missing picture) and the one-pixel 3-D frame of images and
// controls. All drawing goes through the platform canvas.
#pragma once

#include "platform/canvas.h"
#include "platform/colors.h"

#include <string_view>

class QFont;

namespace doc {

// Width in pixels of the first Length characters of Text in Font.
int TextWidthOf(const QFont& font, std::string_view text, int length);

// Draws Text word-wrapped in Font and Color inside (Left, Top, Right, Bottom), one line
// per height of "A", lines that do not fit left out; a word wider than the box is drawn
// alone on its line and clipped.
void WrapTextRect(platform::TCanvas& canvas, const QFont& font, platform::TColor color, int left,
                  int top, int right, int bottom, std::string_view text);

// A one-pixel frame through (X1, Y1) and (X2, Y2), both corners included. Raised: light
// left and top, shadow right and bottom; sunken the reverse. The light colour is silver
// on a white background (OwnerBackground white, or clWindow when the window colour is
// white), else clBtnHighlight, so that the frame stays visible.
void Draw3DFrame(platform::TColor ownerBackground, platform::TCanvas& canvas, int x1, int y1,
                 int x2, int y2, bool raised);

} // namespace doc
