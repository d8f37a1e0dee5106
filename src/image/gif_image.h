// A GIF87a or GIF89a picture decoded by our own decoder: its frames, the composed picture of
// the frame on show (colours plus a mask of the transparent places), drawing over what lies
// behind it, and the animation that the document's 50-millisecond timer advances.
#pragma once

#include "image/gif_frame.h"
#include "image/memory_stream.h"
#include "image/picture_request.h"

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace platform {
class TCanvas;
}

namespace image {

struct TBitmapItem;

// How a frame is disposed of before the next one is drawn; TFrame::DisposeMode holds one.
enum TGifDisposal : int {
    gdNone = 0,              // not specified: the frame stays
    gdKeep = 1,              // the frame stays
    gdRestoreBackground = 2, // its rectangle is cleared
    gdRestorePrevious = 3,   // its rectangle gets back what lay under it
};
// The disposal field of a graphic control block (0..7); the undefined 4..7 read as 2.
TGifDisposal GifDisposal(uint8_t field);

class TGIFImage {
public:
    static constexpr int MaxFrames = 256;

    TGIFImage();
    ~TGIFImage();
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    // Parses a whole GIF held in memory; with StructureOnly only its blocks are read and no
    // pixel is decoded. False when it is not a GIF, holds no image (full decoding only) or
    // its pictures cannot be allocated; nothing of the source is kept.
    bool ReadSource(const uint8_t* data, size_t size, bool structureOnly);
    bool ReadSource(const TMemoryStream& source, bool structureOnly);

    // An independent copy with its own surfaces, showing frame 1, so that two images of a
    // page showing the same animation run separately.
    static std::unique_ptr<TGIFImage> CloneImage(const TGIFImage& source);

    // Draws the frame on show stretched to W x H at (X, Y) over what the canvas holds there:
    // transparent places keep it. Only when MayDraw and loaded.
    void PaintAt(platform::TCanvas& canvas, int x, int y, int w, int h);

    // Advances the animation when its step is due and asks Window (if any) to repaint the
    // rectangle of the last PaintAt. The At forms take the time in milliseconds.
    void Tick(QWidget* window);
    void TickAt(QWidget* window, uint32_t now);
    void SetRunning(bool flag);
    void SetRunningAt(bool flag, uint32_t now);
    // Shows frame N (1-based; above the last shows 1, below 1 shows the last).
    void ShowFrame(int n);
    void SetMayDraw(bool flag) { MayDraw_ = flag; }

    // The composed picture of frame 1 (logical-screen size) and its mask; null while not
    // loaded or structure-only. The mask is null when frame 1 leaves nothing transparent.
    QImage FirstBitmap() const;
    QImage FirstMask() const;

    // The composed picture of the frame on show: 32-bit colours with alpha 0 where the
    // canvas is transparent.
    QImage ComposedPicture() const;

    int CanvasWidth() const { return CanvasW; }
    int CanvasHeight() const { return CanvasH; }
    int FrameTotal() const { return static_cast<int>(Frames.size()); }
    const TFrame& Frame(int n) const { return *Frames[static_cast<size_t>(n - 1)]; }
    int ShownFrame() const { return Shown; }
    bool MultiFrame() const { return FrameTotal() > 1; }
    bool HasClearFrames() const { return ClearFrames; }
    int Repeats() const { return Repeats_; } // loop count; 0: forever; 1 without NETSCAPE
    int PassNumber() const { return Pass; }
    bool NotLoaded() const { return NotLoaded_; }
    bool StructureOnly() const { return StructureOnly_; }
    bool Running() const { return Running_; }
    bool MayDraw() const { return MayDraw_; }
    bool IsDuplicate() const { return Duplicate; }
    int StepDue() const { return StepDue_; } // milliseconds until the next change
    int WidestTableBits() const { return WidestBits; }
    QRect DrawRect() const { return DrawRect_; }

    int PacePercent = 100;
    // Set by the image object when it draws this picture, cleared by the section list
    // before each paint: only pictures painted lately are advanced.
    bool PaintedLately = false;

private:
    struct TControl {
        bool Present = false;
        uint8_t Packed = 0;
        int Delay = 0; // hundredths of a second
        uint8_t Index = 0;
    };
    class TParser;

    void Clear();
    bool AllocateSurfaces();
    void Compose(int n);
    void Dispose(int n);
    int CurrentStepMs() const;

    std::vector<std::unique_ptr<TFrame>> Frames;
    std::array<QRgb, 256> GlobalTable{};
    int CanvasW = 0, CanvasH = 0;
    int WidestBits = 0;
    int Shown = 1;
    int Repeats_ = 1;
    int Pass = 1;
    bool ClearFrames = false;
    bool NotLoaded_ = true;
    bool StructureOnly_ = false;
    bool MayDraw_ = true;
    bool Running_ = false;
    bool HoldFirstStep = true;
    bool Duplicate = false;
    uint32_t LastStep = 0;
    int StepDue_ = 1;
    QRect DrawRect_;
    // The composed picture and its mask in one: 32-bit colours whose alpha is 0 where the
    // canvas is transparent. Starts all transparent black.
    QImage ImageSurface;
};

// Loads a GIF in two passes (structure, then pixels); nil when it cannot be loaded, after
// dropping unused pictures from the image cache if the second pass failed. Single tells
// whether the file has one frame, so that the caller may keep it as a plain bitmap. A
// Request is asked between the passes whether the pixels may be decoded.
std::unique_ptr<TGIFImage> DecodeGifStream(const TMemoryStream* stream, bool& single,
                                           TPictureRequest* request = nullptr);
std::unique_ptr<TGIFImage> DecodeGifFile(const std::string& name, bool& single,
                                         TPictureRequest* request = nullptr);
// What a GIF read for its structure will take once decoded and kept in the image cache:
// one frame as a plain picture, an animation with all its frames and its drawing surface.
uint64_t GifDecodedBytes(const TGIFImage& structure);

// The cache item of a decoded GIF: one frame becomes a bitmap (with its mask and kind
// TranspGif when something is transparent); an animation is kept whole.
std::unique_ptr<TBitmapItem> GifCacheItem(std::unique_ptr<TGIFImage> gif, bool single);

} // namespace image
