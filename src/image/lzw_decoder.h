// The variable-length-code LZW decoder of GIF rasters (codes of up to 12 bits, least
// significant bit first), writing colour indices straight into a byte buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace image {

// Copies the data sub-blocks that start at Pos into Out and moves Pos behind the
// zero-length terminator and any further zero bytes. False when the data ends before the
// terminator (Out then holds what was there).
bool GatherSubBlocks(const uint8_t* data, size_t size, size_t& pos, std::vector<uint8_t>& out);

struct TLzwResult {
    size_t Pixels = 0;    // indices written from the start of the output
    bool Damaged = false; // a code outside the table, or the codes ran out before the end
};

class TLzwDecoder {
public:
    // Decodes Codes (the joined sub-blocks) with the given minimum code size (1..11) into
    // up to OutSize indices. Decoding ends at the end code, when Out is full, or when the
    // codes run out. Strings never refer to themselves and never grow beyond 4096 pixels,
    // because every table entry extends a shorter, older one.
    TLzwResult Decode(int minCodeSize, const uint8_t* codes, size_t codeBytes, uint8_t* out,
                      size_t outSize);

private:
    static constexpr int TableSize = 4096;
    uint16_t Prefix[TableSize];
    uint8_t Suffix[TableSize];
    uint8_t First[TableSize];   // first index of each code's string
    uint16_t Length[TableSize]; // pixels in each code's string
};

} // namespace image
