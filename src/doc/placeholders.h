// The characters that stand in a section's text for an inline picture and a form control.
// They take a position like any character but are never copied or searched as text.
#pragma once

namespace doc {

constexpr char ImagePlaceholder = 4;
constexpr char ControlPlaceholder = 2;

inline bool IsPlaceholder(char c) { return c == ImagePlaceholder || c == ControlPlaceholder; }

} // namespace doc
