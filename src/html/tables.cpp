#include "html/tables.h"

#include <vector>

namespace html {

const std::array<std::string_view, TagCount> TagTable = {
    "HTML",   "TITLE",    "BODY",     "HEAD",   "B",     "I",       "H",       "EM",
    "STRONG", "U",        "CITE",     "VAR",    "TT",    "CODE",    "KBD",     "SAMP",
    "OL",     "UL",       "DIR",      "MENU",   "DL",    "A",       "ADDRESS", "BLOCKQUOTE",
    "PRE",    "CENTER",   "TABLE",    "TD",     "TH",    "CAPTION", "FORM",    "TEXTAREA",
    "SELECT", "OPTION",   "FONT",     "SUB",    "SUP",   "BIG",     "SMALL",   "P",
    "MAP",    "FRAMESET", "NOFRAMES", "SCRIPT", "DIV",   "S",       "STRIKE",  "TR",
    "LI",     "BR",       "HR",       "DD",     "DT",    "IMG",     "BASE",    "BUTTON",
    "INPUT",  "SELECTED", "BASEFONT", "AREA",   "FRAME", "BGSOUND", "WRAP",    "META",
};

const std::array<TAttributeName, 58> AttributeTable = {{
    {"HREF", symHref},
    {"NAME", symName},
    {"SRC", symSrc},
    {"ALT", symAlt},
    {"ALIGN", symAlign},
    {"TEXT", symText},
    {"BGCOLOR", symBgcolor},
    {"LINK", symLink},
    {"BACKGROUND", symBackground},
    {"COLSPAN", symColspan},
    {"ROWSPAN", symRowspan},
    {"BORDER", symBorder},
    {"CELLPADDING", symCellpadding},
    {"CELLSPACING", symCellspacing},
    {"VALIGN", symValign},
    {"WIDTH", symWidth},
    {"START", symStart},
    {"VALUE", symValue},
    {"TYPE", symType},
    {"CHECKBOX", symCheckbox},
    {"RADIO", symRadio},
    {"METHOD", symMethod},
    {"ACTION", symAction},
    {"CHECKED", symChecked},
    {"SIZE", symSize},
    {"MAXLENGTH", symMaxlength},
    {"COLS", symCols},
    {"ROWS", symRows},
    {"MULTIPLE", symMultiple},
    {"VALUE", symValue},
    {"SELECTED", symSelected},
    {"FACE", symFace},
    {"COLOR", symColor},
    {"TRANSP", symTransp},
    {"CLEAR", symClear},
    {"ISMAP", symIsmap},
    {"BORDERCOLOR", symBordercolor},
    {"USEMAP", symUsemap},
    {"SHAPE", symShape},
    {"COORDS", symCoords},
    {"NOHREF", symNohref},
    {"HEIGHT", symHeight},
    {"PLAIN", symPlain},
    {"TARGET", symTarget},
    {"NORESIZE", symNoresize},
    {"SCROLLING", symScrolling},
    {"HSPACE", symHspace},
    {"LANGUAGE", symLanguage},
    {"FRAMEBORDER", symFrameborder},
    {"MARGINWIDTH", symMarginwidth},
    {"MARGINHEIGHT", symMarginheight},
    {"LOOP", symLoop},
    {"ONCLICK", symOnclick},
    {"WRAP", symWrap},
    {"NOSHADE", symNoshade},
    {"HTTP-EQUIV", symHttpEquiv},
    {"CONTENT", symContent},
    {"ENCTYPE", symEnctype},
}};

namespace {

// The 96 names of ISO 8859-1 characters 160..255, in code order.
constexpr std::array<std::string_view, 96> LatinNames = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

constexpr std::array<TEntity, 100> makeEntities() {
    std::array<TEntity, 100> t{};
    t[0] = {"amp", '&'};
    t[1] = {"lt", '<'};
    t[2] = {"gt", '>'};
    t[3] = {"quot", '"'};
    for (size_t i = 0; i < LatinNames.size(); ++i)
        t[4 + i] = {LatinNames[i], static_cast<unsigned char>(160 + i)};
    return t;
}

} // namespace

const std::array<TEntity, 100> EntityTable = makeEntities();

const std::array<TColorName, 16> ColorTable = {{
    {"BLACK", 0x000000},
    {"MAROON", 0x800000},
    {"GREEN", 0x008000},
    {"OLIVE", 0x808000},
    {"NAVY", 0x000080},
    {"PURPLE", 0x800080},
    {"TEAL", 0x008080},
    {"GRAY", 0x808080},
    {"SILVER", 0xC0C0C0},
    {"RED", 0xFF0000},
    {"LIME", 0x00FF00},
    {"YELLOW", 0xFFFF00},
    {"BLUE", 0x0000FF},
    {"FUCHSIA", 0xFF00FF},
    {"AQUA", 0x00FFFF},
    {"WHITE", 0xFFFFFF},
}};

TSymbol LookupTag(std::string_view upperName) {
    // Longest tag name is 10 letters; anything longer (a name cut at 150) never matches.
    if (upperName.empty() || upperName.size() > 12) return symUnknown;
    for (int i = 0; i < TagCount; ++i)
        if (TagTable[i] == upperName) return static_cast<TSymbol>(i);
    return symUnknown;
}

TSymbol LookupAttribute(std::string_view upperName) {
    if (upperName.empty() || upperName.size() > 12) return symOtherAttr;
    for (const auto& a : AttributeTable)
        if (a.Name == upperName) return a.Sym;
    return symOtherAttr;
}

bool LookupEntity(std::string_view name, unsigned char& code) {
    for (const auto& e : EntityTable)
        if (e.Name == name) {
            code = e.Code;
            return true;
        }
    return false;
}

namespace {

// "HTTP-EQUIV" -> "HttpEquiv", "BODY" -> "Body".
std::string camelOf(std::string_view upper) {
    std::string s;
    bool startWord = true;
    for (char c : upper) {
        if (c == '-') {
            startWord = true;
            continue;
        }
        s += startWord ? c : static_cast<char>(c - 'A' + 'a');
        startWord = false;
    }
    return s;
}

std::vector<std::string> makeSymbolNames() {
    std::vector<std::string> names(SymbolCount);
    for (int i = 0; i < TagCount; ++i)
        names[i] = "sym" + camelOf(TagTable[i]);
    for (int i = 0; i < TagsWithEnd; ++i)
        names[TagCount + i] = names[i] + "End";
    for (const auto& a : AttributeTable)
        if (names[a.Sym].empty()) names[a.Sym] = "sym" + camelOf(a.Name);
    names[symChar] = "symChar";
    names[symUnknown] = "symUnknown";
    names[symOtherAttr] = "symOtherAttr";
    names[symEof] = "symEof";
    names[symEol] = "symEol";
    return names;
}

} // namespace

const std::string& SymbolName(TSymbol sym) {
    static const std::vector<std::string> names = makeSymbolNames();
    static const std::string invalid = "sym?";
    return sym < names.size() ? names[sym] : invalid;
}

namespace {

constexpr std::array<bool, SymbolCount> makeKeeps() {
    std::array<bool, SymbolCount> keeps{};
    for (TSymbol s : {symBody,     symP,     symBr,   symH,        symHr,     symBase,   symOl,
                      symUl,       symImg,   symA,    symTable,    symTd,     symTr,     symTh,
                      symCaption,  symInput, symForm, symTextarea, symSelect, symOption, symFont,
                      symBasefont, symMap,   symArea, symFrameset, symFrame,  symScript, symDiv,
                      symBgsound,  symWrap,  symMeta})
        keeps[s] = true;
    return keeps;
}

constexpr std::array<bool, SymbolCount> Keeps = makeKeeps();

} // namespace

bool KeepsAttributes(TSymbol sym) {
    return sym < SymbolCount && Keeps[sym];
}

} // namespace html
