// File names from link addresses: %XX escapes decoded and "file://" removed, so that a
// link in a local page names a local file.
#pragma once

#include <string>
#include <string_view>

namespace doc {

// Decodes %XX escapes (see below); for names containing "/" removes "file://" and turns
// "|" into ":". POSIX names keep their case and their "/" separators. A DOS-style name
// with a drive ("FILE:///C|/Dir/Page.HTM") is converted the classic way: lower case,
// backslashes ("c:\dir\page.htm").
// Decoding: while the first '%' is not the first character and two characters follow,
// it and the two are replaced by the character they give in hexadecimal, and the search
// starts again from the beginning; a '%' in the first position or a '%' not followed by
// two hexadecimal digits ends the decoding.
std::string UrlToDosName(std::string_view name);

// UrlToDosName, then ServerRoot in front of a name rooted at the server: one that
// begins with "\", or with "/" when it was not given as a "file://" address.
std::string RootedDosName(std::string_view name, std::string_view serverRoot);

// S without the characters of code 32 and below at either end.
std::string TrimBlanks(std::string_view s);

} // namespace doc
