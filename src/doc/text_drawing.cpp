#include "doc/text_drawing.h"

#include "doc/dos_names.h"

#include <QFont>
#include <string>

namespace doc {

using platform::TColor;

int TextWidthOf(const QFont& font, std::string_view text, int length) {
    if (length <= 0) return 0;
    return platform::TextWidth(font, text.substr(0, static_cast<size_t>(length)));
}

void WrapTextRect(platform::TCanvas& canvas, const QFont& font, TColor color, int left, int top,
                  int right, int bottom, std::string_view text) {
    const platform::TTextMetrics metrics = platform::MetricsOf(font);
    const int lineHeight = metrics.Height;
    const QRect clip(left, top, right - left, bottom - top);
    const int width = right - left;
    auto drawLine = [&](const std::string& line, int y) {
        canvas.TextOut(left, y + metrics.Ascent, line, font, color, &clip);
    };

    std::string rest = TrimBlanks(text);
    std::string line;
    int y = top;
    while (!rest.empty() && y + lineHeight <= bottom) {
        size_t space = rest.find(' ');
        std::string word = rest.substr(0, space);
        rest = space == std::string::npos ? std::string() : TrimBlanks(rest.substr(space));
        if (platform::TextWidth(font, line + word) > width) {
            // Note: a first word wider than the box starts on the first line rather than
            // leaving it empty.
            if (!line.empty()) {
                drawLine(line, y);
                y += lineHeight;
            }
            line = word + " ";
        } else {
            line += word + " ";
        }
    }
    if (!line.empty() && y + lineHeight <= bottom) drawLine(line, y);
}

void Draw3DFrame(TColor ownerBackground, platform::TCanvas& canvas, int x1, int y1, int x2, int y2,
                 bool raised) {
    const TColor bg = ownerBackground & ~platform::PaletteRelative;
    const bool white =
        bg == platform::clWhite ||
        (bg == platform::clWindow && platform::ColorToRGB(platform::clWindow) == platform::clWhite);
    const TColor light = white ? platform::clSilver : platform::clBtnHighlight;
    const TColor topLeft = raised ? light : platform::clBtnShadow;
    const TColor bottomRight = raised ? platform::clBtnShadow : light;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    // The four strokes (X1,Y2)-(X1,Y1)-(X2,Y1)-(X2,Y2)-(X1,Y2), each without its end
    // point, so that every pixel of the frame is drawn once.
    canvas.FillRect(QRect(x1, y1 + 1, 1, y2 - y1), topLeft);
    canvas.FillRect(QRect(x1, y1, x2 - x1, 1), topLeft);
    canvas.FillRect(QRect(x2, y1, 1, y2 - y1), bottomRight);
    canvas.FillRect(QRect(x1 + 1, y2, x2 - x1, 1), bottomRight);
}

} // namespace doc
