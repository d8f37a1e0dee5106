#include "image/lzw_decoder.h"

#include "gif_builder.h"

#include <gtest/gtest.h>

namespace {

using image::TLzwDecoder;

image::TLzwResult Decode(const std::string& codes, int minCodeSize, std::vector<uint8_t>& out) {
    static TLzwDecoder decoder;
    return decoder.Decode(minCodeSize, reinterpret_cast<const uint8_t*>(codes.data()), codes.size(),
                          out.data(), out.size());
}

// Ordinary and damaged streams are in the conformance suite; these are the edges that
// guard the output buffer and the table. Codes of 3 bits (minimum code size 2): clear 4,
// end 5, first free 6.
TEST(LzwDecoder, HandCodedStreams) {
    struct TCase {
        const char* Name;
        std::vector<int> Codes;
        size_t Room;
        std::vector<uint8_t> Expected;
        bool Damaged;
    };
    const TCase cases[] = {
        // After a clear only plain indices can come; 7 is not in the table.
        {"undefined first code", {4, 7, 1, 5}, 2, {0, 0}, true},
        // 7 lies beyond the next free code (6): read as the code being defined.
        {"code beyond the table", {4, 2, 7, 5}, 3, {2, 2, 2}, false},
        {"string longer than the room left", {4, 3, 6, 5}, 2, {3, 3}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<uint8_t> out(c.Room, 0);
        const auto r = Decode(gifbuild::Pack(c.Codes, 3), 2, out);
        EXPECT_EQ(out, c.Expected);
        EXPECT_EQ(r.Damaged, c.Damaged);
    }
    for (int size : {0, 12, 255}) {
        std::vector<uint8_t> out(4, 0);
        const auto r = Decode(gifbuild::Pack({4, 1, 5}, 3), size, out);
        EXPECT_TRUE(r.Damaged && r.Pixels == 0) << "impossible code size " << size;
    }
}

} // namespace
