#include "image/image_support.h"

#include "image/mono_mask.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <optional>

namespace image {

namespace {

struct TImageSupport {
    TStringBitmapList Cache;
    TMemoryStream Later;
    int Depth = 0; // 0: not yet asked
    std::optional<TPalette> Palette;
    QImage Pending, Broken, BrokenMask;
};

TImageSupport& State() {
    static TImageSupport s;
    return s;
}

int RealScreenBits() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app && QGuiApplication::primaryScreen()) return QGuiApplication::primaryScreen()->depth();
    return 24;
}

void ApplyDepth(int bits) {
    TImageSupport& s = State();
    s.Depth = ClassifyScreenDepth(bits);
    if (s.Depth == 8)
        s.Palette = BuildSharedPalette(SystemPalette());
    else
        s.Palette.reset();
}

// A sheet of paper with a folded corner and a small landscape: "a picture is coming".
QImage MakePending() {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(qRgb(192, 192, 192));
    QPainter p(&img);
    p.fillRect(2, 1, 10, 14, QColor(255, 255, 255));
    p.fillRect(12, 5, 2, 10, QColor(255, 255, 255));
    p.setPen(QColor(0, 0, 0));
    p.drawLine(2, 1, 11, 1);
    p.drawLine(2, 1, 2, 14);
    p.drawLine(2, 14, 13, 14);
    p.drawLine(13, 4, 13, 14);
    p.drawLine(11, 1, 13, 4);
    p.fillRect(4, 10, 8, 3, QColor(0, 128, 0));
    p.fillRect(5, 4, 3, 3, QColor(255, 255, 0));
    return img;
}

// The same sheet torn by a red cross; everything outside the sheet is transparent.
QImage MakeBroken() {
    QImage img = MakePending();
    QPainter p(&img);
    p.setPen(QPen(QColor(255, 0, 0), 2));
    p.drawLine(4, 4, 11, 11);
    p.drawLine(11, 4, 4, 11);
    return img;
}

QImage MakeBrokenMask() {
    QImage mask = NewMask(16, 16, true);
    for (int y = 1; y <= 14; ++y)
        for (int x = 2; x <= 13; ++x)
            if (!(x >= 12 && y < 4 && (x - 11) > (y - 1))) mask.setPixel(x, y, 0);
    return mask;
}

} // namespace

TStringBitmapList& ImageCache() { return State().Cache; }

TMemoryStream* LaterStream() { return &State().Later; }

int ClassifyScreenDepth(int bitsTimesPlanes) {
    if (bitsTimesPlanes < 5) return 4;
    if (bitsTimesPlanes > 8) return 24;
    return 8;
}

int ScreenDepth() {
    if (State().Depth == 0) ApplyDepth(RealScreenBits());
    return State().Depth;
}

void SetScreenDepth(int bitsTimesPlanes) { ApplyDepth(bitsTimesPlanes); }

const TPalette* SharedPalette() {
    ScreenDepth();
    return State().Palette ? &*State().Palette : nullptr;
}

const QImage& PendingBitmap() {
    if (State().Pending.isNull()) State().Pending = MakePending();
    return State().Pending;
}

const QImage& BrokenBitmap() {
    if (State().Broken.isNull()) State().Broken = MakeBroken();
    return State().Broken;
}

const QImage& BrokenBitmapMask() {
    if (State().BrokenMask.isNull()) State().BrokenMask = MakeBrokenMask();
    return State().BrokenMask;
}

void ResetImageSupport() {
    TImageSupport& s = State();
    s.Cache.Clear();
    s.Cache.SetAgeLimit(TStringBitmapList::InitialAgeLimit);
    s.Later.SetData({});
    s.Depth = 0;
    s.Palette.reset();
}

} // namespace image
