#include "image/memory_stream.h"

#include <cstring>

namespace image {

size_t TMemoryStream::Read(void* buffer, size_t count) {
    const size_t n = std::min(count, Bytes.size() - Pos);
    if (n > 0) std::memcpy(buffer, Bytes.data() + Pos, n);
    Pos += n;
    return n;
}

} // namespace image
