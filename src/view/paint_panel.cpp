#include "view/paint_panel.h"

#include "platform/messages.h"
#include "view/html_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace view {

TPaintPanel::TPaintPanel(THtmlView* viewer, QWidget* parent) : QWidget(parent), Owner(viewer) {
    // The viewer paints every pixel of the clip itself, so Qt need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void TPaintPanel::paintEvent(QPaintEvent* e) {
    QPainter screen(this);
    platform::Guard([&] { Owner->PanelPaint(e->rect(), screen); });
}

void TPaintPanel::mousePressEvent(QMouseEvent* e) {
    platform::Guard([&] { Owner->PanelMouseDown(e); });
}

void TPaintPanel::mouseMoveEvent(QMouseEvent* e) {
    platform::Guard([&] { Owner->PanelMouseMove(e); });
}

void TPaintPanel::leaveEvent(QEvent*) {
    platform::Guard([&] { Owner->PanelMouseLeave(); });
}

void TPaintPanel::mouseReleaseEvent(QMouseEvent* e) {
    platform::Guard([&] { Owner->PanelMouseUp(e); });
}

void TPaintPanel::mouseDoubleClickEvent(QMouseEvent* e) {
    platform::Guard([&] { Owner->PanelDoubleClick(e); });
}

void TPaintPanel::wheelEvent(QWheelEvent* e) {
    // The wheel scrolls the document as the vertical bar would.
    QApplication::sendEvent(Owner->VScrollBar(), e);
}

TBorderSurface::TBorderSurface(THtmlView* viewer, QWidget* parent) : QWidget(parent), Owner(viewer) {
    setFocusPolicy(Qt::NoFocus);
}

void TBorderSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Owner->PaintFrame(p);
}

} // namespace view
