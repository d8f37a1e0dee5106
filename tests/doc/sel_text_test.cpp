#include "doc/sel_text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace doc;

TEST(SelectionSinks, BufferKeepsRoomForTheZero) {
    char buffer[5] = {'#', '#', '#', '#', '#'};
    SelTextBuf buf(buffer, 4);
    buf.PutText("a\x04" "b\x02" "cdef"); // the stand-ins of pictures and controls are left out
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
    const std::string chunk(1000, 'x');
    for (int i = 0; i < 40; ++i)
        clip.PutText(chunk);
    clip.PutLine("end");
    EXPECT_EQ(clip.Finish(), 40000 + 5 + 1);
    QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) GTEST_SKIP() << "this platform plugin keeps no clipboard";
    EXPECT_EQ(text.size(), 40004);

    ClipBuffer latin;
    latin.PutText("Espa\xF1" "a\x04");
    latin.Finish();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("España"));
}
