// The document: the list of sections, the viewer's defaults that every section reads
// (fonts, colours, background), the forms with their controls, the image maps, the images
// waiting for their pictures, the animated images, the selection and the scroll offset.
// It reaches its viewer only through its host.
#pragma once

#include "doc/document_host.h"
#include "doc/fonts.h"
#include "doc/map_item.h"
#include "doc/section_base.h"
#include "platform/colors.h"

#include <QImage>
#include <memory>
#include <string>
#include <vector>

namespace doc {

class TFormControlObj;
class TImageObj;
class ThtmlForm;

class TSectionList : public TCell {
public:
    // Without a host the document gets every default of TDocumentHost.
    explicit TSectionList(TDocumentHost* host = nullptr);
    ~TSectionList() override;

    TDocumentHost& Host() const { return *HostPtr; }

    // Defaults, set by the viewer.
    std::string FontName = "Times New Roman";
    std::string PreFontName = "Courier New";
    int FontSize = 12;
    int Charset = 0;
    platform::TColor FontColor = platform::clBtnText;
    platform::TColor HotSpotColor = platform::clBlue;
    platform::TColor Background = platform::clBtnFace;

    std::string BackgroundName;
    QImage BackgroundBitmap;
    bool BackgroundAttempted = false;
    bool ShowImages = true;

    int YOff = 0; // document y at the top of the window
    // Counts the layouts of the whole document: what a table measured in this pass stays
    // valid for the rest of it, so nested tables are not measured again at every level.
    int LayoutPass = 0;
    int SelB = 0, SelE = 0;

    // The builder's current style set and sub/superscript state, read by the sections it
    // creates.
    int CurrentStyle = 0;
    TScriptPos CurrentSScript = TScriptPos::Normal;

    std::vector<std::unique_ptr<TMapItem>> MapList;
    std::vector<std::unique_ptr<ThtmlForm>> htmlFormList;
    std::vector<TFormControlObj*> FormControlList; // every form's controls, in document order; not owned
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

    // The host's animation timer runs while animated images are laid out.
    void StartAnimation();
    void StopAnimation();

private:
    TDocumentHost* HostPtr;
    // Frees the forms and their controls; a focused control hands the focus to the widget
    // that holds the drawing surface (FocusHolder) or to nobody.
    void ReleaseControls(bool focusHolder);
};

} // namespace doc
