#include "platform/colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

// The classic desktop's colours, used when no application palette exists.
TColor classicSystemColor(unsigned index) {
    switch (index) {
    case 0x05: return clWhite;                   // window
    case 0x06: case 0x07: case 0x08: case 0x12: case 0x15: case 0x17:
        return clBlack;                          // frames and texts
    case 0x0D: return RGBColor(0, 0, 128);       // highlight
    case 0x0E: case 0x14: return clWhite;        // highlight text, button highlight
    case 0x0F: case 0x16: return clSilver;       // button face, 3D light
    case 0x10: case 0x11: return clGray;         // button shadow, grey text
    case 0x18: return RGBColor(255, 255, 225);   // tooltip background
    default: return clSilver;
    }
}

bool paletteRole(unsigned index, QPalette::ColorRole& role) {
    switch (index) {
    case 0x05: role = QPalette::Base; return true;
    case 0x07: case 0x08: role = QPalette::Text; return true;
    case 0x0D: role = QPalette::Highlight; return true;
    case 0x0E: role = QPalette::HighlightedText; return true;
    case 0x0F: role = QPalette::Button; return true;
    case 0x10: role = QPalette::Mid; return true;
    case 0x12: role = QPalette::ButtonText; return true;
    case 0x14: role = QPalette::Light; return true;
    case 0x15: role = QPalette::Shadow; return true;
    case 0x16: role = QPalette::Midlight; return true;
    case 0x17: role = QPalette::ToolTipText; return true;
    case 0x18: role = QPalette::ToolTipBase; return true;
    default: return false;
    }
}

} // namespace

TColor ColorToRGB(TColor c) {
    if (c & SystemColorFlag) {
        unsigned index = c & 0xFF;
        QPalette::ColorRole role;
        if (qGuiApp && paletteRole(index, role))
            return FromQColor(QGuiApplication::palette().color(role));
        return classicSystemColor(index);
    }
    return c & 0x00FFFFFF;
}

QColor ToQColor(TColor c) {
    TColor v = ColorToRGB(c);
    return QColor(static_cast<int>(RedOf(v)), static_cast<int>(GreenOf(v)),
                  static_cast<int>(BlueOf(v)));
}

TColor FromQColor(const QColor& c) {
    return RGBColor(static_cast<unsigned>(c.red()), static_cast<unsigned>(c.green()),
                    static_cast<unsigned>(c.blue()));
}

} // namespace platform
