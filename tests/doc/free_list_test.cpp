#include "doc/free_list.h"
#include "doc/url_target.h"

#include <gtest/gtest.h>

using namespace doc;

namespace {
struct Counted {
    explicit Counted(int& live) : Live(live) { ++Live; }
    ~Counted() { --Live; }
    int& Live;
};
} // namespace

TEST(FreeList, FreesItsItemsOnClearDeleteAndDestruction) {
    int live = 0;
    {
        TFreeList<Counted> list;
        for (int i = 0; i < 3; ++i)
            list.Add(std::make_unique<Counted>(live));
        EXPECT_EQ(live, 3);
        list.Delete(0);
        EXPECT_EQ(live, 2);
        auto kept = list.Extract(0);
        EXPECT_EQ(list.Count(), 1);
        EXPECT_EQ(live, 2);
        list.Clear();
        EXPECT_EQ(live, 1);
        list.Add(std::make_unique<Counted>(live));
    }
    EXPECT_EQ(live, 0);
}

TEST(UrlTarget, AssignChangesOnlyThePartsGiven) {
    TUrlTarget t;
    EXPECT_TRUE(t.URL.empty() && t.Target.empty());
    t.Assign("a.htm", "main");
    t.Assign(std::nullopt, "top");
    EXPECT_EQ(t.URL, "a.htm");
    EXPECT_EQ(t.Target, "top");
    t.Assign("b.htm", std::nullopt);
    EXPECT_EQ(t.URL, "b.htm");
    EXPECT_EQ(t.Target, "top");
    t.Clear();
    EXPECT_TRUE(t.URL.empty() && t.Target.empty());
}
