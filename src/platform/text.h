// Small text helpers for 8-bit text, shared by every layer.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Upper and lower case of 8-bit (ISO 8859-1) text: ASCII letters only, as the
// original program's comparisons did.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EqualNoCase(std::string_view a, std::string_view b);
// Position of Needle in Haystack compared without regard to case, or npos.
size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);
// Removes blanks, tabs and line ends at both ends.
std::string Trim(std::string_view s);

} // namespace platform
