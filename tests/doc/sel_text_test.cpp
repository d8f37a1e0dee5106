#include "doc/sel_text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace doc;

TEST(SelectionSinks, PlaceholdersAreNeverCountedOrCopied) {
    const std::string text = "a\x04" "b\x02" "c";
    SelTextCount count;
    count.PutText(text);
    count.PutLine("xy");
    EXPECT_EQ(count.Finish(), 3 + 2 + 2);

    char buffer[16];
    SelTextBuf buf(buffer, sizeof buffer);
    buf.PutText(text);
    buf.PutLine("xy");
    EXPECT_EQ(buf.Finish(), 8);
    EXPECT_STREQ(buffer, "abcxy\r\n");
}

TEST(SelectionSinks, BufferKeepsRoomForTheZero) {
    char buffer[5] = {'#', '#', '#', '#', '#'};
    SelTextBuf buf(buffer, 4);
    buf.PutText("abcdef");
    buf.PutText("gh");
    EXPECT_EQ(buf.Finish(), 4);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], '#') << "nothing written beyond the size";

    SelTextBuf none(nullptr, 0);
    none.PutText("abc");
    EXPECT_EQ(none.Finish(), 1);
}

TEST(SelectionSinks, ClipBufferCopiesTheWholeSelectionWithLineFeeds) {
    ClipBuffer clip;
    std::string chunk(1000, 'x');
    chunk[0] = 'A';
    for (int i = 0; i < 40; ++i)
        clip.PutText(chunk);
    clip.PutLine("end");
    EXPECT_EQ(clip.Finish(), 40000 + 5 + 1);
    QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) GTEST_SKIP() << "this platform plugin keeps no clipboard";
    EXPECT_EQ(text.size(), 40004);
    EXPECT_EQ(text.count('A'), 40);
    EXPECT_TRUE(text.endsWith("end\n"));

    ClipBuffer latin;
    latin.PutText("Espa\xF1" "a\x04");
    latin.Finish();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("España"));
}
