// Symbol classes the builder's routines share: what ends a list, what the inline routine
// reads, which tags change the style set, and the ALIGN values.
#pragma once

#include "html/symbols.h"

#include <string>

namespace doc {

// Any of these ends the innermost open list, whatever list it names.
bool IsEndOfList(html::TSymbol s);
// The symbols the body hands to the inline routine.
bool IsInlineSymbol(html::TSymbol s);
// Bold, italic, underline, strike-out and sub/superscript tags and their end tags.
bool IsStyleSymbol(html::TSymbol s);
// "left" 1, "center" 2, "right" 3 in any case; anything else gives Otherwise.
int AlignmentOf(const std::string& value, int otherwise);

} // namespace doc
