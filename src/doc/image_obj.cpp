#include "doc/image_obj.h"

#include "doc/fonts.h"
#include "doc/section_list.h"
#include "doc/text_drawing.h"
#include "platform/text.h"
#include "image/gif_image.h"
#include "image/image_support.h"
#include "image/jpeg_decoder.h"
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

namespace {

// Any picture of this name already decoded, at whatever scale.
image::TBitmapItem* AnyDecoded(const image::TStringBitmapList& cache, const std::string& key) {
    for (int denom = 1; denom <= 8; denom *= 2) {
        const int index = cache.IndexOf(image::ScaledKey(key, denom));
        if (index >= 0) return cache.Item(index);
    }
    return nullptr;
}

} // namespace

TObtainedPicture ObtainPicture(TSectionList& doc, const std::string& name, const TPictureWish& wish,
                               const image::TMemoryStream* supplied) {
    TObtainedPicture got;
    const std::string key = PictureKey(name);
    if (key.empty()) return got;
    image::TStringBitmapList& cache = image::ImageCache();
    // A picture decoded before tells the scale this image wants without its data.
    if (const image::TBitmapItem* known = AnyDecoded(cache, key)) {
        const int denom = known->Scalable ? image::JpegScaleDenom(known->SourceWidth, known->SourceHeight,
                                                                  wish.ShownWidth, wish.ShownHeight)
                                          : 1;
        const int index = cache.IndexOf(image::ScaledKey(key, denom));
        if (index >= 0) {
            got.Key = image::ScaledKey(key, denom);
            if (!doc.Host().ReservePictureMemory(got.Key, cache.Item(index)->Bytes)) {
                got.Refused = true;
                return got;
            }
            got.Item = cache.UseImage(index);
            return got;
        }
    }

    image::TPictureRequest request;
    request.ShownWidth = wish.ShownWidth;
    request.ShownHeight = wish.ShownHeight;
    request.Admit = [&](uint64_t bytes) {
        return doc.Host().ReservePictureMemory(image::ScaledKey(key, request.ScaleDenom), bytes);
    };
    std::unique_ptr<image::TBitmapItem> item;
    image::TMemoryStream* stream = nullptr;
    if (supplied) {
        if (!supplied->Empty()) item = image::PictureFromStream(*supplied, wish.Transp, request);
    } else if (!doc.Host().RequestImage(name, stream)) {
        const std::string file = doc.Host().ImageFileName(name);
        if (!file.empty()) item = image::PictureFromFile(file, wish.Transp, request);
    } else if (stream == image::LaterStream()) {
        got.Pending = true;
        return got;
    } else if (stream && !stream->Empty()) {
        item = image::PictureFromStream(*stream, wish.Transp, request);
    }
    got.Refused = request.Refused;
    if (!item) return got;
    got.Key = image::ScaledKey(key, item->ScaleDenom);
    got.Item = cache.AddImage(got.Key, std::move(item));
    return got;
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

TPictureWish TImageObj::wish() const {
    TPictureWish w;
    w.Transp = Transparent ? 1 : 0;
    // A percentage follows the space available: the picture is decoded whole.
    if (!PercentWidth) {
        w.ShownWidth = std::max(WantedWidth, 0);
        w.ShownHeight = std::max(WantedHeight, 0);
    }
    return w;
}

bool TImageObj::takePicture(TSectionList& doc, const TObtainedPicture& got) {
    const image::TBitmapItem* item = got.Item;
    if (item->IsAnimated()) {
        // Each image runs its own copy, so that two images of one animation step apart; the
        // copy's drawing surface is this image's alone.
        const image::TGIFImage& gif = *item->Animation;
        if (!doc.Host().ReservePictureMemory("", image::PictureBytes(gif.CanvasWidth(), gif.CanvasHeight()))) {
            image::ImageCache().ReleaseImage(got.Key);
            return false;
        }
    }
    CacheName = got.Key;
    PictureKind = RealPicture;
    PictureWidth = item->SourceWidth;
    PictureHeight = item->SourceHeight;
    if (item->IsAnimated()) {
        Picture = QImage();
        Mask = QImage();
        Animated = image::TGIFImage::CloneImage(*item->Animation);
        Animated->SetMayDraw(true);
        if (std::find(doc.AnimList.begin(), doc.AnimList.end(), this) == doc.AnimList.end())
            doc.AnimList.push_back(this);
    } else {
        Animated.reset();
        Picture = item->Bitmap;
        Mask = item->Mask;
    }
    if (PictureWidth <= 0 || PictureHeight <= 0) {
        PictureWidth = Animated ? Animated->CanvasWidth() : Picture.width();
        PictureHeight = Animated ? Animated->CanvasHeight() : Picture.height();
    }
    return true;
}

void TImageObj::useObtained(TSectionList& doc, const TObtainedPicture& got) {
    OverBudget = false;
    if (got.Item && takePicture(doc, got)) return;
    if (got.Item || got.Refused) {
        OverBudget = true;
        usePlaceholder(false);
    } else if (got.Pending) {
        usePlaceholder(false);
        const bool waiting = std::any_of(doc.MissingImages.begin(), doc.MissingImages.end(),
                                         [this](const auto& e) { return e.second == this; });
        if (!waiting) doc.MissingImages.emplace_back(Source, this);
    } else {
        usePlaceholder(true);
    }
}

void TImageObj::usePlaceholder(bool error) {
    PictureKind = error ? ErrorPicture : PendingPicture;
    Animated.reset();
    Picture = error ? image::BrokenBitmap() : image::PendingBitmap();
    Mask = error ? image::BrokenBitmapMask() : QImage();
}

void TImageObj::setPictureSize(int availableWidth) {
    int pw = PictureWidth, ph = PictureHeight;
    if (IsPlaceholder()) {
        pw = Picture.width();
        ph = Picture.height();
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
        AltHeight = font->TextHeight();
    }
    // A placeholder taken while images were off stands for no request at all: once images
    // are on, the picture is asked for like any other.
    if (PictureKind == PendingPicture && ImagesWereOff && doc.ShowImages) PictureKind = NoPicture;
    if (PictureKind == NoPicture) {
        ImagesWereOff = !doc.ShowImages;
        if (!doc.ShowImages)
            usePlaceholder(false);
        else
            useObtained(doc, ObtainPicture(doc, Source, wish()));
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

bool TImageObj::ReplacePending(TSectionList& doc, const image::TMemoryStream* supplied) {
    if (PictureKind != PendingPicture || OverBudget || !doc.ShowImages) return false;
    forgetWaiting(doc, this);
    useObtained(doc, ObtainPicture(doc, Source, wish(), supplied));
    return PictureKind != PendingPicture && !SizeKnown;
}

TImageObj* TImageObjList::ImageAt(int pos) const {
    // Ordered by position: a binary search.
    auto it = std::lower_bound(begin(), end(), pos, [](const std::unique_ptr<TImageObj>& i, int p) { return i->Pos < p; });
    return it != end() && (*it)->Pos == pos ? it->get() : nullptr;
}

bool SupplyPicture(TSectionList& doc, const std::string& src, const image::TMemoryStream* stream) {
    const std::string key = PictureKey(src);
    if (key.empty()) return false;
    // The waiting images are collected first: replacing one edits the waiting list.
    std::vector<TImageObj*> waiting;
    for (const auto& [name, image] : doc.MissingImages)
        if (image && PictureKey(name) == key) waiting.push_back(image);
    // Each image takes the data at the scale it is shown at; images shown alike share one
    // decoded picture through the cache.
    static const image::TMemoryStream nothing;
    bool relayout = false;
    for (TImageObj* image : waiting) {
        forgetWaiting(doc, image);
        if (image->PictureKind != TImageObj::PendingPicture) continue;
        relayout |= image->ReplacePending(doc, stream ? stream : &nothing);
    }
    return relayout;
}

} // namespace doc
