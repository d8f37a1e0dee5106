// The document and its host: text measured through the host, and the requests a document
// makes of it.
#include "doc/doc_page.h"
#include "doc/image_obj.h"
#include "image/image_support.h"

#include <gtest/gtest.h>

using namespace doc;

namespace {

// Parses HTML into a document whose host measures with fixed metrics: 12-point text is 16
// pixels high and 8 wide per character (9 in bold).
struct FixedPage : testsupport::TPage {
    explicit FixedPage(const std::string& html) {
        Host.Fonts = &testsupport::FixedMetrics();
        parse(html);
    }
    TSection* text() const { return texts().at(0); }
};

} // namespace

TEST(TextMeasuring, LinesBreakByTheHostsMetrics) {
    FixedPage p("aaaa bbbb cccc dddd <B>ee</B>");
    TSection* s = p.text();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->TextWidth(0, 4), 32);
    EXPECT_EQ(s->TextWidth(20, 2), 18) << "bold";
    // 100 pixels hold "aaaa bbbb " (80) but not "aaaa bbbb cccc" (112); then "cccc dddd "
    // (80) and the bold "ee" (18).
    p.layout(100);
    ASSERT_EQ(s->Lines.size(), 2u);
    EXPECT_EQ(s->Lines[0].Count, 10);
    EXPECT_EQ(s->Lines[1].Count, 12);
    EXPECT_EQ(s->Lines[1].DrawWidth - s->Lines[1].LineIndent, 98);
    for (const LineRec& line : s->Lines) {
        EXPECT_EQ(line.TextHeight, 16);
        EXPECT_EQ(line.Descent, 3);
    }
    EXPECT_EQ(s->Lines[0].DrawWidth - s->Lines[0].LineIndent, 72) << "the trailing space is not drawn";
}

TEST(TextMeasuring, FacesAreNotSharedBetweenMeasurers) {
    // The same font measured on the screen first must not hand its widths to a document
    // measured otherwise, nor the other way round.
    testsupport::TPage screen;
    screen.parse("iiii");
    FixedPage fixed("iiii");
    EXPECT_EQ(fixed.text()->TextWidth(0, 4), 32);
    EXPECT_NE(screen.texts().at(0)->TextWidth(0, 4), 32);
}

TEST(DocumentHost, AnimatedPicturesRunTheHostsTimer) {
    struct CountingHost : testsupport::TTestHost {
        int Starts = 0, Stops = 0;
        void StartAnimationTimer() override { ++Starts; }
        void StopAnimationTimer() override { ++Stops; }
    } host;
    image::ResetImageSupport();
    const std::string dir = std::string(TEST_DATA_DIR) + "/gif/";
    host.OnImageFile = [dir](const std::string& name) { return dir + name; };
    TSectionList doc(&host);
    TNameList names;
    THtmlBuilder b;
    b.ParseBuffer(doc, names, "<IMG SRC=plain-1.gif>");
    int sw = 0;
    doc.DoLayout(600, sw);
    EXPECT_EQ(host.Starts, 0) << "a still picture needs no timer";
    b.ParseBuffer(doc, names, "<IMG SRC=loop-0.gif>");
    doc.DoLayout(600, sw);
    EXPECT_EQ(host.Starts, 1);
    const int stops = host.Stops;
    doc.Clear();
    EXPECT_GT(host.Stops, stops);
}
