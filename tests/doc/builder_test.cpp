// The document builder: HTML in, sections out. Whole pages and their layouts are proven by
// the golden pages; these are the rules a page shows less plainly.
#include "doc/builder.h"

#include "doc/block_sections.h"
#include "doc/doc_page.h"
#include "html/parse_error.h"
#include "image/image_support.h"
#include "platform/exception.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace doc;

namespace {

struct Parsed : testsupport::TPage {
    explicit Parsed(const std::string& html, int fontSize = 12) : TPage(fontSize) { parse(html); }
};

const TFontObj* runAt(const TSection* s, const std::string& word) {
    return s->Fonts.RunAt(static_cast<int>(s->Buff.find(word)));
}
const TMyFont& fontAt(const TSection* s, const std::string& word) { return runAt(s, word)->Font; }

} // namespace

TEST(Builder, OrderedListStartTypeAndNesting) {
    Parsed p("<OL START=5 TYPE=a><LI>five<LI>six<OL><LI>inner</OL><LI>seven</OL>");
    // Number, style and level of an item: "5/a/1".
    auto numbered = [](const Parsed& page, const std::string& content) {
        const auto* i = dynamic_cast<const TOListItem*>(page.text(content));
        return i ? std::to_string(i->ItemNumber) + "/" + i->NumberStyle + "/" + std::to_string(i->Level) : "none";
    };
    EXPECT_EQ(numbered(p, "five") + " " + numbered(p, "six") + " " + numbered(p, "inner") + " " + numbered(p, "seven"),
              "5/a/1 6/a/1 1/1/2 7/a/1");
    EXPECT_EQ(numbered(Parsed("<OL START=-3><LI>x</OL>"), "x"), "1/1/1");
    EXPECT_EQ(numbered(Parsed("<OL START=2147483647><LI>max<LI>beyond</OL>"), "beyond"), "2147483647/1/1");
}

TEST(Builder, LinksAnchorsImagesAndBaseTarget) {
    image::ResetImageSupport();
    Parsed p("<BASE HREF=\"http://h/d/\" TARGET=frame><A HREF=x>link</A> plain <A HREF=y TARGET=t>y</A>"
             "<A NAME=top>here</A> <A HREF=l><IMG SRC=\"a.gif\" ALT=\"An A\"></A>"
             "<H1><A NAME=\"h\">Heading</A></H1>");
    EXPECT_EQ(p.Builder.Base, "http://h/d/");
    EXPECT_EQ(p.Builder.BaseTarget, "frame");
    TSection* s = p.text("link");
    const TFontObj* run = runAt(s, "link");
    EXPECT_EQ(run->Link.URL, "x");
    EXPECT_EQ(run->Link.Target, "frame");
    EXPECT_TRUE(run->Font.Style & fsUnderline);
    EXPECT_EQ(run->Font.Color & 0xFFFFFF, platform::clBlue);
    EXPECT_TRUE(runAt(s, "plain")->Link.URL.empty());
    EXPECT_FALSE(fontAt(s, "plain").Style & fsUnderline);
    EXPECT_EQ(runAt(s, "y")->Link.Target, "t");
    ASSERT_NE(p.Names.Find("top"), nullptr);
    EXPECT_EQ(p.Names.Find("#TOP")->Section, s);
    EXPECT_EQ(p.Names.Find("bottom"), nullptr);
    // An image goes into the open section, inside its link.
    ASSERT_EQ(s->Images.size(), 1u);
    EXPECT_EQ(s->Images[0]->Source, "a.gif");
    const size_t image = s->Buff.find(ImagePlaceholder);
    ASSERT_NE(image, std::string::npos);
    EXPECT_EQ(s->Fonts.RunAt(static_cast<int>(image))->Link.URL, "l");
    // Anchor positions follow the layout.
    p.layout(700);
    EXPECT_GT(p.Names.AnchorY("h"), 20);
    EXPECT_EQ(p.Names.AnchorY("h"), p.text("Heading")->Top);
    EXPECT_EQ(p.Names.AnchorY("nothing"), -1);
}

TEST(Builder, FontSizesFollowTheFontStack) {
    struct Case {
        const char* Html;
        const char* Word;
        int Size;
    };
    const Case cases[] = {
        {"<FONT SIZE=+2>w</FONT>", "w", 18},
        {"<FONT SIZE=9>w</FONT>", "w", 36},
        {"<FONT SIZE=-5>w</FONT>", "w", 8},
        {"<FONT SIZE=+2>x</FONT>w", "w", 12},
        {"<BASEFONT SIZE=5>w", "w", 18},
        {"<BASEFONT SIZE=5><FONT SIZE=+1>w</FONT>", "w", 24},
        // A BASEFONT after content keeps the text's size but moves relative sizes.
        {"<P>x<BASEFONT SIZE=5>w", "w", 12},
        {"<P>x<BASEFONT SIZE=5><FONT SIZE=+1>w</FONT>", "w", 24},
        {"<BIG>w</BIG>", "w", 14},
        {"<SMALL>w</SMALL>", "w", 10},
        {"<FONT SIZE=7><BIG>w</BIG></FONT>", "w", 36},
        {"<H3><BIG>w</BIG></H3>", "w", 15},
        {"<TT>w</TT>", "w", 10},
        {"n<SUP>w</SUP>", "w", 9},
        {"<H2>w</H2>", "w", 18},
        {"<H7>w</H7>", "w", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Html);
        Parsed p(c.Html);
        ASSERT_NE(p.text(c.Word), nullptr);
        EXPECT_EQ(fontAt(p.text(c.Word), c.Word).UnscaledSize, c.Size);
    }
    const platform::TColor red = platform::clRed | platform::PaletteRelative;
    Parsed p("<FONT COLOR=red FACE=\" Arial , Helvetica\">face</FONT>back<TT>tt</TT>n<SUP>up</SUP>"
             "<FONT SIZE=7><FONT COLOR=red><BIG>top</BIG>red</FONT></FONT>");
    TSection* s = p.texts()[0];
    EXPECT_EQ(fontAt(s, "face").Name, "Arial");
    EXPECT_EQ(fontAt(s, "face").Color, red);
    EXPECT_EQ(fontAt(s, "back").Name, "Times New Roman");
    EXPECT_EQ(fontAt(s, "tt").Name, "Courier New");
    EXPECT_TRUE(fontAt(s, "tt").FixedPitch);
    EXPECT_EQ(runAt(s, "up")->ScriptPos, TScriptPos::Superscript);
    // The end of a BIG that could not step pops its own font, not the red one.
    EXPECT_EQ(fontAt(s, "red").Color, red);
    EXPECT_EQ(fontAt(Parsed("<FONT SIZE=+2>x</FONT>", 16).texts()[0], "x").Size, 24);
    EXPECT_TRUE(fontAt(Parsed("<H2>w</H2>").text("w"), "w").Style & fsBold);
    EXPECT_FALSE(fontAt(Parsed("<H7>w</H7>").text("w"), "w").Style & fsBold) << "H7 is level 0";
}

TEST(Builder, FontStackStopsAt25) {
    std::string html;
    for (int i = 0; i < 24; ++i) html += "<FONT COLOR=red>";
    html += "<FONT COLOR=blue>x</FONT>y";
    Parsed p(html);
    // The 25th entry was refused: x stays red; its end tag pops one red entry.
    for (const char* word : {"x", "y"})
        EXPECT_EQ(fontAt(p.texts()[0], word).Color, platform::clRed | platform::PaletteRelative);
    std::string deep;
    for (int i = 0; i < 200; ++i) deep += "<H1><TT><FONT SIZE=+1><A HREF=a><ADDRESS><BIG>";
    EXPECT_NE(Parsed(deep + "text").text("text"), nullptr);
}

TEST(Builder, BodyColoursOnlyBeforeContent) {
    Parsed p("<HTML><HEAD><TITLE>The  Title</TITLE></HEAD>"
             "<BODY TEXT=#00FF00 LINK=red BGCOLOR=white BACKGROUND=\"paper.gif\">green</BODY>");
    EXPECT_EQ(p.Builder.Title, "The Title");
    EXPECT_EQ(p.Doc.FontColor, platform::clLime | platform::PaletteRelative);
    EXPECT_EQ(p.Doc.HotSpotColor, platform::clRed | platform::PaletteRelative);
    EXPECT_EQ(p.Doc.Background, platform::clWhite | platform::PaletteRelative);
    EXPECT_EQ(p.Doc.BackgroundName, "paper.gif");
    EXPECT_EQ(fontAt(p.text("green"), "green").Color, platform::clLime | platform::PaletteRelative);
    EXPECT_EQ(Parsed("<P>text<BODY BGCOLOR=red>").Doc.Background, platform::clWhite);
    // Text before BODY is kept, and an anchor in a dropped section moves to its successor.
    EXPECT_NE(Parsed("early<BODY TEXT=red>late").text("early"), nullptr);
    Parsed anchor("<A NAME=x></A><BODY>text");
    ASSERT_NE(anchor.Names.Find("x"), nullptr);
    EXPECT_EQ(anchor.Names.Find("x")->Section, anchor.text("text"));
    EXPECT_EQ(Parsed("text</BODY>ignored").text("ignored"), nullptr);
    EXPECT_EQ(Parsed("").shape(), "Text()");
}

TEST(Builder, AlignmentAndClear) {
    Parsed p("<CENTER>a<BR CLEAR=left>b<BR>c<BR CLEAR=all></CENTER>d<BR><BR>e"
             "<DIV ALIGN=RIGHT>r<DIV ALIGN=bogus>still</DIV></DIV>left<CENTER><UL><LI>item</UL></CENTER>");
    EXPECT_EQ(p.text("b")->ClearMode, TClearMode::Left);
    EXPECT_EQ(p.text("b")->Justify, Centered);
    EXPECT_EQ(p.text("c")->ClearMode, TClearMode::None);
    EXPECT_EQ(p.text("d")->Justify, Left);
    // An empty line between two breaks keeps its height with one space.
    EXPECT_NE(p.shape().find("Text(d) Text( ) Text(e)"), std::string::npos);
    EXPECT_EQ(p.text("still")->Justify, Right);
    EXPECT_EQ(p.text("left")->Justify, Left);
    EXPECT_EQ(p.text("item")->Justify, Centered);
}

TEST(Builder, PreformattedLines) {
    // Every source line is a line: the line end after <PRE> and the empty line before
    // </PRE> each give a blank one.
    Parsed p("<PRE>\n  a &amp; b\nx < y <TABLE><B>bold</B>\n\n</PRE>after");
    EXPECT_EQ(p.shape(), "Text() Pre( ) Pre(  a & b) Pre(x < y bold) Pre( ) Pre( ) Text(after)");
    TSection* line = p.text("bold");
    EXPECT_TRUE(fontAt(line, "bold").Style & fsBold);
    EXPECT_FALSE(fontAt(line, "x").Style & fsBold);
    EXPECT_TRUE(fontAt(line, "x").FixedPitch);
    EXPECT_FALSE(fontAt(p.text("after"), "after").FixedPitch);
    EXPECT_EQ(Parsed("<PRE>a<BR>\nb</PRE>").shape(), "Text() Pre(a) Pre(b)");
}

TEST(Builder, TabsInPreformattedTextAdvanceToTheNextMultipleOfEight) {
    struct Case {
        std::string Source;
        std::string Line;
    };
    const std::string longLine(203, 'x');
    const Case cases[] = {
        {"\t\t\tVIM - main help file", "                        VIM - main help file"},
        {"ab\tc", "ab      c"},
        {"1234567\tx", "1234567 x"},
        {"12345678\tx", "12345678        x"},
        // Columns count across font runs, entities and links.
        {"<B>a&amp;</B>\tb", "a&      b"},
        {"<A HREF=x>link</A>\t|", "link    |"},
        // A long line is appended in pieces and still counts from its start.
        {longLine + "\tz", longLine + "     z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Source);
        Parsed p("<PRE>" + c.Source + "</PRE>");
        ASSERT_NE(p.texts().size(), 0u);
        EXPECT_EQ(p.texts().back()->Buff, c.Line);
    }
    // Outside PRE a tab is a blank like a space.
    EXPECT_EQ(Parsed("a\tb").texts()[0]->Buff, "a b");
    // A tab in a tag inside PRE still separates attributes.
    Parsed tag("<PRE><A\tHREF=x>in</A>\tout</PRE>");
    EXPECT_EQ(tag.texts().back()->Buff, "in      out");
    EXPECT_EQ(tag.texts().back()->Fonts.RunAt(0)->Link.URL, "x");
}

TEST(Builder, IncludesAndScriptsOnlyWhenTheHostTakesThemSoundsAndMaps) {
    // Meta and sound events are proven on the golden pages.
    Parsed quiet("<META HTTP-EQUIV=refresh CONTENT=\"5; URL=x\"><BGSOUND SRC=s.wav><!--#include file=\"x\"-->t");
    EXPECT_EQ(quiet.texts()[0]->Buff, "t");
    testsupport::TPage p;
    p.Host.OnInclude = [&](const std::string& command, std::vector<std::string> params, std::string& buffer) {
        p.Host.Events.push_back(command + " " + (params.empty() ? "" : params[0]));
        buffer = "<B>included</B>";
    };
    p.parse("<BGSOUND SRC=t.mid LOOP=3><BGSOUND>text <!--#include file=\"x\"--> after");
    EXPECT_EQ(p.Host.Events, (std::vector<std::string>{"sound t.mid 3", "include FILE=\"x\""}));
    EXPECT_EQ(p.texts()[0]->Buff, "text included after");

    EXPECT_EQ(Parsed("a<SCRIPT>if (a < b) document.write('x');</SCRIPT>b").texts()[0]->Buff, "ab");
    std::string language, script;
    p.Host.OnScript = [&](const std::string& lang, const std::string& text) {
        language = lang;
        script = text;
    };
    p.Doc.Clear();
    p.parse("<SCRIPT LANGUAGE=JavaScript>\n<!--\nvar a = 1 < 2;\n// -->\n</SCRIPT>"
            "<MAP NAME=\"Nav\"><AREA SHAPE=rect COORDS=\"0,0,10,10\" HREF=a.htm></MAP>"
            "<MAP NAME=cut><AREA HREF=b.htm COORDS=\"0,0,5,5\">");
    EXPECT_EQ(language, "JavaScript");
    EXPECT_NE(script.find("var a = 1 < 2;\r\n"), std::string::npos);
    ASSERT_EQ(p.Doc.MapList.size(), 1u); // the MAP cut off by the end is dropped
    EXPECT_EQ(p.Doc.MapList[0]->MapID, "NAV");
    EXPECT_EQ(p.Doc.MapList[0]->LinkAt(5, 5)->URL, "a.htm");
}

TEST(Builder, OpenCommentEndsTheParseButKeepsTheText) {
    testsupport::TPage p;
    EXPECT_THROW(p.parse("<P>kept text<B>lost<!-- never closed"), html::EParseError);
    ASSERT_NE(p.text("kept"), nullptr);
    EXPECT_EQ(p.text("kept")->Buff, "kept text");
    EXPECT_THROW(p.Builder.ParseFile(p.Doc, p.Names, "/nonexistent/page.htm"), platform::Exception);
    EXPECT_THROW(p.Builder.ParseTextFile(p.Doc, p.Names, "/nonexistent/a.txt"), platform::Exception);
}

TEST(Builder, OpenCommentInsideATableKeepsTheRowsReadSoFar) {
    // The failure used to unwind past the cell that held the open section, which was then
    // closed into the freed cell, and the whole table was lost.
    testsupport::TPage p;
    EXPECT_THROW(p.parse("<TABLE><TR><TD>first<TD><TABLE><TR><TD><A NAME=deep>inner cell<B>cut<!-- open"),
                 html::EParseError);
    ThtmlTable* outer = p.table();
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->Rows.Count(), 1);
    ASSERT_EQ(outer->Rows[0]->Count(), 2);
    ThtmlTable* inner = testsupport::TableIn((*outer->Rows[0])[1]->Cell);
    ASSERT_NE(inner, nullptr);
    ASSERT_EQ(inner->Rows.Count(), 1);
    const TCell& cell = (*inner->Rows[0])[0]->Cell;
    EXPECT_EQ(testsupport::TextOf(cell), "inner cell");
    const TNameList::TEntry* anchor = p.Names.Find("deep");
    ASSERT_NE(anchor, nullptr);
    EXPECT_TRUE(
        std::ranges::any_of(cell, [&](const auto& s) { return s.get() == anchor->Section; }));
}

TEST(Builder, DeepNestingNeitherOverflowsTheStackNorLosesText) {
    // Each nesting level is a recursion of the reader; a page of nothing but opening tags
    // used to run it off the end of the stack.
    for (const char* tag : {"UL", "OL", "BLOCKQUOTE", "DL", "CENTER", "DIV", "TABLE"}) {
        SCOPED_TRACE(tag);
        std::string html;
        for (int i = 0; i < 100000; ++i) html += std::string("<") + tag + ">";
        Parsed p(html + "deep");
        EXPECT_NE(p.text("deep"), nullptr);
    }
    // Nesting of ordinary depth is read as before.
    std::string html;
    for (int i = 0; i < 30; ++i) html += "<UL>";
    EXPECT_EQ(Parsed(html + "<LI>thirty").text("thirty")->Level, 30);
}
