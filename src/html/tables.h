// The fixed vocabularies of the HTML engine: 64 tag names, 58 attribute names, 100
// character entities and 16 colour names. Lookups search in table order, so the first
// of two equal entries wins (VALUE stands twice in the attribute table).
#pragma once

#include "html/symbols.h"
#include "platform/colors.h"

#include <array>
#include <string_view>

namespace html {

struct TAttributeName {
    std::string_view Name; // upper case, as written in HTML ("HTTP-EQUIV")
    TSymbol Sym;
};

struct TEntity {
    std::string_view Name; // exact case ("Agrave" and "agrave" differ)
    unsigned char Code;
};

struct TColorName {
    std::string_view Name; // upper case
    uint32_t Rgb;          // 0xRRGGBB as written in HTML
};

// Tag n of this table has the start symbol n; names are upper case, at most 12 letters.
extern const std::array<std::string_view, TagCount> TagTable;
extern const std::array<TAttributeName, 58> AttributeTable;
extern const std::array<TEntity, 100> EntityTable;
extern const std::array<TColorName, 16> ColorTable;

// Start symbol of an upper-case tag name, or symUnknown.
TSymbol LookupTag(std::string_view upperName);
// Symbol of an upper-case attribute name, or symOtherAttr.
TSymbol LookupAttribute(std::string_view upperName);
// Character of an entity name (compared with exact case); false when unknown.
bool LookupEntity(std::string_view name, unsigned char& code);

} // namespace html
