#include "platform/canvas.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace platform {

int PointsToPixels(int points) {
    return static_cast<int>(std::lround(points * static_cast<double>(LogicalDpi) / 72.0));
}

QFont MakeFont(const std::string& face, int points, bool bold, bool italic, bool underline,
               bool strikeOut) {
    QFont f(QString::fromLatin1(face.c_str()));
    f.setPixelSize(std::max(1, PointsToPixels(points)));
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikeOut);
    // Identical pixels offscreen and on screen: no hinting differences, no subpixel AA.
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

TTextMetrics MetricsOf(const QFont& font) {
    QFontMetrics fm(font);
    TTextMetrics m;
    m.Ascent = fm.ascent();
    m.Descent = fm.descent();
    m.Height = m.Ascent + m.Descent;
    m.ExternalLeading = std::max(0, fm.leading());
    m.LineHeight = m.Height + m.ExternalLeading;
    m.AveCharWidth = fm.averageCharWidth();
    m.MaxCharWidth = fm.maxWidth();
    return m;
}

int TextWidth(const QFont& font, std::string_view text) {
    if (text.empty()) return 0;
    QFontMetrics fm(font);
    return fm.horizontalAdvance(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

QImage ApplyMask(const QImage& image, const QImage& mask) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (mask.isNull()) return out;
    const int w = std::min(out.width(), mask.width());
    const int h = std::min(out.height(), mask.height());
    QImage m = mask.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        const auto* mrow = reinterpret_cast<const QRgb*>(m.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if ((mrow[x] & 0xFFFFFF) != 0) row[x] = 0;
    }
    return out;
}

TCanvas::TCanvas(QPainter& painter) : P(painter) {}

void TCanvas::TextOut(int x, int baseline, std::string_view text, const QFont& font,
                      TColor color, const QRect* clip, TColor background) {
    if (text.empty()) return;
    QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    P.save();
    if (clip) P.setClipRect(*clip, Qt::IntersectClip);
    P.setFont(font);
    if (background != clNone) {
        QFontMetrics fm(font);
        P.fillRect(QRect(x, baseline - fm.ascent(), fm.horizontalAdvance(s),
                         fm.ascent() + fm.descent()),
                   ToQColor(background));
    }
    P.setPen(ToQColor(color));
    P.drawText(QPoint(x, baseline), s);
    P.restore();
}

void TCanvas::FillRect(const QRect& r, TColor color) { P.fillRect(r, ToQColor(color)); }

void TCanvas::FrameRect(const QRect& r, TColor color) {
    if (r.width() <= 0 || r.height() <= 0) return;
    QColor c = ToQColor(color);
    P.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    P.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    P.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    P.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

void TCanvas::Line(int x1, int y1, int x2, int y2, TColor color, int width) {
    P.save();
    P.setRenderHint(QPainter::Antialiasing, false);
    P.setPen(QPen(ToQColor(color), width));
    P.drawLine(x1, y1, x2, y2);
    P.restore();
}

void TCanvas::Ellipse(const QRect& r, TColor pen, TColor fill) {
    P.save();
    P.setRenderHint(QPainter::Antialiasing, true);
    P.setPen(pen == clNone ? QPen(Qt::NoPen) : QPen(ToQColor(pen)));
    P.setBrush(fill == clNone ? QBrush(Qt::NoBrush) : QBrush(ToQColor(fill)));
    P.drawEllipse(r.adjusted(0, 0, -1, -1));
    P.restore();
}

void TCanvas::Polygon(const QPolygon& points, TColor pen, TColor fill) {
    P.save();
    P.setPen(pen == clNone ? QPen(Qt::NoPen) : QPen(ToQColor(pen)));
    P.setBrush(fill == clNone ? QBrush(Qt::NoBrush) : QBrush(ToQColor(fill)));
    P.drawPolygon(points, Qt::WindingFill);
    P.restore();
}

void TCanvas::DrawImage(int x, int y, const QImage& image) { P.drawImage(QPoint(x, y), image); }

void TCanvas::StretchImage(const QRect& dest, const QImage& image) {
    if (dest.size() == image.size())
        P.drawImage(dest.topLeft(), image);
    else
        P.drawImage(dest, image);
}

void TCanvas::DrawMasked(const QRect& dest, const QImage& image, const QImage& mask) {
    if (mask.isNull())
        StretchImage(dest, image);
    else
        StretchImage(dest, ApplyMask(image, mask));
}

QRect TCanvas::ClipRect() const {
    if (P.hasClipping()) return P.clipBoundingRect().toAlignedRect();
    if (P.device()) return QRect(0, 0, P.device()->width(), P.device()->height());
    return {};
}

} // namespace platform
