#include "doc/map_item.h"

#include <charconv>
#include <cstdlib>

namespace doc {

namespace {

int toIntOrZero(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return 0;
    return v;
}

std::string lowerCase(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

std::vector<int> ParseCoords(const std::string& value) {
    std::vector<int> numbers;
    size_t start = 0;
    while (numbers.size() < TMapItem::MaxCoords && start <= value.size()) {
        size_t comma = value.find(',', start);
        size_t stop = comma == std::string::npos ? value.size() : comma;
        std::string_view piece(value.data() + start, stop - start);
        if (piece.size() > 20) piece = piece.substr(0, 20);
        while (!piece.empty() && static_cast<unsigned char>(piece.back()) <= ' ')
            piece.remove_suffix(1);
        if (piece.empty()) break;
        numbers.push_back(toIntOrZero(piece));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return numbers;
}

TAreaRegion::TAreaRegion(TShape shape, std::vector<int> coords)
    : Kind(shape), Coords(std::move(coords)) {}

bool TAreaRegion::Contains(int x, int y) const {
    switch (Kind) {
    case TShape::Rect: {
        // The region is (left, top, right + 1, bottom + 1) with exclusive far edges.
        long long l = Coords[0], t = Coords[1], r = Coords[2], b = Coords[3];
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        return x >= l && x <= r && y >= t && y <= b;
    }
    case TShape::Circle: {
        long long dx = static_cast<long long>(x) - Coords[0];
        long long dy = static_cast<long long>(y) - Coords[1];
        long long r = std::llabs(static_cast<long long>(Coords[2]));
        return dx * dx + dy * dy <= r * r;
    }
    case TShape::Poly: {
        // Winding number of the pixel centre around the polygon (winding fill).
        const double px = x + 0.5, py = y + 0.5;
        const size_t n = Coords.size() / 2;
        int winding = 0;
        for (size_t i = 0; i < n; ++i) {
            double x1 = Coords[2 * i], y1 = Coords[2 * i + 1];
            double x2 = Coords[2 * ((i + 1) % n)], y2 = Coords[2 * ((i + 1) % n) + 1];
            double side = (x2 - x1) * (py - y1) - (px - x1) * (y2 - y1);
            if (y1 <= py) {
                if (y2 > py && side > 0) ++winding;
            } else if (y2 <= py && side < 0) {
                --winding;
            }
        }
        return winding != 0;
    }
    }
    return false;
}

void TMapItem::AddAreaFrom(const html::TAttributeList& attributes) {
    std::string link, target;
    auto shape = TAreaRegion::TShape::Rect;
    std::vector<int> coords;
    for (const auto& a : attributes) {
        switch (a.Sym) {
        case html::symHref:
            link = a.StrValue;
            break;
        case html::symNohref:
            link.clear();
            break;
        case html::symTarget:
            target = a.StrValue;
            break;
        case html::symShape: {
            std::string kind = lowerCase(a.StrValue.substr(0, 4));
            shape = kind == "circ"   ? TAreaRegion::TShape::Circle
                    : kind == "poly" ? TAreaRegion::TShape::Poly
                                     : TAreaRegion::TShape::Rect;
            break;
        }
        case html::symCoords:
            coords = ParseCoords(a.StrValue);
            break;
        default:
            break;
        }
    }
    const size_t needed = shape == TAreaRegion::TShape::Rect     ? 4
                          : shape == TAreaRegion::TShape::Circle ? 3
                                                                 : 6;
    if (coords.size() < needed) return;
    if (shape != TAreaRegion::TShape::Poly)
        coords.resize(needed);
    else
        coords.resize(coords.size() / 2 * 2);
    AreaLinks.push_back({std::move(link), TAreaRegion(shape, std::move(coords))});
    AreaTargetList.push_back(std::move(target));
}

std::unique_ptr<TUrlTarget> TMapItem::LinkAt(int x, int y) const {
    for (size_t i = 0; i < AreaLinks.size(); ++i) {
        if (!AreaLinks[i].Region.Contains(x, y)) continue;
        if (AreaLinks[i].Link.empty()) return nullptr;
        return std::make_unique<TUrlTarget>(AreaLinks[i].Link, AreaTargetList[i]);
    }
    return nullptr;
}

} // namespace doc
