// The document: the list of sections, the viewer's defaults that every section reads
// (fonts, colours, background), the forms with their controls, the image maps, the images
// waiting for their pictures, the animated images with their 50 ms timer, the selection
// and the scroll offset.
#pragma once

#include "doc/fonts.h"
#include "doc/map_item.h"
#include "doc/section_base.h"
#include "platform/colors.h"

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTimer;
class QWidget;

namespace image {
class TMemoryStream;
}

namespace doc {

class TFormControlObj;
class TImageObj;
class ThtmlForm;

// The image request handler: called with an empty stream; it returns a stream with the
// picture's bytes, the shared "later" marker for a picture that comes later, or nothing.
using TGetImageEvent =
    std::function<void(void* sender, const std::string& src, image::TMemoryStream*& stream)>;
using TScriptEvent = std::function<void(void* sender, const std::string& language, const std::string& script)>;
// A form control was clicked: the control and its ONCLICK text.
using TObjectClickEvent = std::function<void(void* sender, TFormControlObj* obj, const std::string& onClick)>;
// A form was submitted; the results pass to the handler.
using TFormSubmitHandler =
    std::function<void(const std::string& action, const std::string& target, const std::string& encType,
                       const std::string& method, std::vector<std::string> results)>;

class TSectionList : public TCell {
public:
    explicit TSectionList(void* owner = nullptr);
    ~TSectionList() override;

    void* Owner; // the viewer, Sender of its events

    // Defaults, set by the viewer.
    std::string FontName = "Times New Roman";
    std::string PreFontName = "Courier New";
    int FontSize = 12;
    int Charset = 0;
    platform::TColor FontColor = platform::clBtnText;
    platform::TColor HotSpotColor = platform::clBlue;
    platform::TColor Background = platform::clBtnFace;
    std::function<void(platform::TColor)> OnBackgroundChange;

    std::string BackgroundName;
    QImage BackgroundBitmap;
    bool BackgroundAttempted = false;
    bool ShowImages = true;
    TGetImageEvent GetImage;
    TScriptEvent ScriptEvent;
    // Turns a picture name into a file name when there is no request handler.
    std::function<std::string(const std::string&)> ResolveImageFile;

    int YOff = 0; // document y at the top of the window
    // Counts the layouts of the whole document: what a table measured in this pass stays
    // valid for the rest of it, so nested tables are not measured again at every level.
    int LayoutPass = 0;
    int SelB = 0, SelE = 0;

    // The builder's current style set and sub/superscript state (0, 1 sub, 2 super),
    // read by the sections it creates.
    int CurrentStyle = 0;
    TScriptPos CurrentSScript = TScriptPos::Normal;

    std::vector<std::unique_ptr<TMapItem>> MapList;
    std::vector<std::unique_ptr<ThtmlForm>> htmlFormList;
    std::vector<TFormControlObj*> FormControlList; // every form's controls, in document order; not owned
    // The parent of the controls' platform controls (the viewer's drawing surface); none
    // when the document is only laid out and drawn into a picture.
    QWidget* PaintSurface = nullptr;
    TFormSubmitHandler SubmitHandler;
    TObjectClickEvent ObjectClick;
    // A control took the keyboard focus; Y is the document y of its line.
    std::function<void(int y)> ControlFocused;
    std::vector<TImageObj*> AnimList;              // not owned
    // Pictures not yet available: the name and the image waiting for it (nullptr for the
    // background).
    std::vector<std::pair<std::string, TImageObj*>> MissingImages;
    bool RepositionControls = false; // set by a layout: every control not drawn next goes off screen

    void SetDefaults(const std::string& fontName, const std::string& preFontName,
                     platform::TColor background, platform::TColor hotSpot,
                     platform::TColor fontColor, int fontSize);
    void SetBackgroundColor(platform::TColor color);
    void SetBackgroundImage(const std::string& name);
    void Clear();

    // Lays the document out for Width and returns its height; ScrollWidth is the widest
    // line or object.
    int DoLayout(int width, int& scrollWidth);
    // Draws the part of the document in Clip (screen coordinates) with its left edge at X.
    // The controls on the lines drawn are moved into place; the others that the drawing
    // covered (all of them after a layout) go off screen.
    void Paint(platform::TCanvas& canvas, const QRect& clip, int x);

    // The sections after layout, as text: kind, top, height, positions; lines of text.
    std::string LayoutDump() const;

    // Called by the animation timer every 50 ms while animated images are shown.
    std::function<void()> OnAnimationFrame;
    void StartAnimation();
    void StopAnimation();

private:
    std::unique_ptr<QTimer> AnimTimer;
    // Frees the forms and their controls; a focused control hands the focus to the widget
    // that holds the drawing surface (FocusHolder) or to nobody.
    void ReleaseControls(bool focusHolder);
};

} // namespace doc
