#include "html/color_value.h"
#include "html/tables.h"

#include <gtest/gtest.h>

using namespace html;
using platform::TColor;

// Every name printed is checked by the symbol dumps of the golden pages.
TEST(SymbolTables, EveryTagLooksItselfUpAndSharedSymbolsAreOne) {
    for (int i = 0; i < TagCount; ++i) EXPECT_EQ(LookupTag(TagTable[i]), i) << TagTable[i];
    for (int i = 0; i < SymbolCount; ++i) EXPECT_NE(SymbolName(static_cast<TSymbol>(i)), "") << i;
    EXPECT_EQ(EndSymbolOf(symTr), symTrEnd);
    EXPECT_EQ(EndSymbolOf(symLi), symUnknown);
    for (auto [name, sym] : {std::pair{"TEXT", symText}, {"SELECTED", symSelected},
                             {"WRAP", symWrap}, {"HTTP-EQUIV", symHttpEquiv}})
        EXPECT_EQ(LookupAttribute(name), sym) << name;
    EXPECT_EQ(LookupAttribute("href"), symOtherAttr) << "names are looked up in upper case";
    EXPECT_EQ(LookupTag("NOSUCHTAG"), symUnknown);
}

TEST(SymbolTables, EntitiesGiveLatin1Codes) {
    // After the four named first come the Latin-1 codes 160 to 255 in order.
    unsigned char code = 0;
    ASSERT_EQ(EntityTable.size(), 4u + 96u);
    for (size_t i = 4; i < EntityTable.size(); ++i) {
        ASSERT_TRUE(LookupEntity(EntityTable[i].Name, code)) << EntityTable[i].Name;
        EXPECT_EQ(code, 160 + (i - 4)) << EntityTable[i].Name;
    }
    EXPECT_TRUE(LookupEntity("quot", code) && code == '"');
    EXPECT_FALSE(LookupEntity("Nbsp", code));
}

TEST(ColorValues, NamesAndHexInPlatformOrder) {
    struct {
        const char* input;
        bool ok;
        TColor color;
        const char* after; // the caller's string afterwards
    } cases[] = {
        {"red", true, platform::clRed, "red"},
        {"Navy", true, platform::clNavy, "Navy"},
        {"FUCHSIA", true, platform::clFuchsia, "FUCHSIA"},
        {"#FF0000", true, platform::clRed, "FF0000"},
        {"0000ff", true, platform::clBlue, "0000ff"},
        {"#c0c0c0", true, platform::clSilver, "c0c0c0"},
        {"12#3456", true, platform::RGBColor(0x12, 0x34, 0x56), "123456"},
        {"FF123456", true, platform::RGBColor(0x12, 0x34, 0x56), "FF123456"},
        {"#1", true, platform::RGBColor(0, 0, 1), "1"},
        {"", false, 7, ""},
        {"#", false, 7, ""},
        {"grey", false, 7, "grey"},
        {"#12345G", false, 7, "12345G"},
        {"123456789", false, 7, "123456789"},
        {"red ", false, 7, "red "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string s = c.input;
        TColor color = 7;
        EXPECT_EQ(ColorFromString(s, color), c.ok);
        EXPECT_EQ(color, c.color);
        EXPECT_EQ(s, c.after);
    }
}
