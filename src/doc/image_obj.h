// An image in the text of a section (IMG, or INPUT of type image): its attributes, its
// picture obtained through the shared image cache or the viewer's request handler, its
// size before and after the picture is known, and its drawing inline or floating.
#pragma once

#include "html/attributes.h"
#include "platform/colors.h"

#include <QFont>
#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class TCanvas;
}
namespace image {
class TGIFImage;
class TMemoryStream;
struct TBitmapItem;
} // namespace image

namespace doc {

class TFontObj;
class TFormControlObj;
class TSectionList;

// The key of a picture name in the image cache: trimmed and upper-cased.
std::string PictureKey(const std::string& name);

// How a picture is wanted: Transp is 1 when the lower-left colour is to be transparent
// (TRANSP); the shown size (0 where the page does not fix it) lets a JPEG be decoded smaller.
struct TPictureWish {
    int Transp = 0;
    int ShownWidth = 0, ShownHeight = 0;
};

struct TObtainedPicture {
    image::TBitmapItem* Item = nullptr; // in the cache, counting one more user
    std::string Key;                    // the cache key the user counts under
    bool Pending = false;               // the handler answered that it comes later
    bool Refused = false;               // it would take the page past its picture budget
};

// Finds or loads the picture named Name for Doc: from the image cache, else from Supplied
// when given, else through the document's request handler (or from the file system when
// it has none). Every picture shown is first reserved with the host's picture budget.
TObtainedPicture ObtainPicture(TSectionList& doc, const std::string& name, const TPictureWish& wish,
                               const image::TMemoryStream* supplied = nullptr);

class TImageObj {
public:
    enum TPlacement { ATop = 0, AMiddle = 1, ABottom = 2, ALeft = 3, ARight = 4 };
    enum TPictureKind { NoPicture, RealPicture, PendingPicture, ErrorPicture };

    // Placeholder boxes keep this much room around the placeholder picture and the ALT
    // text; a placeholder box smaller than the picture with its margins shows no picture.
    static constexpr int PlaceholderMargin = 4;
    // The largest box side in pixels: WIDTH=99999999 must not make the document's height
    // wrap around when a page holds a few such images.
    static constexpr int MaxSize = 32767;

    TImageObj(int position, const html::TAttributeList& attributes);
    ~TImageObj();
    TImageObj(const TImageObj&) = delete;
    TImageObj& operator=(const TImageObj&) = delete;

    int Pos;
    std::string Source, Alt;
    TPlacement Placement = ABottom;
    int WantedHeight = -1; // HEIGHT, at least 1; -1 when not given
    int WantedWidth = -1;  // WIDTH in pixels, or percent 1..100 with PercentWidth; -1 when not given
    bool PercentWidth = false;
    bool BorderOff = false; // BORDER=0
    int HSpace = 5;         // pixels beside a floating image, at most 20
    bool Transparent = false;
    bool IsMap = false;
    bool UseMap = false;
    std::string MapName; // upper case, without a leading "#"

    QImage Picture; // null for an animation (it draws itself)
    QImage Mask;    // white where transparent; null for an opaque picture
    std::unique_ptr<image::TGIFImage> Animated; // this image's own copy of an animation
    // Set once the animation has been started after the last layout: an animation that has
    // played its loop count stays stopped on its last frame until the next layout.
    bool AnimationStarted = false;
    TPictureKind PictureKind = NoPicture;
    // The pending picture stands for a picture left out because the page's pictures would
    // take more memory than the host allows; it is not asked for again on this page.
    bool OverBudget = false;
    // The picture's own size, which sizes the box: a JPEG decoded smaller holds less.
    int PictureWidth = 0, PictureHeight = 0;

    int BoxWidth = 0, BoxHeight = 0; // the picture box
    bool SizeKnown = false;
    int ImageWidth = 0, ImageHeight = 0; // the box plus the border
    bool HasBorder = false;
    TFormControlObj* MyFormControl = nullptr;

    // Where the image was placed at the last layout (floats) or draw (inline images), in
    // document coordinates (x from the cell's left edge).
    int DrawX = 0, DrawY = 0;

    bool Floating() const { return Placement == ALeft || Placement == ARight; }
    bool IsPlaceholder() const { return PictureKind == PendingPicture || PictureKind == ErrorPicture; }

    // Obtains the picture if need be and sets the box; InLink tells whether the image sits
    // inside a link (it then gets a border unless BORDER=0). Font is the run the image
    // sits in (its font writes the ALT text); it may be null.
    void ComputeSize(TSectionList& doc, int availableWidth, const TFontObj* font, bool inLink);
    // Draws the image with its left edge at X and its top at Top (screen) and returns its
    // right edge.
    int PaintImage(platform::TCanvas& canvas, TSectionList& doc, int x, int top);
    // When the picture is still pending, asks for it again, or takes it from Supplied (the
    // data that arrived for it). True when the picture came and its size was not known, so
    // that a new layout is needed.
    bool ReplacePending(TSectionList& doc, const image::TMemoryStream* supplied = nullptr);

private:
    TPictureWish wish() const;
    // Shows what ObtainPicture found; false (the placeholder stays, as over budget) when an
    // animation's own drawing surface does not fit the budget.
    bool takePicture(TSectionList& doc, const TObtainedPicture& got);
    void useObtained(TSectionList& doc, const TObtainedPicture& got);
    void usePlaceholder(bool error);
    void setPictureSize(int availableWidth);
    void growForAlt();

    std::string CacheName; // the cache key this image counts as a user of; empty when none
    bool ImagesWereOff = false; // the pending picture stands for images being off
    QFont AltFont;
    platform::TColor AltColor = platform::clBlack;
    int AltWidth = 0, AltHeight = 0; // of the ALT text in AltFont
};

// The images of one section, ordered by position.
class TImageObjList : public std::vector<std::unique_ptr<TImageObj>> {
public:
    TImageObj* ImageAt(int pos) const;
};

// Hands the picture data that the viewer received later for Src to every image of Doc
// waiting for it (and to the cache). True when a new layout is needed.
bool SupplyPicture(TSectionList& doc, const std::string& src, const image::TMemoryStream* stream);

} // namespace doc
