// Pages of pathological size and shape, built and laid out whole: thousands of floating
// images in one paragraph, tens of thousands of lists. What is checked is the result;
// how long they take is the benchmarks' business.
#include "doc/doc_page.h"
#include "image/image_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace doc;

namespace {

constexpr int PageWidth = 700;

struct BuiltPage : testsupport::TPage {
    std::vector<TSection*> Texts;

    explicit BuiltPage(const std::string& html) : TPage(12, true) {
        image::ResetImageSupport();
        parse(html);
        layout(PageWidth);
        Texts = texts();
    }
};

// The text of a section without its image and control placeholders.
std::string plainText(const TSection& s) {
    std::string t;
    for (char c : s.Buff)
        if (c != ImagePlaceholder && c != ControlPlaceholder) t += c;
    return t;
}

} // namespace

// The blanks between floating images are dropped while nothing but floats came before
// them, however many floats that is; the floats stack side by side on the first line.
TEST(LargePages, NineteenThousandFloatsInOneParagraph) {
    constexpr int n = 19000;
    std::string html = "<P>";
    for (int i = 0; i < n; ++i)
        html += "<IMG ALIGN=left WIDTH=8 HEIGHT=9 HSPACE=2> ";
    html += "end</P>";
    BuiltPage page(html);
    ASSERT_EQ(page.Texts.size(), 1u);
    const TSection& s = *page.Texts[0];
    ASSERT_EQ(s.Buff.size(), static_cast<size_t>(n) + 3);
    EXPECT_EQ(s.Buff.substr(n), "end");
    ASSERT_EQ(s.Images.size(), static_cast<size_t>(n));
    const int top = s.Images[0]->DrawY;
    for (int i = 0; i < n; ++i) {
        const TImageObj& img = *s.Images[static_cast<size_t>(i)];
        ASSERT_EQ(img.ImageWidth, 8) << i;
        ASSERT_EQ(img.DrawX, 10 * i) << i;
        ASSERT_EQ(img.DrawY, top) << i;
    }
    // The floats make a line of their own without height; the word has no room left
    // beside them and overflows on the next line, at the same y.
    ASSERT_EQ(s.Lines.size(), 2u);
    EXPECT_EQ(s.Lines[0].Count, n);
    EXPECT_EQ(s.Lines[0].Height(), 0);
    EXPECT_EQ(s.Lines[1].Count, 3);
    EXPECT_EQ(s.Lines[1].LineIndent, 10 * n);
    EXPECT_GE(page.Height, top + 9);
}

// Forty thousand lists, every fourth with a list inside it: each item sits 35 pixels in
// per level, items follow each other without gaps, and the text is kept.
TEST(LargePages, FortyThousandLists) {
    constexpr int n = 40000;
    std::string html;
    for (int i = 0; i < n; ++i) {
        const std::string k = std::to_string(i);
        html += i % 4 == 0 ? "<UL><LI>outer " + k + "<UL><LI>inner " + k + "</UL></UL>\n"
                           : "<UL><LI>item " + k + "</UL>\n";
    }
    BuiltPage page(html);
    ASSERT_EQ(page.Texts.size(), static_cast<size_t>(n + n / 4));
    size_t at = 0;
    for (int i = 0; i < n; ++i) {
        const std::string k = std::to_string(i);
        std::vector<std::pair<std::string, int>> items{{(i % 4 ? "item " : "outer ") + k, 1}};
        if (i % 4 == 0) items.emplace_back("inner " + k, 2);
        for (const auto& [text, level] : items) {
            const TSection& s = *page.Texts[at++];
            ASSERT_EQ(plainText(s), text);
            ASSERT_EQ(s.Level, level) << text;
            ASSERT_EQ(s.Lines.size(), 1u) << text;
            ASSERT_EQ(s.Lines[0].LineIndent, 35 * level) << text;
        }
    }
    int y = 0;
    for (const auto& s : page.Doc) {
        ASSERT_EQ(s->Top, y);
        y += s->Height;
    }
    EXPECT_EQ(page.Height, y);
}
