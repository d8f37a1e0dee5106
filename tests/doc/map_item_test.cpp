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

TEST(MapItem, ShapesCoverTheirArea) {
    struct Case {
        const char* Name;
        const char* Area;
        std::vector<std::pair<int, int>> In, Out;
    } cases[] = {
        {"a circle covers its radius",
         "<AREA SHAPE=circle COORDS=\"10,10,5\" HREF=c.htm TARGET=main>",
         {{5, 10}, {15, 10}, {10, 5}, {10, 15}, {10, 10}, {13, 13}},
         {{4, 10}, {16, 10}, {5, 5}, {15, 15}, {14, 14}}},
        {"a rectangle includes its far edges",
         "<AREA COORDS=\"0, 0, 99 ,29\" HREF=\"c.htm\" TARGET=main>",
         {{0, 0}, {99, 29}}, {{100, 29}, {99, 30}}},
        // A five-pointed star drawn in one stroke: its centre is wound twice, which the
        // winding rule fills (alternate fill would leave it empty).
        {"a polygon uses winding fill",
         "<AREA SHAPE=POLYGON COORDS=\"50,0,79,90,2,34,97,34,21,90\" HREF=c.htm TARGET=main>",
         {{50, 50}, {50, 10}}, {{5, 80}}},
        {"an odd last coordinate is ignored",
         "<AREA SHAPE=poly COORDS=\"0,0,10,0,0,10,7\" HREF=c.htm TARGET=main>",
         {{2, 2}}, {{8, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TMapItem map("NAV");
        addAreas(map, {c.Area});
        ASSERT_EQ(map.AreaLinks.size(), 1u);
        for (auto [x, y] : c.In) EXPECT_EQ(linkAt(map, x, y), "c.htm|main") << x << "," << y;
        for (auto [x, y] : c.Out) EXPECT_EQ(linkAt(map, x, y), "-") << x << "," << y;
    }
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

// Ordinary coordinates are read by the cases above; these are the limits.
TEST(MapItem, CoordsParsing) {
    EXPECT_EQ(ParseCoords("123456789012345678901"), std::vector<int>{0});
    std::string many;
    for (int i = 0; i < 300; ++i) many += std::to_string(i) + ",";
    EXPECT_EQ(ParseCoords(many).size(), 201u);
}
