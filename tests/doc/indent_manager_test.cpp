#include "doc/indent_manager.h"

#include <gtest/gtest.h>

using doc::IndentManagerBasic;

TEST(IndentManager, NestedListLevelsIndentAndCloseAtTheLineAbove) {
    IndentManagerBasic m;
    m.Reset(10, 600);
    m.SetListLevel(100, 1);
    EXPECT_EQ(m.LeftAt(100), 10 + 35);
    m.SetListLevel(120, 3);
    EXPECT_EQ(m.LeftAt(119), 10 + 35);
    EXPECT_EQ(m.LeftAt(120), 10 + 105);
    ASSERT_EQ(m.LeftList.size(), 3u);
    EXPECT_EQ(m.LeftList[1].Indent, 70);
    EXPECT_EQ(m.LeftList[2].Level, 3);
    EXPECT_EQ(m.CurrentLevel, 3);

    m.SetListLevel(200, 1);
    EXPECT_EQ(m.CurrentLevel, 1);
    EXPECT_EQ(m.LeftList[1].Level, 0);
    EXPECT_EQ(m.LeftList[1].BottomY, 199);
    EXPECT_EQ(m.LeftList[2].BottomY, 199);
    EXPECT_EQ(m.LeftList[0].Level, 1);
    EXPECT_EQ(m.LeftAt(198), 10 + 105);
    EXPECT_EQ(m.LeftAt(200), 10 + 35);

    m.SetListLevel(300, 0);
    EXPECT_EQ(m.LeftAt(300), 10);
    m.Clear();
    EXPECT_TRUE(m.LeftList.empty());
}

TEST(IndentManager, FloatsOnBothSides) {
    IndentManagerBasic m;
    m.Reset(0, 500);
    EXPECT_EQ(m.FloatsBottom(), 0);
    int cl = -1, cr = -1;
    m.ClearPositions(cl, cr);
    EXPECT_EQ(cl, 0);
    EXPECT_EQ(cr, 0);

    m.AddFloat(10, 100, 1, 50); // left, y 10..59
    m.AddFloat(20, 40, 1, 10);  // left, stacked beside it, y 20..29
    m.AddFloat(10, 80, 3, 200); // right, y 10..209
    m.AddFloat(10, 80, 2, 200); // centred: adds nothing
    EXPECT_EQ(m.LeftAt(9), 0);
    EXPECT_EQ(m.LeftAt(10), 100);
    EXPECT_EQ(m.LeftAt(25), 140);
    EXPECT_EQ(m.LeftAt(60), 0);
    EXPECT_EQ(m.RightAt(10), 420);
    EXPECT_EQ(m.RightAt(210), 500);
    m.AddFloat(50, 30, 3, 10);
    EXPECT_EQ(m.RightAt(55), 390);
    EXPECT_EQ(m.FloatsBottom(), 210);
    m.ClearPositions(cl, cr);
    EXPECT_EQ(cl, 61);
    EXPECT_EQ(cr, 211);
}

TEST(IndentManager, NextWiderYPassesTheFloatsOfTheCurrentLevel) {
    IndentManagerBasic m;
    m.Reset(0, 500);
    EXPECT_EQ(m.NextWiderY(), 1);
    m.SetListLevel(0, 1);
    m.AddFloat(10, 100, 1, 40); // indent 135, y 10..49
    EXPECT_EQ(m.NextWiderY(), 51);
    m.AddFloat(60, 20, 1, 40); // indent 55, y 60..99
    EXPECT_EQ(m.NextWiderY(), 101);
}
