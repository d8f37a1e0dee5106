#include "view_fixture.h"

#include "doc/html_table.h"
#include "view/background.h"

#include <QApplication>
#include <QScrollBar>

using namespace viewtest;

namespace {

// A preformatted line of N characters: Courier New 10 pt is 8 pixels a character.
std::string wideLine(int chars) { return "<pre>" + std::string(static_cast<size_t>(chars), 'w') + "</pre>"; }

} // namespace

TEST_F(ViewTest, BothBarsAppearWhenTheHorizontalOneTakesTheRoom) {
    View->LoadDocument(page("wide.htm", wideLine(80) + "<p>short"));
    const int sbw = View->BarThickness();
    ASSERT_GT(sbw, 0);
    // Slightly shorter than the control: no vertical bar of its own...
    View->resize(View->width(), View->DocHeight() + 2 + sbw / 2);
    ASSERT_LT(View->DocHeight(), View->height() - 2);
    ASSERT_GT(View->WidestLine() + 2 * View->MarginWidth(), View->width());
    // ...but the horizontal bar takes the room it needed.
    EXPECT_TRUE(View->HScrollBar()->isVisibleTo(View.get()));
    EXPECT_TRUE(View->VScrollBar()->isVisibleTo(View.get()));
    EXPECT_EQ(panel()->height(), View->height() - 2 - sbw);
    EXPECT_EQ(panel()->width(), View->width() - 2 - sbw);

    View->SetScrollBars(view::ssVertical);
    EXPECT_FALSE(View->HScrollBar()->isVisibleTo(View.get()));
    EXPECT_FALSE(View->VScrollBar()->isVisibleTo(View.get()));
}

TEST_F(ViewTest, ContentWiderThan2000PixelsScrollsNoFurther) {
    View->LoadDocument(page("wider.htm", wideLine(400)));
    EXPECT_EQ(View->WidestLine(), view::THtmlView::MaxHorzWidth);
    const int content = view::THtmlView::MaxHorzWidth + 2 * View->MarginWidth();
    EXPECT_EQ(View->HScrollBar()->maximum(), content - panel()->width());
    QTest::keyClick(View.get(), Qt::Key_Right);
    EXPECT_EQ(View->HorzPosition(), view::THtmlView::HorzSmallStep);
    for (int i = 0; i < 300; ++i) QTest::keyClick(View.get(), Qt::Key_Right);
    EXPECT_EQ(View->HorzPosition(), content - panel()->width());
    QTest::keyClick(View.get(), Qt::Key_Left);
    EXPECT_EQ(View->HorzPosition(), content - panel()->width() - view::THtmlView::HorzSmallStep);
}

TEST_F(ViewTest, OnlyAWidthChangeLaysOutAgainAndKeepsTheSectionAtTheTop) {
    View->LoadDocument(page("long.htm", longBody(120)));
    View->ScrollToY(1000);
    const int packed = View->SectionPosition();
    int layouts = 0;
    View->OnProcessing = [&](view::THtmlView*, bool on) { layouts += on; };

    View->resize(View->width(), 250);
    EXPECT_EQ(layouts, 0) << "a height change keeps the layout";
    EXPECT_EQ(View->ViewTop(), 1000);
    EXPECT_EQ(View->VScrollBar()->height(), panel()->height());

    View->resize(250, 250);
    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(View->SectionPosition(), packed);
}

// A line is 16 pixels, a page the surface height less 16, for the bar and the keys alike.
TEST_F(ViewTest, ScrollingIsClampedAndStepsByBarAndKeysEvenWithoutBars) {
    View->LoadDocument(page("long.htm", longBody(60)));
    const int maxTop = View->DocHeight() - panel()->height();
    View->ScrollToY(-50);
    EXPECT_EQ(View->ViewTop(), 0);
    View->ScrollToY(1 << 20);
    EXPECT_EQ(View->ViewTop(), maxTop);
    EXPECT_EQ(View->VScrollBar()->value(), maxTop);
    EXPECT_EQ(View->VScrollBar()->maximum(), maxTop);

    View->SetSectionPosition(View->Sections().Count() * 65536); // no such section
    EXPECT_EQ(View->ViewTop(), maxTop);
    View->SetSectionPosition(0);
    EXPECT_EQ(View->ViewTop(), 0);

    View->VScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(View->ViewTop(), 16);
    View->VScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(View->ViewTop(), 16 + panel()->height() - 16);
    View->VScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(View->ViewTop(), maxTop);
    EXPECT_EQ(View->Sections().YOff, maxTop - View->MarginHeight());

    const int withBar = View->DocHeight();
    View->SetScrollBars(view::ssNone);
    EXPECT_FALSE(View->VScrollBar()->isVisibleTo(View.get()));
    const int docHeight = View->DocHeight();
    EXPECT_GE(withBar, docHeight + View->MarginHeight())
        << "the bottom margin counts only with a vertical bar";
    const int keysMaxTop = docHeight - panel()->height();
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Home, 0},         {Qt::Key_Down, 16}, {Qt::Key_PageDown, panel()->height()},
        {Qt::Key_End, keysMaxTop}, {Qt::Key_Up, keysMaxTop - 16}};
    for (const auto& [key, top] : steps) {
        QTest::keyClick(View.get(), key);
        EXPECT_EQ(View->ViewTop(), top) << key;
    }
}

TEST_F(ViewTest, TheBackgroundStaysFixedToTheDocumentWhileScrolling) {
    // A tile whose every row differs, 13 x 7, so that any misplaced row shows.
    QImage tile(13, 7, QImage::Format_RGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) tile.setPixel(x, y, qRgb(40 * y % 256, 19 * x % 256, 200));
    ASSERT_TRUE(tile.save(QString::fromStdString(Dir.file("tile.png"))));
    View->LoadDocument(page("bg.htm", "<body background=\"tile.png\">" + longBody(60)));
    ASSERT_FALSE(View->Sections().BackgroundBitmap.isNull());

    View->ScrollToY(3);
    const QImage before = surface();
    // Far from any text, in the right margin, the surface shows the tile of the document.
    const int x = panel()->width() - 3;
    for (int y = 0; y < 40; ++y)
        ASSERT_EQ(before.pixel(x, y), tile.pixel((x + View->HorzPosition()) % 13, (y + 3) % 7)) << "row " << y;

    QTest::keyClick(View.get(), Qt::Key_Down);
    ASSERT_EQ(View->ViewTop(), 3 + 16);
    const QImage after = surface();
    const int h = before.height() - 16;
    EXPECT_EQ(after.copy(0, 0, before.width(), h), before.copy(0, 16, before.width(), h));

    View->SetViewImages(false);
    const QImage plain = surface();
    EXPECT_EQ(QColor(plain.pixel(x, 5)), platform::ToQColor(View->SurfaceColor()));
}

TEST_F(ViewTest, TheFocusedFrameShowsOnlyWithTheFocus) {
    View->LoadDocument(page("a.htm", "<body bgcolor=\"#00FF00\"><p>text"));
    QApplication::setActiveWindow(View.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(View.get()));
    auto frameColour = [&] {
        return QColor(View->BorderSurface()->grab().toImage().pixel(0, View->height() / 2));
    };
    View->setFocus();
    ASSERT_TRUE(View->hasFocus());
    EXPECT_EQ(frameColour(), platform::ToQColor(platform::clBtnText));
    View->clearFocus();
    EXPECT_EQ(frameColour(), platform::ToQColor(View->SurfaceColor()));
    EXPECT_EQ(frameColour(), QColor(0, 255, 0));
    View->SetBorderStyle(view::htSingle);
    EXPECT_EQ(frameColour(), platform::ToQColor(platform::clBtnText));
    View->SetBorderStyle(view::htNone);
    EXPECT_EQ(panel()->pos(), QPoint(0, 0));
}

TEST_F(ViewTest, TooManyColumnsIsReportedAfterThePageIsShown) {
    std::string html = "<p>before<table border><tr>";
    for (int i = 0; i < 31; ++i) html += "<td>c" + std::to_string(i);
    const std::string file = page("cols.htm", html + "</table><p>after");
    EXPECT_EQ(testsupport::FailureOf<doc::EProcessError>([&] { View->LoadDocument(file); }),
              doc::TooManyColumnsMessage);
    // The page was laid out all the same: the text after the table has its place.
    const int after = View->Sections().SearchText(0, "after", true);
    ASSERT_GE(after, 0);
    int x = 0, y = 0;
    ASSERT_TRUE(View->Sections().PositionToPoint(after, x, y));
    EXPECT_GT(y, 0);
    EXPECT_GT(View->DocHeight(), y);
    EXPECT_FALSE(View->Processing());
    // The failure is not raised again by later layouts.
    const int height = View->DocHeight();
    View->resize(View->width() + 50, View->height());
    EXPECT_GT(View->DocHeight(), 0);
    EXPECT_LE(View->DocHeight(), height);
}

// A whole surface scrolled by part of a tile is drawn in
// TheBackgroundStaysFixedToTheDocumentWhileScrolling.
TEST(BackgroundTiles, FirstTileOriginIsAtOrPastTheClipCorner) {
    struct Case {
        const char* name;
        QRect clip;
        int h, v;
        QPoint expected;
    } cases[] = {
        {"scrolled by whole tiles", QRect(0, 0, 100, 100), 20, 70, {0, 0}},
        {"clip below the top", QRect(0, 33, 100, 10), 0, 16, {0, 34}},
        {"clip inside", QRect(25, 25, 5, 5), 0, 0, {30, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(view::FirstTileOrigin(c.clip, QSize(10, 10), c.h, c.v), c.expected);
    }
}
