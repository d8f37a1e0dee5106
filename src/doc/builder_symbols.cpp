#include "doc/builder_symbols.h"

#include "platform/text.h"

#include <array>
#include <initializer_list>

namespace doc {

using namespace html;

namespace {

using TTable = std::array<bool, SymbolCount>;

constexpr TTable tableOf(std::initializer_list<TSymbol> symbols) {
    TTable t{};
    for (TSymbol s : symbols) t[s] = true;
    return t;
}

constexpr TTable EndOfList =
    tableOf({symOlEnd, symUlEnd, symDirEnd, symMenuEnd, symDlEnd, symBlockquoteEnd});

constexpr TTable Style = tableOf({symB,      symBEnd,      symI,      symIEnd,    symEm,   symEmEnd,
                                  symStrong, symStrongEnd, symU,      symUEnd,    symCite, symCiteEnd,
                                  symVar,    symVarEnd,    symS,      symSEnd,    symStrike,
                                  symStrikeEnd, symSub,    symSubEnd, symSup,     symSupEnd});

constexpr TTable Inline = [] {
    TTable t = tableOf({symP,       symPEnd,       symBr,      symH,        symHEnd,     symTt,
                        symTtEnd,   symCode,       symCodeEnd, symKbd,      symKbdEnd,   symSamp,
                        symSampEnd, symAddress,    symAddressEnd, symPre,   symImg,      symA,
                        symAEnd,    symText,       symTable,   symInput,    symForm,     symFormEnd,
                        symTextarea, symTextareaEnd, symSelect, symFont,    symFontEnd,  symBasefont,
                        symBig,     symBigEnd,     symSmall,   symSmallEnd, symMap,      symScript});
    for (size_t i = 0; i < t.size(); ++i) t[i] = t[i] || Style[i];
    return t;
}();

} // namespace

bool IsEndOfList(TSymbol s) { return s < SymbolCount && EndOfList[s]; }
bool IsInlineSymbol(TSymbol s) { return s < SymbolCount && Inline[s]; }
bool IsStyleSymbol(TSymbol s) { return s < SymbolCount && Style[s]; }

int AlignmentOf(const std::string& value, int otherwise) {
    const std::string v = platform::LowerCase(value);
    if (v == "left") return 1;
    if (v == "center") return 2;
    if (v == "right") return 3;
    return otherwise;
}

} // namespace doc
