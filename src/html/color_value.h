// Colour values of HTML attributes (BGCOLOR, TEXT, COLOR, ...): one of the 16 colour
// names or a hexadecimal RRGGBB with or without '#'.
#pragma once

#include "platform/colors.h"

#include <string>

namespace html {

// True when S names a colour; Color then holds it in the platform order (red in the low
// byte) without the palette-relative flag, which callers add when they store it.
// The first '#' is removed from S itself (callers see "#FF0000" become "FF0000").
// On failure Color is left unchanged.
bool ColorFromString(std::string& s, platform::TColor& color);

} // namespace html
