// The drawing surface of the HTML engine: text in a font at a baseline, rectangles,
// lines, ellipses, polygons and pictures, on a QPainter over a widget or a QImage.
// Font sizes are points turned into pixels at 96 dots per inch whatever the screen says,
// so that layout is the same on every machine.
#pragma once

#include "platform/colors.h"

#include <QFont>
#include <QImage>
#include <QPolygon>
#include <QRect>
#include <string>
#include <string_view>

class QPainter;

namespace platform {

constexpr int LogicalDpi = 96;

// Pixels of a font of the given point size (12 points are 16 pixels).
int PointsToPixels(int points);

// A font by face, point size and style; underline and strike-out included.
QFont MakeFont(const std::string& face, int points, bool bold = false, bool italic = false,
               bool underline = false, bool strikeOut = false);

struct TTextMetrics {
    int Ascent = 0;
    int Descent = 0;
    int Height = 0;          // ascent + descent
    int ExternalLeading = 0;
    int LineHeight = 0;      // height + external leading
    int Overhang = 0;        // always 0 here
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
};

TTextMetrics MetricsOf(const QFont& font);
// Width in pixels of Latin-1 text in Font.
int TextWidth(const QFont& font, std::string_view text);

// Alpha-composes Image with a mask in the desktop's convention: where the mask is white
// (non-zero) the picture is transparent, where it is black the picture shows.
QImage ApplyMask(const QImage& image, const QImage& mask);

class TCanvas {
public:
    explicit TCanvas(QPainter& painter);

    QPainter& Painter() { return P; }

    // Text at (X, Baseline). Opaque text first fills its cell with Background.
    // With Clip set, nothing is drawn outside it.
    void TextOut(int x, int baseline, std::string_view text, const QFont& font, TColor color,
                 const QRect* clip = nullptr, TColor background = clNone);

    void FillRect(const QRect& r, TColor color);
    void FrameRect(const QRect& r, TColor color);
    void Line(int x1, int y1, int x2, int y2, TColor color, int width = 1);
    // Fill is clNone for an outline only.
    void Ellipse(const QRect& r, TColor pen, TColor fill);
    void Polygon(const QPolygon& points, TColor pen, TColor fill);

    void DrawImage(int x, int y, const QImage& image);
    void StretchImage(const QRect& dest, const QImage& image);
    // Draws Image stretched into Dest, transparent where Mask is white; a null mask draws
    // the picture opaque.
    void DrawMasked(const QRect& dest, const QImage& image, const QImage& mask);

    // The area that needs drawing, in the painter's coordinates (the whole device when
    // no clip is set).
    QRect ClipRect() const;

private:
    QPainter& P;
};

} // namespace platform
