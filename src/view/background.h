// The document background: the colour, or the BACKGROUND picture tiled so that the tiles
// stay fixed to the document while it scrolls.
#pragma once

#include "platform/colors.h"

#include <QImage>
#include <QRect>

class QPainter;

namespace view {

// The top-left corner of the first tile at or right of/below Clip's corner, for a
// document scrolled to (HorzPos, VertPos); tiles repeat every Size from there on.
QPoint FirstTileOrigin(const QRect& clip, QSize size, int horzPos, int vertPos);

// Paints the background of Clip (surface coordinates): Tile repeated from the document's
// top-left corner when Tile is not null, else the plain Color.
void PaintBackground(QPainter& painter, const QRect& clip, platform::TColor color, const QImage& tile,
                     int horzPos, int vertPos);

} // namespace view
