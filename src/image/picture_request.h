// What the page asks of one picture before it is decoded, and what the loader found: the
// size the picture is shown at (so that a JPEG can be decoded smaller), a say over the memory
// the decoded picture would take, and the picture's own size and the scale it was decoded at.
#pragma once

#include <cstdint>
#include <functional>

namespace image {

struct TPictureRequest {
    // The size the page shows the picture at, in pixels; 0 where the page leaves it to the
    // picture. Only JPEG pictures are decoded smaller, never below this size.
    int ShownWidth = 0;
    int ShownHeight = 0;
    // Asked once, after the header is read and before any pixel memory is taken, with the
    // bytes the decoded picture will hold; false leaves the picture undecoded. Unset admits
    // everything.
    std::function<bool(uint64_t bytes)> Admit;

    // Filled by the loader.
    bool Refused = false;   // Admit said no
    int SourceWidth = 0;    // the picture's own size, before any scaling
    int SourceHeight = 0;
    int ScaleDenom = 1;     // 1, 2, 4 or 8: the picture was decoded at 1/ScaleDenom
    bool Scalable = false;  // a JPEG, which can be decoded at another scale
    uint64_t Bytes = 0;     // what was admitted: the decoded picture's estimated size

    // Records the estimate and asks Admit about it.
    bool Allow(uint64_t bytes) {
        Bytes = bytes;
        Refused = Admit && !Admit(bytes);
        return !Refused;
    }
};

// Four bytes a pixel: what a decoded still picture takes in memory.
inline uint64_t PictureBytes(int width, int height) {
    return width > 0 && height > 0 ? uint64_t(width) * uint64_t(height) * 4 : 0;
}

} // namespace image
