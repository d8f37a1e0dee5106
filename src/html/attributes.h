// The attributes of one tag as the scanner read them: symbol, integer value and string
// value. The scanner's list holds the attributes of the last tag that keeps them.
#pragma once

#include "html/symbols.h"

#include <string>
#include <vector>

namespace html {

struct TAttribute {
    TSymbol Sym = symOtherAttr;
    int IntValue = 0;     // the value as a decimal number (one trailing '%' ignored), else 0
    std::string StrValue; // the value as written, entities decoded, blanks trimmed if quoted
};

class TAttributeList {
public:
    void Clear() { Items.clear(); }
    void Add(TAttribute a) { Items.push_back(std::move(a)); }
    int Count() const { return static_cast<int>(Items.size()); }
    bool Empty() const { return Items.empty(); }
    const TAttribute& operator[](int i) const { return Items[static_cast<size_t>(i)]; }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

    // The first attribute whose symbol is Sym, or nullptr when the tag had none.
    const TAttribute* FindAttribute(TSymbol sym) const {
        for (const auto& a : Items)
            if (a.Sym == sym) return &a;
        return nullptr;
    }

private:
    std::vector<TAttribute> Items;
};

} // namespace html
