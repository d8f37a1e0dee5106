// A readable text of the symbol stream of an HTML text, one symbol per line with its
// token text, heading level and kept attributes: what the golden tests compare and
// what one looks at when a page is built wrongly.
#pragma once

#include "html/scanner.h"

#include <string>
#include <string_view>

namespace html {

// One symbol of the scanner's current state, e.g.
//   symH 3
//     symAlign "center" 0
//   symText "Caf\xe9 au lait"
// Attributes are listed only for tags that keep them. Bytes outside printable ASCII are
// written as \r, \n or \xHH.
std::string DumpSymbol(const TScanner& scanner);

// The whole stream of Text, switching to the raw modes as the builder does (TEXTAREA,
// SCRIPT with comments off, PRE with white space kept). A parse error ends the dump
// with a line "EParseError: <message>".
std::string DumpSymbols(std::string_view text, TIncludeHandler include = nullptr);

// Text in double quotes with the escapes above.
std::string QuotedForDump(std::string_view text);

} // namespace html
