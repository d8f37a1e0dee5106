// THtmlView: layout for the current width, the placing of the surface and the bars,
// scrolling by bar, key and program, and the double-buffered painting of the surface.
#include "view/html_view.h"

#include "doc/html_table.h"
#include "doc/image_obj.h"
#include "image/gif_image.h"
#include "platform/canvas.h"
#include "view/background.h"
#include "view/paint_panel.h"
#include "view/scroll_bar32.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <exception>

namespace view {

// ---- Layout ----

void THtmlView::DoLayout() {
    FWidestLine = 0;
    LayingOut = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{LayingOut};
    const int f = FBorderStyle == htNone ? 1 : 3;
    int scrollWidth = 0;
    const bool vertical = FScrollBars == ssVertical || FScrollBars == ssBoth;
    const int available = width() - (vertical ? FBarThickness : 0) - f - 2 * FMarginWidth;
    // A table with too many columns fails its first layout only, cut to the columns it may
    // have: the layout is done again so that the page can be shown, then the first failure
    // goes on. Each such table fails once, so the retries end.
    std::exception_ptr failure;
    int height = 0;
    for (;;) {
        try {
            height = List->DoLayout(std::max(available, 0), scrollWidth);
            break;
        } catch (const doc::EProcessError&) {
            if (!failure) failure = std::current_exception();
        }
    }
    FDocHeight = height + (vertical ? 2 : 1) * FMarginHeight;
    FWidestLine = scrollWidth;
    LayingOut = false;
    ArrangeScrollBars();
    if (failure) std::rethrow_exception(failure);
}

void THtmlView::ArrangeScrollBars() {
    FWidestLine = std::min(FWidestLine, MaxHorzWidth);
    const int b = FBorderStyle == htNone ? 0 : 1;
    const int sbw = FBarThickness;
    const int cw = FWidestLine + 2 * FMarginWidth;
    const int w = width(), h = height();
    const bool vertStyle = FScrollBars == ssVertical || FScrollBars == ssBoth;
    const bool horzStyle = FScrollBars == ssHorizontal || FScrollBars == ssBoth;

    const bool vNeeded =
        vertStyle && (FDocHeight >= h - 2 || (FScrollBars == ssBoth && FDocHeight >= h - 2 - sbw && cw > w - sbw));
    const bool hNeeded = horzStyle && (cw > w || (vNeeded && cw > w - sbw));

    const int aw = w - (vNeeded ? sbw : 0);
    Panel->setGeometry(b, b, std::max(aw - 2 * b, 0), std::max(h - 2 * b - (hNeeded ? sbw : 0), 0));
    const int surfaceH = Panel->height();

    HorzLargeStep = std::max(1, aw - 20);
    HBar->setGeometry(b, h - sbw - b, std::max(aw - b, 0), sbw);
    HorzMax = std::max(cw, aw - 2 * b);
    HBar->setRange(0, MaxHorzPosition());
    HBar->setPageStep(std::max(aw, 1));
    HBar->setVisible(hNeeded);
    HPos = std::min(HPos, MaxHorzPosition());

    VBar->setGeometry(w - sbw - b, b, sbw, surfaceH);
    VBar->LargeStep = surfaceH - VertSmallStep;
    VBar->setVisible(vNeeded);
    VBar->SetParams(VBar->Position(), surfaceH + 1, 0, FDocHeight);
}

// ---- Positions ----

int THtmlView::MaxViewTop() const { return std::max(0, FDocHeight - Panel->height()); }

int THtmlView::MaxHorzPosition() const { return std::max(0, HorzMax - Panel->width()); }

int THtmlView::HorzPosition() const { return HPos; }

int THtmlView::SectionTop(int index) const {
    // The top margin belongs to the first section, so that the top of the document packs
    // as position 0 and comes back as the top.
    return index == 0 ? 0 : (*List)[index]->Top + FMarginHeight;
}

int THtmlView::SectionPosition() const {
    if (List->Empty()) return 0;
    int index = 0;
    for (int i = 1; i < List->Count() && SectionTop(i) <= VPos; ++i) index = i;
    return index * 65536 + (VPos - SectionTop(index)) % 65536;
}

void THtmlView::SetSectionPosition(int packed) {
    if (packed < 0 || packed / 65536 >= List->Count()) return;
    ScrollToY(packed % 65536 + SectionTop(packed / 65536));
}

void THtmlView::SetViewTop(int y) {
    y = std::clamp(y, 0, MaxViewTop());
    if (y != VPos) ScrollToY(y);
}

void THtmlView::ScrollToY(int y) {
    y = std::max(0, std::min(y, FDocHeight - Panel->height()));
    VPos = y;
    VBar->SetPosition(y);
    List->YOff = y - FMarginHeight;
    Panel->update();
}

void THtmlView::MoveTo(int y, bool moveContent) {
    y = std::clamp(y, 0, MaxViewTop());
    const int old = VPos;
    if (y == old) return;
    VPos = y;
    VBar->SetPosition(y);
    List->YOff = y - FMarginHeight;
    if (moveContent)
        Panel->scroll(0, old - y); // only the uncovered strip is painted
    else
        Panel->update();
}

void THtmlView::SetHorzPosition(int x) {
    HPos = std::clamp(x, 0, MaxHorzPosition());
    const QSignalBlocker quiet(HBar);
    HBar->setValue(HPos);
    Panel->update();
}

void THtmlView::VBarAction(int action) {
    setFocus(Qt::OtherFocusReason);
    const int old = VPos;
    int pos;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: pos = old - VBar->SmallStep; break;
    case QAbstractSlider::SliderSingleStepAdd: pos = old + VBar->SmallStep; break;
    case QAbstractSlider::SliderPageStepSub: pos = old - VBar->LargeStep; break;
    case QAbstractSlider::SliderPageStepAdd: pos = old + VBar->LargeStep; break;
    case QAbstractSlider::SliderToMinimum: pos = 0; break;
    case QAbstractSlider::SliderToMaximum: pos = FDocHeight - Panel->height(); break;
    default: pos = VBar->sliderPosition(); break;
    }
    pos = std::clamp(pos, 0, MaxViewTop());
    VBar->setSliderPosition(pos);
    MoveTo(pos, true);
}

void THtmlView::HBarAction(int action) {
    setFocus(Qt::OtherFocusReason);
    int pos;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: pos = HPos - HorzSmallStep; break;
    case QAbstractSlider::SliderSingleStepAdd: pos = HPos + HorzSmallStep; break;
    case QAbstractSlider::SliderPageStepSub: pos = HPos - HorzLargeStep; break;
    case QAbstractSlider::SliderPageStepAdd: pos = HPos + HorzLargeStep; break;
    case QAbstractSlider::SliderToMinimum: pos = 0; break;
    case QAbstractSlider::SliderToMaximum: pos = MaxHorzPosition(); break;
    default: pos = HBar->sliderPosition(); break;
    }
    HPos = std::clamp(pos, 0, MaxHorzPosition());
    HBar->setSliderPosition(HPos);
    Panel->update();
}

// ---- Resizing ----

void THtmlView::resizeEvent(QResizeEvent*) { platform::Guard([this] { Resized(); }); }

void THtmlView::Resized() {
    Border->setGeometry(rect());
    if (width() != LaidOutWidth && !FProcessing) {
        SetProcessing(true);
        const int pos = SectionPosition();
        DoLayout();
        SetSectionPosition(pos);
        SetProcessing(false);
        LaidOutWidth = width();
        Panel->update();
    } else {
        ArrangeScrollBars();
    }
    if (Panel->height() <= FDocHeight)
        ScrollToY(VPos);
    else
        ScrollToY(0);
    SetHorzPosition(std::min(HPos, HorzMax - Panel->width()));
}

// ---- Keys, focus, wheel ----

void THtmlView::keyPressEvent(QKeyEvent* e) {
    int key = e->key();
    if (OnKeyDown) OnKeyDown(this, key, e->modifiers());
    if (OnKeyPress && !e->text().isEmpty()) {
        char c = e->text().toLatin1().at(0);
        OnKeyPress(this, c);
    }
    const int old = VPos;
    int pos = old;
    switch (key) {
    case Qt::Key_PageUp: pos = old - VBar->LargeStep; break;
    case Qt::Key_PageDown: pos = old + VBar->LargeStep; break;
    case Qt::Key_Home: pos = 0; break;
    case Qt::Key_End: pos = FDocHeight; break;
    case Qt::Key_Up: pos = old - VertSmallStep; break;
    case Qt::Key_Down: pos = old + VertSmallStep; break;
    case Qt::Key_Left: SetHorzPosition(HPos - HorzSmallStep); return;
    case Qt::Key_Right: SetHorzPosition(HPos + HorzSmallStep); return;
    default: QWidget::keyPressEvent(e); return;
    }
    pos = std::clamp(pos, 0, MaxViewTop());
    MoveTo(pos, std::abs(pos - old) == VertSmallStep);
}

void THtmlView::keyReleaseEvent(QKeyEvent* e) {
    int key = e->key();
    if (OnKeyUp) OnKeyUp(this, key, e->modifiers());
    QWidget::keyReleaseEvent(e);
}

void THtmlView::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    Border->update();
    if (OnEnter) OnEnter(this);
}

void THtmlView::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    Border->update();
}

void THtmlView::wheelEvent(QWheelEvent* e) { QApplication::sendEvent(VBar, e); }

// ---- Painting ----

void THtmlView::PanelPaint(const QRect& clip, QPainter& screen) {
    if (LayingOut || clip.isEmpty()) return;
    const qreal ratio = Panel->devicePixelRatioF();
    QImage buffer(clip.size() * ratio, QImage::Format_RGB32);
    if (buffer.isNull()) throw EOutOfResources("Out of Resources");
    buffer.setDevicePixelRatio(ratio);
    {
        QPainter p(&buffer);
        p.translate(-clip.topLeft());
        p.setClipRect(clip);
        PaintBackground(p, clip, FSurfaceColor, List->ShowImages ? List->BackgroundBitmap : QImage(), HPos, VPos);
        for (doc::TImageObj* img : List->AnimList)
            if (img->Animated) img->Animated->PaintedLately = false;
        List->YOff = VPos - FMarginHeight;
        platform::TCanvas canvas(p);
        List->Paint(canvas, clip, FMarginWidth - HPos);
    }
    screen.drawImage(clip.topLeft(), buffer);
}

void THtmlView::PaintFrame(QPainter& painter) {
    const bool shown = FBorderStyle == htSingle || (FBorderStyle == htFocused && hasFocus());
    const QRect r = rect();
    painter.fillRect(r, platform::ToQColor(platform::clBtnFace));
    painter.setPen(platform::ToQColor(shown ? platform::clBtnText : FSurfaceColor));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
}

} // namespace view
