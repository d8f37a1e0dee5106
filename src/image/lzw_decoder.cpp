#include "image/lzw_decoder.h"

#include <cstring>

namespace image {

bool GatherSubBlocks(const uint8_t* data, size_t size, size_t& pos, std::vector<uint8_t>& out) {
    out.clear();
    bool terminated = false;
    while (pos < size) {
        const size_t n = data[pos++];
        if (n == 0) {
            terminated = true;
            break;
        }
        const size_t take = n <= size - pos ? n : size - pos;
        out.insert(out.end(), data + pos, data + pos + take);
        pos += take;
    }
    while (terminated && pos < size && data[pos] == 0) ++pos;
    return terminated;
}

TLzwResult TLzwDecoder::Decode(int minCodeSize, const uint8_t* codes, size_t codeBytes,
                               uint8_t* out, size_t outSize) {
    TLzwResult result;
    if (minCodeSize < 1 || minCodeSize > 11) {
        result.Damaged = true;
        return result;
    }
    const int clear = 1 << minCodeSize;
    const int endCode = clear + 1;
    for (int i = 0; i < clear; ++i) {
        Suffix[i] = static_cast<uint8_t>(i);
        First[i] = static_cast<uint8_t>(i);
        Length[i] = 1;
    }
    int codeSize = minCodeSize + 1;
    int limit = clear * 2;
    int next = clear + 2;
    int old = -1; // none: at the start and after a clear code

    const uint8_t* in = codes;
    const uint8_t* const inEnd = codes + codeBytes;
    uint64_t bits = 0;
    int bitCount = 0;
    size_t pos = 0;

    while (pos < outSize) {
        if (bitCount < codeSize) {
            while (bitCount <= 56 && in < inEnd) {
                bits |= uint64_t{*in++} << bitCount;
                bitCount += 8;
            }
            if (bitCount < codeSize) {
                result.Damaged = true;
                break;
            }
        }
        const int code = static_cast<int>(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;

        if (code == clear) {
            codeSize = minCodeSize + 1;
            limit = clear * 2;
            next = clear + 2;
            old = -1;
            continue;
        }
        if (code == endCode) break;
        if (old < 0) {
            // The first code after a clear must be a plain index.
            if (code > clear) {
                result.Damaged = true;
                break;
            }
            out[pos++] = static_cast<uint8_t>(code);
            old = code;
        } else {
            // A code not yet in the table is the one being defined now: the old string
            // followed by its own first index.
            const bool known = code < next;
            const int base = known ? code : old;
            const size_t baseLength = Length[base];
            const size_t room = outSize - pos;
            size_t written = baseLength < room ? baseLength : room;
            int c = base;
            for (size_t skip = baseLength - written; skip > 0; --skip) c = Prefix[c];
            uint8_t* p = out + pos + written - 1;
            for (size_t k = written; k > 1; --k) {
                *p-- = Suffix[c];
                c = Prefix[c];
            }
            *p = Suffix[c];
            if (!known && written < room) out[pos + written++] = First[old];
            pos += written;

            int defined = old; // the code whose string was just written
            if (next < TableSize) {
                Prefix[next] = static_cast<uint16_t>(old);
                Suffix[next] = First[base];
                First[next] = First[old];
                Length[next] = static_cast<uint16_t>(Length[old] + 1);
                defined = next++;
            }
            old = known ? code : defined;
        }
        // With a minimum code size of 1 the first free code already needs the next size, so
        // the check follows every code, not only those that add an entry.
        if (next >= limit && limit < TableSize) {
            limit *= 2;
            ++codeSize;
        }
    }
    result.Pixels = pos;
    if (pos < outSize) result.Damaged = true;
    return result;
}

} // namespace image
