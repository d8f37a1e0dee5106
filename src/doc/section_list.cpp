#include "doc/section_list.h"

#include "doc/form_control.h"
#include "doc/html_form.h"
#include "doc/image_obj.h"
#include "image/gif_image.h"
#include "platform/canvas.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace doc {

TSectionList::TSectionList(TDocumentHost* host) : TCell(this), HostPtr(host ? host : &NoHost()) {}

TSectionList::~TSectionList() {
    // The controls' focus moves as they go; the host hears nothing more of a document
    // being destroyed.
    HostPtr = &NoHost();
    ReleaseControls(false);
}

void TSectionList::ReleaseControls(bool focusHolder) {
    // The focus leaves the controls before they go: handed on from each control to the
    // next as it is hidden, it would visit them all, and tell the viewer each time.
    for (TFormControlObj* c : FormControlList) {
        if (!c->HasFocus()) continue;
        QWidget* surface = Host().ControlParent();
        QWidget* holder = surface ? surface->parentWidget() : nullptr;
        if (focusHolder && holder)
            holder->setFocus(Qt::OtherFocusReason);
        else
            c->ControlHandle()->clearFocus();
        break;
    }
    FormControlList.clear();
    htmlFormList.clear();
}

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
    Host().BackgroundChanged(color);
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
    ReleaseControls(true);
    MapList.clear();
    MissingImages.clear();
    SelB = SelE = 0;
    TCell::Clear();
}

int TSectionList::DoLayout(int width, int& scrollWidth) {
    StopAnimation();
    ++LayoutPass;
    for (const auto& form : htmlFormList) form->FitControlsToFont();
    int curs = 0;
    int h = LayoutAll(0, width, scrollWidth, curs);
    // Every animation starts again from its first frame and runs once it has been drawn.
    for (TImageObj* img : AnimList)
        if (img->Animated) {
            img->Animated->ShowFrame(1);
            img->Animated->SetRunning(false);
            img->Animated->PaintedLately = false;
            img->AnimationStarted = false;
        }
    if (!AnimList.empty()) StartAnimation();
    RepositionControls = true;
    return h;
}

void TSectionList::Paint(platform::TCanvas& canvas, const QRect& clip, int x) {
    for (TFormControlObj* c : FormControlList) c->Shown = false;
    PaintAll(canvas, clip, clip.width(), x, 0);
    // A control that was not drawn but stands in the area just drawn is where its line
    // used to be: the page scrolled or was laid out again. Off screen rather than hidden,
    // it stays in the Tab order and a focused one keeps its focus.
    const bool all = RepositionControls;
    RepositionControls = false;
    for (TFormControlObj* c : FormControlList) {
        QWidget* w = c->ControlHandle();
        if (!w || c->Shown || !w->parentWidget()) continue;
        if (all || w->geometry().intersects(clip)) c->MoveOffScreen();
    }
}

void TSectionList::StartAnimation() {
    if (!AnimList.empty()) Host().StartAnimationTimer();
}

void TSectionList::StopAnimation() { Host().StopAnimationTimer(); }

std::string TSectionList::LayoutDump() const {
    std::string out;
    DumpSections(out, 0);
    return out;
}

} // namespace doc
