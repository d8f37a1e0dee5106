#include "html/color_value.h"

#include "html/tables.h"

namespace html {

namespace {

platform::TColor fromRgb(uint32_t rgb) {
    return platform::RGBColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

bool ColorFromString(std::string& s, platform::TColor& color) {
    if (s.empty()) return false;
    std::string upper = s.substr(0, 10);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const auto& n : ColorTable)
        if (n.Name == upper) {
            color = fromRgb(n.Rgb);
            return true;
        }

    if (auto hash = s.find('#'); hash != std::string::npos) s.erase(hash, 1);
    // A 32-bit hexadecimal number; the bits above the 24 of RRGGBB are dropped.
    if (s.empty() || s.size() > 8) return false;
    uint32_t value = 0;
    for (char c : s) {
        int d = hexDigit(c);
        if (d < 0) return false;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    color = fromRgb(value & 0xFFFFFF);
    return true;
}

} // namespace html
