#include "doc/image_obj.h"

#include "doc/fonts.h"
#include "doc/section_list.h"
#include "doc/text_drawing.h"
#include "platform/text.h"
#include "image/gif_image.h"
#include "image/image_support.h"
#include "image/picture_loader.h"
#include "platform/canvas.h"

#include <algorithm>

namespace doc {

namespace {

void forgetWaiting(TSectionList& doc, const TImageObj* image) {
    std::erase_if(doc.MissingImages, [image](const auto& entry) { return entry.second == image; });
}

} // namespace

std::string PictureKey(const std::string& name) { return platform::UpperCase(platform::Trim(name)); }

image::TBitmapItem* ObtainPicture(TSectionList& doc, const std::string& name, int transp, bool& pending) {
    pending = false;
    const std::string key = PictureKey(name);
    if (key.empty()) return nullptr;
    image::TStringBitmapList& cache = image::ImageCache();
    int index = 0;
    if (cache.Find(key, index)) return cache.UseImage(index);

    std::unique_ptr<image::TBitmapItem> item;
    image::TMemoryStream* stream = nullptr;
    if (!doc.Host().RequestImage(name, stream)) {
        const std::string file = doc.Host().ImageFileName(name);
        if (!file.empty()) item = image::PictureFromFile(file, transp);
    } else if (stream == image::LaterStream()) {
        pending = true;
        return nullptr;
    } else if (stream && !stream->Empty()) {
        item = image::PictureFromStream(*stream, transp);
    }
    if (!item) return nullptr;
    return cache.AddImage(key, std::move(item));
}

TImageObj::TImageObj(int position, const html::TAttributeList& attributes) : Pos(position) {
    for (const html::TAttribute& a : attributes) {
        switch (a.Sym) {
        case html::symSrc: Source = a.StrValue; break;
        case html::symAlt: Alt = a.StrValue; break;
        case html::symAlign: {
            const std::string v = platform::UpperCase(a.StrValue);
            if (v == "TOP")
                Placement = ATop;
            else if (v == "MIDDLE" || v == "ABSMIDDLE")
                Placement = AMiddle;
            else if (v == "LEFT")
                Placement = ALeft;
            else if (v == "RIGHT")
                Placement = ARight;
            else
                Placement = ABottom;
            break;
        }
        case html::symHeight: WantedHeight = std::clamp(a.IntValue, 1, MaxSize); break;
        case html::symWidth:
            if (a.StrValue.find('%') != std::string::npos) {
                WantedWidth = std::clamp(a.IntValue, 1, 100);
                PercentWidth = true;
            } else if (a.IntValue > 0) {
                WantedWidth = std::min(a.IntValue, MaxSize);
                PercentWidth = false;
            }
            break;
        case html::symBorder: BorderOff = a.IntValue == 0; break;
        case html::symHspace: HSpace = std::clamp(a.IntValue, 0, 20); break;
        case html::symTransp: Transparent = true; break;
        case html::symIsmap: IsMap = true; break;
        case html::symUsemap: {
            UseMap = true;
            MapName = PictureKey(a.StrValue);
            if (MapName.size() > 1 && MapName[0] == '#') MapName.erase(0, 1);
            break;
        }
        default: break;
        }
    }
}

TImageObj::~TImageObj() {
    if (!CacheName.empty()) image::ImageCache().ReleaseImage(CacheName);
}

void TImageObj::takePicture(TSectionList& doc, image::TBitmapItem* item) {
    CacheName = PictureKey(Source);
    PictureKind = RealPicture;
    if (item->IsAnimated()) {
        Picture = QImage();
        Mask = QImage();
        // Each image runs its own copy, so that two images of one animation step apart.
        Animated = image::TGIFImage::CloneImage(*item->Animation);
        Animated->SetMayDraw(true);
        if (std::find(doc.AnimList.begin(), doc.AnimList.end(), this) == doc.AnimList.end())
            doc.AnimList.push_back(this);
    } else {
        Animated.reset();
        Picture = item->Bitmap;
        Mask = item->Mask;
    }
}

void TImageObj::usePlaceholder(bool error) {
    PictureKind = error ? ErrorPicture : PendingPicture;
    Animated.reset();
    Picture = error ? image::BrokenBitmap() : image::PendingBitmap();
    Mask = error ? image::BrokenBitmapMask() : QImage();
}

void TImageObj::setPictureSize(int availableWidth) {
    int pw = 0, ph = 0;
    if (Animated) {
        pw = Animated->CanvasWidth();
        ph = Animated->CanvasHeight();
    } else {
        pw = Picture.width();
        ph = Picture.height();
    }
    if (IsPlaceholder()) {
        if (WantedWidth > 0 && WantedHeight > 0) {
            BoxWidth = PercentWidth ? MulDiv(availableWidth, WantedWidth, 100) : WantedWidth;
            BoxHeight = WantedHeight;
            SizeKnown = !PercentWidth;
        } else {
            BoxWidth = pw + 2 * PlaceholderMargin;
            BoxHeight = ph + 2 * PlaceholderMargin;
        }
        return;
    }
    pw = std::max(pw, 1);
    ph = std::max(ph, 1);
    if (PercentWidth) {
        // Recomputed at every layout: the width follows the space available.
        BoxWidth = MulDiv(availableWidth, WantedWidth, 100);
        BoxHeight = WantedHeight > 0 ? WantedHeight : ph;
        return;
    }
    if (WantedWidth > 0 && WantedHeight > 0) {
        BoxWidth = WantedWidth;
        BoxHeight = WantedHeight;
    } else if (WantedWidth > 0) {
        BoxWidth = WantedWidth;
        BoxHeight = MulDiv(WantedWidth, ph, pw);
    } else if (WantedHeight > 0) {
        BoxHeight = WantedHeight;
        BoxWidth = MulDiv(WantedHeight, pw, ph);
    } else {
        BoxWidth = pw;
        BoxHeight = ph;
    }
    SizeKnown = true;
}

// The ALT text sits right of the placeholder picture, both inside the margins.
void TImageObj::growForAlt() {
    if (Alt.empty() || AltWidth <= 0) return;
    const int iconWidth = image::PendingBitmap().width();
    BoxWidth = std::max(BoxWidth, 3 * PlaceholderMargin + iconWidth + AltWidth);
    BoxHeight = std::max(BoxHeight, 2 * PlaceholderMargin + AltHeight);
}

void TImageObj::ComputeSize(TSectionList& doc, int availableWidth, const TFontObj* font, bool inLink) {
    if (font) {
        AltFont = font->QtFont();
        AltColor = font->Font.Color;
        AltWidth = font->TextWidth(Alt);
        AltHeight = font->TextHeight;
    }
    // A placeholder taken while images were off stands for no request at all: once images
    // are on, the picture is asked for like any other.
    if (PictureKind == PendingPicture && ImagesWereOff && doc.ShowImages) PictureKind = NoPicture;
    if (PictureKind == NoPicture) {
        ImagesWereOff = !doc.ShowImages;
        if (!doc.ShowImages) {
            usePlaceholder(false);
        } else {
            bool pending = false;
            image::TBitmapItem* item = ObtainPicture(doc, Source, Transparent ? 1 : 0, pending);
            if (item) {
                takePicture(doc, item);
            } else if (pending) {
                usePlaceholder(false);
                doc.MissingImages.emplace_back(Source, this);
            } else {
                usePlaceholder(true);
            }
        }
    }
    if (!SizeKnown) {
        setPictureSize(availableWidth);
        if (IsPlaceholder() && !SizeKnown) growForAlt();
        // The picture's proportions or a long ALT text can still go past the limit.
        BoxWidth = std::clamp(BoxWidth, 0, MaxSize);
        BoxHeight = std::clamp(BoxHeight, 0, MaxSize);
    }
    HasBorder = inLink && !BorderOff;
    ImageWidth = BoxWidth + (HasBorder ? 2 : 0);
    ImageHeight = BoxHeight + (HasBorder ? 2 : 0);
}

int TImageObj::PaintImage(platform::TCanvas& canvas, TSectionList& doc, int x, int top) {
    const int b = HasBorder ? 1 : 0;
    const QRect box(x + b, top + b, BoxWidth, BoxHeight);
    if (IsPlaceholder()) {
        const int m = PlaceholderMargin;
        // The pending and broken pictures fill their box like any picture; a box too small
        // to show them recognisably keeps only its frame and text.
        if (BoxWidth >= 24 && BoxHeight >= 24) canvas.DrawMasked(box, Picture, Mask);
        if (!Alt.empty())
            WrapTextRect(canvas, AltFont, AltColor, box.left() + m, box.top() + m, box.right() + 1 - m / 2,
                         box.bottom() + 1 - m / 2, Alt);
        if (!HasBorder) Draw3DFrame(doc.Background, canvas, box.left(), box.top(), box.right(), box.bottom(), false);
    } else if (Animated) {
        Animated->PaintAt(canvas, box.left(), box.top(), BoxWidth, BoxHeight);
        Animated->PaintedLately = true;
    } else if (!Mask.isNull()) {
        canvas.DrawMasked(box, Picture, Mask);
    } else {
        canvas.StretchImage(box, Picture);
    }
    if (HasBorder) canvas.FrameRect(QRect(x, top, ImageWidth, ImageHeight), doc.HotSpotColor);
    return x + ImageWidth;
}

bool TImageObj::ReplacePending(TSectionList& doc) {
    if (PictureKind != PendingPicture || !doc.ShowImages) return false;
    bool pending = false;
    image::TBitmapItem* item = ObtainPicture(doc, Source, Transparent ? 1 : 0, pending);
    if (pending) {
        // Still to come: make sure the image stays on the waiting list.
        const bool waiting = std::any_of(doc.MissingImages.begin(), doc.MissingImages.end(),
                                         [this](const auto& e) { return e.second == this; });
        if (!waiting) doc.MissingImages.emplace_back(Source, this);
        return false;
    }
    forgetWaiting(doc, this);
    if (item)
        takePicture(doc, item);
    else
        usePlaceholder(true);
    return !SizeKnown;
}

TImageObj* TImageObjList::ImageAt(int pos) const {
    // Ordered by position: a binary search.
    auto it = std::lower_bound(begin(), end(), pos, [](const std::unique_ptr<TImageObj>& i, int p) { return i->Pos < p; });
    return it != end() && (*it)->Pos == pos ? it->get() : nullptr;
}

bool SupplyPicture(TSectionList& doc, const std::string& src, const image::TMemoryStream* stream) {
    const std::string key = PictureKey(src);
    if (key.empty()) return false;
    image::TStringBitmapList& cache = image::ImageCache();
    bool supplied = false;
    if (stream && !stream->Empty()) {
        if (auto item = image::PictureFromStream(*stream, 0)) {
            cache.AddImage(key, std::move(item));
            supplied = true;
        }
    }
    // The waiting images are collected first: replacing one edits the waiting list.
    std::vector<TImageObj*> waiting;
    for (const auto& [name, image] : doc.MissingImages)
        if (image && PictureKey(name) == key) waiting.push_back(image);
    bool relayout = false;
    for (TImageObj* image : waiting) {
        forgetWaiting(doc, image);
        if (supplied) {
            relayout |= image->ReplacePending(doc);
        } else if (image->PictureKind == TImageObj::PendingPicture) {
            image->MarkBroken();
            relayout |= !image->SizeKnown;
        }
    }
    // The supply itself is no user of the picture: only the images that show it are.
    if (supplied) cache.ReleaseImage(key);
    return relayout;
}

} // namespace doc
