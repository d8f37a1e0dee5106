// TSymbol: the one enumeration of the HTML engine's vocabulary. Every tag has a start
// symbol, the first 48 tags also an end symbol, every attribute name a symbol, and the
// scanner adds its own (text runs, single characters, unknown tags, end of input...).
#pragma once

#include <cstdint>
#include <string>

namespace html {

// The values follow the tables: the start symbol of the n-th tag is n, the end symbol of
// the n-th tag (n < 48) is 64 + n; attribute symbols follow. Code relies on that layout
// only through the helpers below.
enum TSymbol : uint8_t {
    // Tags that have an end symbol, in table order.
    symHtml,
    symTitle,
    symBody,
    symHead,
    symB,
    symI,
    symH,
    symEm,
    symStrong,
    symU,
    symCite,
    symVar,
    symTt,
    symCode,
    symKbd,
    symSamp,
    symOl,
    symUl,
    symDir,
    symMenu,
    symDl,
    symA,
    symAddress,
    symBlockquote,
    symPre,
    symCenter,
    symTable,
    symTd,
    symTh,
    symCaption,
    symForm,
    symTextarea,
    symSelect,
    symOption,
    symFont,
    symSub,
    symSup,
    symBig,
    symSmall,
    symP,
    symMap,
    symFrameset,
    symNoframes,
    symScript,
    symDiv,
    symS,
    symStrike,
    symTr,
    // Tags without an end symbol: their closing tags scan as symUnknown.
    symLi,
    symBr,
    symHr,
    symDd,
    symDt,
    symImg,
    symBase,
    symButton,
    symInput,
    symSelected,
    symBasefont,
    symArea,
    symFrame,
    symBgsound,
    symWrap,
    symMeta,
    // End symbols of the first 48 tags, in the same order.
    symHtmlEnd,
    symTitleEnd,
    symBodyEnd,
    symHeadEnd,
    symBEnd,
    symIEnd,
    symHEnd,
    symEmEnd,
    symStrongEnd,
    symUEnd,
    symCiteEnd,
    symVarEnd,
    symTtEnd,
    symCodeEnd,
    symKbdEnd,
    symSampEnd,
    symOlEnd,
    symUlEnd,
    symDirEnd,
    symMenuEnd,
    symDlEnd,
    symAEnd,
    symAddressEnd,
    symBlockquoteEnd,
    symPreEnd,
    symCenterEnd,
    symTableEnd,
    symTdEnd,
    symThEnd,
    symCaptionEnd,
    symFormEnd,
    symTextareaEnd,
    symSelectEnd,
    symOptionEnd,
    symFontEnd,
    symSubEnd,
    symSupEnd,
    symBigEnd,
    symSmallEnd,
    symPEnd,
    symMapEnd,
    symFramesetEnd,
    symNoframesEnd,
    symScriptEnd,
    symDivEnd,
    symSEnd,
    symStrikeEnd,
    symTrEnd,
    // Attributes. TEXT, SELECTED and WRAP share symText, symSelected and symWrap; both
    // VALUE entries of the attribute table give symValue.
    symHref,
    symName,
    symSrc,
    symAlt,
    symAlign,
    symBgcolor,
    symLink,
    symBackground,
    symColspan,
    symRowspan,
    symBorder,
    symCellpadding,
    symCellspacing,
    symValign,
    symWidth,
    symStart,
    symValue,
    symType,
    symCheckbox,
    symRadio,
    symMethod,
    symAction,
    symChecked,
    symSize,
    symMaxlength,
    symCols,
    symRows,
    symMultiple,
    symFace,
    symColor,
    symTransp,
    symClear,
    symIsmap,
    symBordercolor,
    symUsemap,
    symShape,
    symCoords,
    symNohref,
    symHeight,
    symPlain,
    symTarget,
    symNoresize,
    symScrolling,
    symHspace,
    symLanguage,
    symFrameborder,
    symMarginwidth,
    symMarginheight,
    symLoop,
    symOnclick,
    symNoshade,
    symHttpEquiv,
    symContent,
    symEnctype,
    // The scanner's own symbols.
    symText,      // a run of text (token text); also the TEXT attribute
    symChar,      // one character that is neither text, tag nor entity ('>' or a control)
    symUnknown,   // a tag not in the table, or the closing tag of a tag without end symbol
    symOtherAttr, // an attribute whose name is not in the table
    symEof,       // end of input
    symEol,       // end of a line, only in the TEXTAREA and SCRIPT raw modes
};

constexpr int TagCount = 64;
constexpr int TagsWithEnd = 48;
constexpr int SymbolCount = symEol + 1;

// The end symbol of a start symbol, or symUnknown for tags without one.
constexpr TSymbol EndSymbolOf(TSymbol start) {
    return start < TagsWithEnd ? static_cast<TSymbol>(start + TagCount) : symUnknown;
}

// "symBody", "symHEnd", "symHttpEquiv", ...: the name as written in code, for dumps.
const std::string& SymbolName(TSymbol sym);

// Whether a tag refills the attribute list (BODY, P, IMG, A, TABLE, ...); for every
// other symbol the attributes are read and dropped and the list keeps its contents.
bool KeepsAttributes(TSymbol sym);

} // namespace html
