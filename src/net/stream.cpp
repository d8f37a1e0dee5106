#include "net/stream.h"

#include <algorithm>
#include <cstring>

namespace net {

int TMemoryStream::Read(char* buffer, int count) {
    int64_t n = std::clamp<int64_t>(Size() - Pos, 0, count);
    if (n > 0) std::memcpy(buffer, Data.data() + Pos, static_cast<size_t>(n));
    Pos += n;
    return static_cast<int>(n);
}

int TMemoryStream::Write(const char* buffer, int count) {
    if (count <= 0) return 0;
    size_t end = static_cast<size_t>(Pos) + static_cast<size_t>(count);
    if (end > Data.size()) Data.resize(end);
    std::memcpy(Data.data() + Pos, buffer, static_cast<size_t>(count));
    Pos = static_cast<int64_t>(end);
    return count;
}

} // namespace net
