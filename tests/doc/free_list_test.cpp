#include "doc/free_list.h"

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
