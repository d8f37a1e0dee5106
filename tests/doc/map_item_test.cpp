#include "doc/map_item.h"
#include "html/scanner.h"

#include <gtest/gtest.h>

using namespace doc;

namespace {

// Adds the AREA tags to Map, their attributes as the scanner reads them.
void addAreas(TMapItem& map, std::initializer_list<std::string> tags) {
    for (const std::string& tag : tags) {
        html::TScanner s;
        s.StartBuffer(tag);
        s.NextSymbol();
        map.AddAreaFrom(s.Attributes());
    }
}

std::string linkAt(const TMapItem& map, int x, int y) {
    auto t = map.LinkAt(x, y);
    return t ? t->URL + "|" + t->Target : "-";
}

} // namespace

TEST(MapItem, CircleCoversItsRadius) {
    TMapItem map("NAV");
    addAreas(map, {"<AREA SHAPE=circle COORDS=\"10,10,5\" HREF=c.htm TARGET=main>"});
    ASSERT_EQ(map.AreaLinks.size(), 1u);
    for (auto [x, y, in] : {std::tuple{5, 10, true}, {15, 10, true}, {10, 5, true}, {10, 15, true}, {10, 10, true},
                            {13, 13, true}, {4, 10, false}, {16, 10, false}, {5, 5, false}, {15, 15, false},
                            {14, 14, false}}) {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        EXPECT_EQ(linkAt(map, x, y), in ? "c.htm|main" : "-");
    }
}

TEST(MapItem, RectangleIncludesItsFarEdges) {
    TMapItem map;
    addAreas(map, {"<AREA COORDS=\"0, 0, 99 ,29\" HREF=\"r.htm\">"});
    EXPECT_EQ(linkAt(map, 0, 0), "r.htm|");
    EXPECT_EQ(linkAt(map, 99, 29), "r.htm|");
    EXPECT_EQ(linkAt(map, 100, 29), "-");
    EXPECT_EQ(linkAt(map, 99, 30), "-");
}

TEST(MapItem, PolygonUsesWindingFill) {
    TMapItem map;
    // A five-pointed star drawn in one stroke: its centre is wound twice, which the
    // winding rule fills (alternate fill would leave it empty).
    addAreas(map, {"<AREA SHAPE=POLYGON COORDS=\"50,0,79,90,2,34,97,34,21,90\" HREF=star>"});
    EXPECT_EQ(linkAt(map, 50, 50), "star|");
    EXPECT_EQ(linkAt(map, 50, 10), "star|");
    EXPECT_EQ(linkAt(map, 5, 80), "-");
    // A triangle with an odd number of coordinates: the last one is ignored.
    TMapItem tri;
    addAreas(tri, {"<AREA SHAPE=poly COORDS=\"0,0,10,0,0,10,7\" HREF=t>"});
    EXPECT_EQ(linkAt(tri, 2, 2), "t|");
    EXPECT_EQ(linkAt(tri, 8, 8), "-");
}

TEST(MapItem, TooFewCoordinatesNoHrefAndOrder) {
    TMapItem map;
    addAreas(map, {"<AREA COORDS=\"1,2,3\" HREF=a>", "<AREA SHAPE=circ COORDS=\"1,2\" HREF=a>",
                   "<AREA SHAPE=poly COORDS=\"1,2,3,4,5\" HREF=a>", "<AREA COORDS=\"1,,3,4\" HREF=a>"});
    EXPECT_TRUE(map.AreaLinks.empty()) << "an empty piece ends the coordinates";

    addAreas(map, {"<AREA HREF=first COORDS=\"0,0,9,9\" NOHREF>", "<AREA COORDS=\"0,0,20,20\" HREF=second>",
                   "<AREA COORDS=\"0,0,30,30\">"});
    ASSERT_EQ(map.AreaLinks.size(), 3u);
    ASSERT_EQ(map.AreaTargetList.size(), 3u);
    EXPECT_EQ(linkAt(map, 5, 5), "-") << "the first area decides, and it has NOHREF";
    EXPECT_EQ(linkAt(map, 15, 15), "second|");
    EXPECT_EQ(linkAt(map, 25, 25), "-") << "no HREF";
    EXPECT_EQ(linkAt(map, 500, 5), "-");
}

TEST(MapItem, CoordsParsing) {
    EXPECT_EQ(ParseCoords("1, 2 ,x,-4"), (std::vector<int>{1, 2, 0, -4}));
    EXPECT_EQ(ParseCoords(""), std::vector<int>{});
    EXPECT_EQ(ParseCoords("5,"), std::vector<int>{5});
    EXPECT_EQ(ParseCoords("123456789012345678901"), std::vector<int>{0});
    std::string many;
    for (int i = 0; i < 300; ++i) many += std::to_string(i) + ",";
    EXPECT_EQ(ParseCoords(many).size(), 201u);
}
