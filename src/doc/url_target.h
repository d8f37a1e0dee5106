// TUrlTarget: the address and target frame of a link, as a font run, an image map area
// or a hit test carries it. Empty URL means "no link".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace doc {

class TUrlTarget {
public:
    TUrlTarget() = default;
    TUrlTarget(std::string url, std::string target)
        : URL(std::move(url)), Target(std::move(target)) {}

    // Changes only the parts given.
    void Assign(std::optional<std::string_view> url, std::optional<std::string_view> target) {
        if (url) URL = *url;
        if (target) Target = *target;
    }
    void Clear() {
        URL.clear();
        Target.clear();
    }

    std::string URL;
    std::string Target;
};

} // namespace doc
