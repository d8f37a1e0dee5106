// TMapItem: one client-side image map (<MAP NAME=...> with its AREAs). The viewer asks
// it which link lies under a point of the picture.
#pragma once

#include "doc/url_target.h"
#include "html/attributes.h"

#include <memory>
#include <string>
#include <vector>

namespace doc {

// The region of one AREA, tested exactly the way the desktop's regions fill: a rectangle
// includes its right and bottom coordinates, a circle every point within the radius, a
// polygon the pixels whose centres it winds around.
class TAreaRegion {
public:
    enum class TShape { Rect, Circle, Poly };
    TAreaRegion(TShape shape, std::vector<int> coords);
    bool Contains(int x, int y) const;
    TShape Shape() const { return Kind; }

private:
    TShape Kind;
    std::vector<int> Coords;
};

class TMapItem {
public:
    explicit TMapItem(std::string mapId = {}) : MapID(std::move(mapId)) {}

    // Adds the AREA described by Attributes (HREF, NOHREF, TARGET, SHAPE, COORDS, in
    // order). An area with too few coordinates is ignored.
    void AddAreaFrom(const html::TAttributeList& attributes);
    // The link of the first area containing the point; nullptr for no area, NOHREF or an
    // area without HREF.
    std::unique_ptr<TUrlTarget> LinkAt(int x, int y) const;

    struct TAreaLink {
        std::string Link; // the HREF text, empty for NOHREF
        TAreaRegion Region;
    };

    std::string MapID;
    std::vector<TAreaLink> AreaLinks;        // one per area, in document order
    std::vector<std::string> AreaTargetList; // the TARGET of each area, same order

    static constexpr int MaxCoords = 201;
};

// The numbers of a COORDS value: pieces between commas (at most 20 characters each,
// trailing blanks removed), 0 for a piece that is not a number; an empty piece ends the
// list; at most MaxCoords numbers.
std::vector<int> ParseCoords(const std::string& value);

} // namespace doc
