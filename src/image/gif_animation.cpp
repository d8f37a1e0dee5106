// Composing GIF frames into the picture on show, drawing it, and stepping the animation.
#include "image/gif_image.h"

#include "image/mono_mask.h"

#include "platform/canvas.h"
#include "platform/clock.h"

#include <QWidget>
#include <algorithm>
#include <cstring>

namespace image {

namespace {

constexpr QRgb Black = 0xFF000000u;

// Puts Frame onto the surface at its place: opaque pixels take the frame's colour (and
// become opaque); transparent ones leave the surface as it was.
void ComposeInto(const TFrame& f, QImage& surface) {
    if (f.FrameBitmap.isNull()) return;
    const QRect r = f.Rect().intersected(surface.rect());
    if (r.isEmpty()) return;
    const QList<QRgb> table = f.FrameBitmap.colorTable();
    QRgb colors[256];
    std::fill(colors, colors + 256, Black);
    std::copy_n(table.begin(), std::min<qsizetype>(table.size(), 256), colors);
    const bool transparent = !f.FrameMask.isNull();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const int fy = y - f.Top;
        const uint8_t* src = f.FrameBitmap.constScanLine(fy) + (r.left() - f.Left);
        auto* dst = reinterpret_cast<QRgb*>(surface.scanLine(y)) + r.left();
        if (!transparent) {
            for (int x = 0; x < r.width(); ++x) dst[x] = colors[src[x]];
            continue;
        }
        const uchar* bits = f.FrameMask.constScanLine(fy);
        for (int x = 0; x < r.width(); ++x) {
            const int fx = x + r.left() - f.Left;
            if (!(bits[fx >> 3] & (0x80 >> (fx & 7)))) dst[x] = colors[src[x]];
        }
    }
}

// The canvas after frame 1 alone, on a fresh transparent surface.
QImage FirstComposition(const TFrame& first, int w, int h) {
    QImage surface = ZeroedImage(w, h, w * 4, QImage::Format_ARGB32);
    if (!surface.isNull()) ComposeInto(first, surface);
    return surface;
}

// Copies Source into Dest at (X, Y); both 32 bits per pixel.
void Blit(QImage& dest, const QImage& source, int x, int y) {
    const QRect r = QRect(x, y, source.width(), source.height()).intersected(dest.rect());
    for (int row = r.top(); row <= r.bottom(); ++row)
        std::memcpy(dest.scanLine(row) + r.left() * 4, source.constScanLine(row - y) + (r.left() - x) * 4,
                    static_cast<size_t>(r.width()) * 4);
}

} // namespace

void TGIFImage::Compose(int n) {
    if (StructureOnly_ || NotLoaded_ || n < 1 || n > FrameTotal() || ImageSurface.isNull()) return;
    TFrame& f = *Frames[static_cast<size_t>(n - 1)];
    if (f.DisposeMode == gdRestorePrevious) f.UnderBitmap = ImageSurface.copy(f.Rect());
    ComposeInto(f, ImageSurface);
}

void TGIFImage::Dispose(int n) {
    if (StructureOnly_ || NotLoaded_ || n < 1 || n > FrameTotal() || ImageSurface.isNull()) return;
    const TFrame& f = *Frames[static_cast<size_t>(n - 1)];
    const QRect r = f.Rect().intersected(ImageSurface.rect());
    if (f.DisposeMode == gdRestoreBackground) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memset(ImageSurface.scanLine(y) + r.left() * 4, 0, static_cast<size_t>(r.width()) * 4);
    } else if (f.DisposeMode == gdRestorePrevious && !f.UnderBitmap.isNull()) {
        Blit(ImageSurface, f.UnderBitmap, f.Left, f.Top);
    }
}

QImage TGIFImage::ComposedPicture() const { return ImageSurface; }

void TGIFImage::PaintAt(platform::TCanvas& canvas, int x, int y, int w, int h) {
    DrawRect_ = QRect(x, y, w, h);
    if (!MayDraw_ || NotLoaded_ || StructureOnly_ || Frames.empty() || w <= 0 || h <= 0) return;
    canvas.StretchImage(DrawRect_, ComposedPicture());
}

QImage TGIFImage::FirstBitmap() const {
    if (NotLoaded_ || StructureOnly_ || Frames.empty()) return {};
    // Transparent places are black, as the frame bitmaps have them.
    return FirstComposition(*Frames[0], CanvasW, CanvasH).convertToFormat(QImage::Format_RGB32);
}

QImage TGIFImage::FirstMask() const {
    if (NotLoaded_ || StructureOnly_ || Frames.empty()) return {};
    const QImage first = FirstComposition(*Frames[0], CanvasW, CanvasH);
    if (first.isNull()) return {};
    QImage out = NewMask(CanvasW, CanvasH);
    if (out.isNull()) return {};
    bool any = false;
    for (int y = 0; y < CanvasH; ++y) {
        const auto* px = reinterpret_cast<const QRgb*>(first.constScanLine(y));
        uchar* bits = out.scanLine(y);
        for (int x = 0; x < CanvasW; ++x)
            if (qAlpha(px[x]) == 0) {
                SetMaskBit(bits, x);
                any = true;
            }
    }
    return any ? out : QImage();
}

int TGIFImage::CurrentStepMs() const {
    if (Shown < 1 || Shown > FrameTotal()) return 1;
    const int pace = PacePercent > 0 ? PacePercent : 100;
    return std::max(1, Frames[static_cast<size_t>(Shown - 1)]->DelayMs * 100 / pace);
}

void TGIFImage::SetRunning(bool flag) { SetRunningAt(flag, platform::TickCount()); }

void TGIFImage::SetRunningAt(bool flag, uint32_t now) {
    if (flag == Running_) return;
    Running_ = flag;
    Pass = 1;
    if (flag && FrameTotal() > 1) {
        StepDue_ = CurrentStepMs();
        LastStep = now;
    }
}

void TGIFImage::Tick(QWidget* window) { TickAt(window, platform::TickCount()); }

void TGIFImage::TickAt(QWidget* window, uint32_t now) {
    if (!Running_ || NotLoaded_ || StructureOnly_) return;
    if (static_cast<int64_t>(now - LastStep) < StepDue_) return;
    LastStep = now;
    if (Repeats_ > 0 && Shown == FrameTotal()) {
        if (Pass >= Repeats_) {
            SetRunningAt(false, now);
            return;
        }
        ++Pass;
    }
    if (HoldFirstStep) {
        HoldFirstStep = false;
    } else {
        Dispose(Shown);
        ++Shown;
        if (Shown > FrameTotal() || Shown < 1) Shown = 1;
        Compose(Shown);
        if (window) window->update(DrawRect_);
    }
    StepDue_ = CurrentStepMs();
}

void TGIFImage::ShowFrame(int n) {
    if (n == Shown) return;
    Dispose(Shown);
    Shown = n > FrameTotal() ? 1 : (n < 1 ? FrameTotal() : n);
    Compose(Shown);
}

std::unique_ptr<TGIFImage> TGIFImage::CloneImage(const TGIFImage& source) {
    auto copy = std::make_unique<TGIFImage>();
    copy->GlobalTable = source.GlobalTable;
    copy->CanvasW = source.CanvasW;
    copy->CanvasH = source.CanvasH;
    copy->WidestBits = source.WidestBits;
    copy->Repeats_ = source.Repeats_;
    copy->ClearFrames = source.ClearFrames;
    copy->StructureOnly_ = source.StructureOnly_;
    copy->MayDraw_ = source.MayDraw_;
    copy->PacePercent = source.PacePercent;
    copy->Duplicate = true;
    for (const auto& f : source.Frames) {
        auto frame = std::make_unique<TFrame>(*f);
        frame->UnderBitmap = QImage();
        copy->Frames.push_back(std::move(frame));
    }
    copy->NotLoaded_ = source.NotLoaded_;
    if (!copy->NotLoaded_ && !copy->StructureOnly_ && !copy->AllocateSurfaces())
        copy->NotLoaded_ = true;
    copy->Shown = 1;
    copy->Compose(1);
    return copy;
}

} // namespace image
