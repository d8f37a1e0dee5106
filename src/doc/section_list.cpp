#include "doc/section_list.h"

#include "doc/image_obj.h"
#include "doc/form_control.h"
#include "image/gif_image.h"
#include "platform/canvas.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace doc {

TSectionList::TSectionList(void* owner) : TCell(this), Owner(owner), AnimTimer(std::make_unique<QTimer>()) {
    AnimTimer->setInterval(50);
    QObject::connect(AnimTimer.get(), &QTimer::timeout, [this] {
        if (OnAnimationFrame) OnAnimationFrame();
        AnimTimer->setInterval(50);
    });
}

TSectionList::~TSectionList() = default;

void TSectionList::SetDefaults(const std::string& fontName, const std::string& preFontName,
                               platform::TColor background, platform::TColor hotSpot,
                               platform::TColor fontColor, int fontSize) {
    FontName = fontName.substr(0, 32);
    PreFontName = preFontName.substr(0, 32);
    HotSpotColor = hotSpot;
    FontColor = fontColor;
    FontSize = fontSize;
    SetBackgroundColor(background);
    ApplyDefaults();
}

void TSectionList::SetBackgroundColor(platform::TColor color) {
    Background = color;
    if (OnBackgroundChange) OnBackgroundChange(color);
}

void TSectionList::SetBackgroundImage(const std::string& name) {
    BackgroundName = name;
    BackgroundBitmap = QImage();
    BackgroundAttempted = false;
}

void TSectionList::Clear() {
    // A page without BACKGROUND must not ask again for the picture of the page before.
    BackgroundName.clear();
    BackgroundBitmap = QImage();
    BackgroundAttempted = false;
    StopAnimation();
    AnimList.clear();
    FormControlList.clear();
    MapList.clear();
    MissingImages.clear();
    SelB = SelE = 0;
    TCell::Clear();
}

int TSectionList::DoLayout(int width, int& scrollWidth) {
    StopAnimation();
    int curs = 0;
    int h = LayoutAll(0, width, scrollWidth, curs);
    // Every animation starts again from its first frame and runs once it has been drawn.
    for (TImageObj* img : AnimList)
        if (img->Animated) {
            img->Animated->ShowFrame(1);
            img->Animated->SetRunning(false);
            img->Animated->PaintedLately = false;
        }
    if (!AnimList.empty()) StartAnimation();
    return h;
}

void TSectionList::Paint(platform::TCanvas& canvas, const QRect& clip, int x) {
    PaintAll(canvas, clip, clip.width(), x, 0);
    if (RepositionControls) {
        RepositionControls = false;
        for (TFormControlObj* c : FormControlList)
            if (!c->Hidden && c->YValue + c->Height() < YOff) c->Hide();
    }
}

void TSectionList::StartAnimation() {
    if (!AnimList.empty() && !AnimTimer->isActive()) AnimTimer->start();
}

void TSectionList::StopAnimation() { AnimTimer->stop(); }

std::string TSectionList::LayoutDump() const {
    std::string out;
    char buf[200];
    for (const auto& s : *this) {
        std::snprintf(buf, sizeof buf, "%s top=%d height=%d first=%d count=%d\n", s->KindName(), s->Top,
                      s->Height, s->FirstPos, s->PosCount);
        out += buf;
        s->DumpLines(out);
    }
    return out;
}

} // namespace doc
