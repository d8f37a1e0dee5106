// The two surfaces of the viewer: TPaintPanel, on which the document is painted
// (double-buffered, mouse events routed to the viewer), and the border surface behind
// it, which shows the one-pixel frame around the drawing surface.
#pragma once

#include <QWidget>

namespace view {

class THtmlView;

class TPaintPanel : public QWidget {
public:
    TPaintPanel(THtmlView* viewer, QWidget* parent);
    THtmlView* Viewer() const { return Owner; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    THtmlView* Owner;
};

class TBorderSurface : public QWidget {
public:
    TBorderSurface(THtmlView* viewer, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    THtmlView* Owner;
};

} // namespace view
