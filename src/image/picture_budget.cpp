#include "image/picture_budget.h"

#include <algorithm>

namespace image {

void TPictureBudget::SetLimitMiB(int mib) { LimitMiB_ = std::clamp(mib, 1, MaxMiB); }

bool TPictureBudget::Reserve(const std::string& key, uint64_t bytes) {
    if (!key.empty() && Counted.count(key)) return true;
    const uint64_t limit = static_cast<uint64_t>(LimitMiB_) * MiB;
    if (bytes > limit || Used_ > limit - bytes) return false;
    Used_ += bytes;
    if (!key.empty()) Counted.insert(key);
    return true;
}

void TPictureBudget::Clear() {
    Used_ = 0;
    Counted.clear();
}

} // namespace image
