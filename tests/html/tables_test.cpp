#include "html/color_value.h"

#include <gtest/gtest.h>

using namespace html;
using platform::TColor;

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
