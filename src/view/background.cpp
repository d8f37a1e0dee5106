#include "view/background.h"

#include <QPainter>

namespace view {

namespace {
// Floor division: document offsets are never negative, but the rule must not depend on it.
int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
} // namespace

QPoint FirstTileOrigin(const QRect& clip, QSize size, int horzPos, int vertPos) {
    const int w = size.width(), h = size.height();
    int x0 = floorDiv(horzPos, w) * w - horzPos;
    int y0 = floorDiv(vertPos, h) * h - vertPos;
    // Straight to the first tile at or past the clip corner, however far away it is.
    if (x0 < clip.left()) x0 += floorDiv(clip.left() - x0 + w - 1, w) * w;
    if (y0 < clip.top()) y0 += floorDiv(clip.top() - y0 + h - 1, h) * h;
    return {x0, y0};
}

void PaintBackground(QPainter& painter, const QRect& clip, platform::TColor color, const QImage& tile,
                     int horzPos, int vertPos) {
    if (tile.isNull() || tile.width() <= 0 || tile.height() <= 0) {
        painter.fillRect(clip, platform::ToQColor(color));
        return;
    }
    const int w = tile.width(), h = tile.height();
    const QPoint origin = FirstTileOrigin(clip, tile.size(), horzPos, vertPos);
    const int right = clip.left() + clip.width(), bottom = clip.top() + clip.height();
    // A picture with transparent parts shows the colour through them.
    if (tile.hasAlphaChannel()) painter.fillRect(clip, platform::ToQColor(color));
    painter.save();
    painter.setClipRect(clip, Qt::IntersectClip);
    for (int y = origin.y() - h; y < bottom; y += h)
        for (int x = origin.x() - w; x < right; x += w) painter.drawImage(x, y, tile);
    painter.restore();
}

} // namespace view
