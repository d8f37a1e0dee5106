#include "image/lzw_decoder.h"

#include "gif_builder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using image::TLzwDecoder;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

image::TLzwResult Decode(const std::string& codes, int minCodeSize, std::vector<uint8_t>& out) {
    static TLzwDecoder decoder;
    return decoder.Decode(minCodeSize, reinterpret_cast<const uint8_t*>(codes.data()), codes.size(),
                          out.data(), out.size());
}

// Independently compressed data decodes to what was compressed: random noise (tables fill
// and clear), long runs (long chains and codes defined by their own use) and mixtures.
TEST(LzwDecoder, DecodesWhatTheEncoderCompressed) {
    std::mt19937 rng(7);
    struct TCase {
        const char* Name;
        int MinCodeSize;
        size_t Length;
        int Colors;
        int RunLength;
    };
    const TCase cases[] = {
        {"one pixel", 2, 1, 4, 1},          {"noise 2 bits", 2, 5000, 4, 1},
        {"noise 8 bits", 8, 200000, 256, 1}, {"runs 8 bits", 8, 100000, 256, 300},
        {"one long run", 4, 65536, 1, 65536}, {"code size 1", 1, 3000, 2, 3},
        {"code size 11", 11, 20000, 256, 2},  {"short runs", 5, 50000, 32, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<uint8_t> pixels(c.Length);
        for (size_t i = 0; i < c.Length;) {
            const uint8_t v = static_cast<uint8_t>(rng() % c.Colors);
            const size_t run = 1 + rng() % c.RunLength;
            for (size_t k = 0; k < run && i < c.Length; ++k) pixels[i++] = v;
        }
        std::vector<uint8_t> out(c.Length, 0xEE);
        const auto r = Decode(gifbuild::LzwCodes(pixels, c.MinCodeSize), c.MinCodeSize, out);
        EXPECT_FALSE(r.Damaged);
        EXPECT_EQ(r.Pixels, c.Length);
        EXPECT_TRUE(out == pixels);
    }
}

// Codes of 3 bits (minimum code size 2): clear 4, end 5, first free 6.
TEST(LzwDecoder, HandCodedStreams) {
    struct TCase {
        const char* Name;
        std::vector<int> Codes;
        size_t Room;
        std::vector<uint8_t> Expected;
        bool Damaged;
    };
    const TCase cases[] = {
        // 1, then 6 = "1 1" used before it is defined (the old string plus its own first).
        {"code defined by its own use", {4, 1, 6, 5}, 3, {1, 1, 1}, false},
        {"clear codes at the start are skipped", {4, 4, 4, 2, 3, 5}, 2, {2, 3}, false},
        {"clear in the middle starts a new table", {4, 1, 2, 4, 3, 6, 5}, 4, {1, 2, 3, 3}, false},
        {"end code before the image is full", {4, 1, 5}, 4, {1, 0, 0, 0}, true},
        {"codes run out", {4, 1, 2}, 6, {1, 2, 0, 0, 0, 0}, true},
        // After a clear only plain indices can come; 7 is not in the table.
        {"undefined first code", {4, 7, 1, 5}, 2, {0, 0}, true},
        // 7 lies beyond the next free code (6): read as the code being defined.
        {"code beyond the table", {4, 2, 7, 5}, 3, {2, 2, 2}, false},
        {"string longer than the room left", {4, 3, 6, 5}, 2, {3, 3}, false},
        {"pixels after the image is full are ignored", {4, 1, 2, 3, 5}, 2, {1, 2}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<uint8_t> out(c.Room, 0);
        const auto r = Decode(gifbuild::Pack(c.Codes, 3), 2, out);
        EXPECT_EQ(out, c.Expected);
        EXPECT_EQ(r.Damaged, c.Damaged);
    }
}

TEST(LzwDecoder, RefusesImpossibleCodeSizes) {
    std::vector<uint8_t> out(4, 0);
    for (int size : {0, 12, 255}) {
        SCOPED_TRACE(size);
        const auto r = Decode(gifbuild::Pack({4, 1, 5}, 3), size, out);
        EXPECT_TRUE(r.Damaged);
        EXPECT_EQ(r.Pixels, 0u);
    }
}

TEST(LzwDecoder, GathersSubBlocksUpToTheTerminator) {
    // Two sub-blocks, the terminator, two stray zero bytes, then a trailer.
    const auto data = Bytes(std::string("\x02" "ab" "\x01" "c" "\x00\x00\x00" "\x3B", 9));
    size_t pos = 0;
    std::vector<uint8_t> codes;
    EXPECT_TRUE(image::GatherSubBlocks(data.data(), data.size(), pos, codes));
    EXPECT_EQ(std::string(codes.begin(), codes.end()), "abc");
    EXPECT_EQ(pos, 8u);

    // A sub-block cut short by the end of the data.
    const auto cut = Bytes(std::string("\x05" "ab", 3));
    pos = 0;
    EXPECT_FALSE(image::GatherSubBlocks(cut.data(), cut.size(), pos, codes));
    EXPECT_EQ(std::string(codes.begin(), codes.end()), "ab");
    EXPECT_EQ(pos, 3u);
}

} // namespace
