// The document model built by hand, the way the builder builds it: sections opened, text
// appended, font runs started, sections added to the list.
#include "doc/block_sections.h"
#include "doc/doc_page.h"
#include "doc/section_list.h"
#include "doc/sel_text.h"
#include "doc/text_section.h"

#include <QFontMetrics>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace doc;

namespace {

TMyFont font(int points = 12, platform::TColor color = platform::clBlack) {
    TMyFont f;
    f.SetUnscaledSize(TSectionList(), points);
    f.Color = color;
    return f;
}

// A section of kind T holding Text, added to D.
template <class T = TSection> T* add(TSectionList& d, const std::string& text, int level = 0, TMyFont f = font()) {
    auto s = std::make_unique<T>(&d, level, Left, TUrlTarget(), f);
    s->AppendText(text);
    return static_cast<T*>(d.Add(std::move(s)));
}

int layout(TSectionList& d, int width) {
    int sw = 0;
    return d.DoLayout(width, sw);
}

QImage render(TSectionList& d, int width, int height) {
    layout(d, width);
    return testsupport::Render(d, width, height);
}

// The bounding box of pixels darker than mid-grey, or an empty rectangle.
QRect inkBox(const QImage& img, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(img.pixel(x, y)) < 128) box = box.united(QRect(x, y, 1, 1));
    return box;
}

} // namespace

TEST(FontRuns, LookupsByPosition) {
    TSectionList d;
    TSection& s = *add(d, "abc");
    s.StartFontRun(font(18));
    s.AppendText("def");
    s.StartFontRun(font(8));
    s.StartFontRun(font(10)); // no text since the last run: the run is replaced
    s.AppendText("gh");
    ASSERT_EQ(s.Fonts.Count(), 3);
    EXPECT_EQ(s.Fonts.RunAt(3)->StartPos, 3);
    EXPECT_EQ(s.Fonts.RunAt(2)->StartPos, 0);
    EXPECT_EQ(s.Fonts.RunAt(7)->Font.UnscaledSize, 10);
    EXPECT_EQ(s.Fonts.RunLengthAt(0, 8), 3);
    EXPECT_EQ(s.Fonts.RunLengthAt(4, 8), 2);
    EXPECT_EQ(s.Fonts.RunLengthAt(6, 8), 2);
}

// A leading blank is kept once anything but a floating image came (that it is dropped after
// floats alone is shown by the large pages); a section holds at most 20000 characters.
TEST(TextSections, BlanksCollapseAndAfterFloatsAloneAreDropped) {
    struct Case {
        const char* Name;
        std::vector<std::string> Steps; // "L", "R", "B": images floating left, right, inline; else text
        std::string Plain;              // the buffer with images as '#'
    };
    const Case cases[] = {
        {"text beyond 20000 characters is dropped", {"ab", std::string(30000, 'x')},
         "ab" + std::string(19998, 'x')},
        {"inline image first", {"B", " a"}, "# a"},
        {"text then floats", {"x", "L", "L", " a"}, "x## a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSectionList d;
        TSection s(&d, 0, Left, TUrlTarget(), font());
        for (const std::string& step : c.Steps) {
            html::TAttributeList image;
            image.Add({html::symAlign, 0, step == "L" ? "left" : step == "R" ? "right" : "bottom"});
            if (step == "L" || step == "R" || step == "B")
                s.PlaceImage(image);
            else
                s.AppendText(step);
        }
        std::string plain = s.Buff;
        std::replace(plain.begin(), plain.end(), ImagePlaceholder, '#');
        EXPECT_EQ(plain, c.Plain);
    }
}

// Runs of one font share one measured face; the faces go with the last run using them.
TEST(FontRuns, RunsOfOneFontShareOneFace) {
    const size_t before = TFontFace::LiveCount();
    {
        TSectionList d;
        std::vector<std::unique_ptr<TSection>> sections;
        for (int i = 0; i < 500; ++i) {
            auto s = std::make_unique<TSection>(&d, 0, Left, TUrlTarget(), font());
            s->AppendText("plain ");
            s->StartFontRun(font(18));
            s->AppendText("large ");
            s->StartFontRun(font());
            s->AppendText("plain again");
            sections.push_back(std::move(s));
        }
        EXPECT_LE(TFontFace::LiveCount(), before + 2);
        const TFontObj& a = *sections[0]->Fonts[0];
        const TFontObj& b = *sections[499]->Fonts[2];
        EXPECT_EQ(&a.QtFont(), &b.QtFont());
        EXPECT_NE(&a.QtFont(), &sections[0]->Fonts[1]->QtFont());
        // Shared or not, the widths are the font's own.
        const QFontMetrics fm(a.QtFont());
        int plainWidth = 0;
        for (char ch : std::string("plain")) plainWidth += fm.horizontalAdvance(QChar(ch));
        EXPECT_EQ(sections[7]->TextWidth(0, 5), plainWidth);
        // A run whose font changes is measured for its new font.
        TFontObj& c = *sections[3]->Fonts[1];
        const int wide = c.CharWidth('m');
        c.Font.SetUnscaledSize(d, 8);
        c.FontChanged();
        EXPECT_LT(c.CharWidth('m'), wide);
        EXPECT_LT(c.TextHeight(), sections[3]->Fonts[0]->TextHeight());
    }
    EXPECT_EQ(TFontFace::LiveCount(), before);
}

TEST(Preformatted, NeverWrapsAndAsksForAtMost500) {
    TSectionList d;
    auto* p = add<TPreFormated>(d, std::string(200, 'p'), 0, font(10));
    int mn, mx;
    p->WidthRange(mn, mx);
    EXPECT_EQ(mn, 500);
    EXPECT_GT(mx, 500);
}

TEST(ListItems, OrderedMarkers) {
    TSectionList d;
    auto marker = [&](int n, char style) {
        return TOListItem(&d, 1, Left, TUrlTarget(), font(), n, style).MarkerText();
    };
    EXPECT_EQ(marker(1, 'A') + marker(2, 'A') + marker(3, 'A'), "A.B.C.");
    EXPECT_EQ(marker(19, 'i') + marker(20, 'i') + marker(21, 'i'), "xix.xx.xx.");
    // Beyond z the letters stop; an unknown style counts in digits.
    EXPECT_EQ(marker(4, 'I') + marker(30, 'a') + marker(7, '1') + marker(7, 'Q'), "IV.z.7.7.");
}

TEST(ListItems, BulletsAreColouredByLevelOnWhite) {
    TSectionList d;
    d.Background = platform::clWhite;
    const TUListItem* items[] = {add<TUListItem>(d, "item", 1), add<TUListItem>(d, "item", 2),
                                 add<TUListItem>(d, "item", 3)};
    auto* p = add<TUListItem>(d, "plain", 1);
    p->Plain = true;
    QImage img = render(d, 300, 120);
    const QRgb expected[] = {qRgb(0, 0, 128), qRgb(128, 0, 0), qRgb(255, 0, 0)};
    for (size_t i = 0; i < std::size(items); ++i) {
        SCOPED_TRACE(i);
        const LineRec& l = items[i]->Lines[0];
        const int cx = l.LineIndent - 8, cy = items[i]->Top + l.TextHeight - l.Descent - l.TextHeight / 2;
        EXPECT_EQ(img.pixel(cx, cy), expected[i]);
        EXPECT_EQ(l.LineIndent, 35 * (static_cast<int>(i) + 1));
    }
    const LineRec& pl = p->Lines[0];
    const QRect around(pl.LineIndent - 12, p->Top, 10, pl.Height());
    EXPECT_TRUE(inkBox(img, around).isEmpty()) << "no bullet for a PLAIN list";
}

TEST(Copying, ListIndentationBecomesSpaces) {
    TSectionList d;
    add(d, "Intro");
    add<TUListItem>(d, "nested item", 1);
    layout(d, 600);
    EXPECT_EQ(testsupport::Copied(d, 0, 5 + 11), "Intro\r\n   nested item\r\n");
    d.SelB = d.SelE = 3;
    SelTextCount count;
    d.CopySelection(count);
    EXPECT_EQ(count.Finish(), 0) << "an empty selection copies nothing";
}

// Rules laid out are in the golden pages; how they are drawn is checked here.
TEST(Rules, LimitsAndDrawing) {
    TSectionList d;
    d.Background = platform::clWhite;
    auto rule = [&](std::vector<std::pair<html::TSymbol, std::string>> attrs) {
        html::TAttributeList list;
        for (auto& [sym, value] : attrs) list.Add({sym, std::atoi(value.c_str()), value});
        return static_cast<THorzLine*>(d.Add(std::make_unique<THorzLine>(&d, list)));
    };
    THorzLine* thick = rule({{html::symSize, "30"}});
    THorzLine* wide = rule({{html::symWidth, "150%"}});
    THorzLine* half = rule({{html::symWidth, "50%"}, {html::symAlign, "RIGHT"}});
    THorzLine* red = rule({{html::symColor, "red"}, {html::symSize, "4"}});
    THorzLine* black = rule({{html::symNoshade, ""}});
    EXPECT_EQ(thick->Thickness, 2);
    EXPECT_EQ(wide->Width, -1);
    QImage img = render(d, 400, 200);
    const int halfY = half->Top + (half->Height - half->Thickness) / 2;
    EXPECT_EQ(img.pixel(100, halfY), qRgb(255, 255, 255)) << "the left half stays empty";
    EXPECT_NE(img.pixel(300, halfY), qRgb(255, 255, 255));
    const int redY = red->Top + (red->Height - red->Thickness) / 2 + 1;
    EXPECT_EQ(img.pixel(200, redY), qRgb(255, 0, 0)) << "a filled bar";
    const int blackY = black->Top + (black->Height - black->Thickness) / 2;
    EXPECT_EQ(img.pixel(200, blackY), qRgb(0, 0, 0)) << "NOSHADE draws black edges";
}
