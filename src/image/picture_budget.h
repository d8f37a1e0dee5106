// TPictureBudget: how much memory the decoded pictures of the page a window shows may take
// all together. A picture shared through the image cache counts once for the page however
// often the page shows it; everything is given back when the page is left.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

namespace image {

class TPictureBudget {
public:
    static constexpr uint64_t MiB = uint64_t{1} << 20;
    static constexpr int DefaultMiB = 512;
    // webling.ini cannot ask for less than one MiB or more than a terabyte.
    static constexpr int MaxMiB = 1 << 20;

    explicit TPictureBudget(int limitMiB = DefaultMiB) { SetLimitMiB(limitMiB); }

    void SetLimitMiB(int mib);
    int LimitMiB() const { return LimitMiB_; }
    uint64_t Used() const { return Used_; }

    // Takes Bytes for the picture Key unless the page already holds it; false, and nothing
    // taken, when the page would go past the limit. An empty key is memory of one image
    // alone (an animation's own drawing surface) and counts every time.
    bool Reserve(const std::string& key, uint64_t bytes);
    // The page was left.
    void Clear();

private:
    int LimitMiB_ = DefaultMiB;
    uint64_t Used_ = 0;
    std::unordered_set<std::string> Counted;
};

} // namespace image
