// The document builder: HTML in, sections out.
#include "doc/builder.h"

#include "doc/block_sections.h"
#include "doc/html_table.h"
#include "doc/section_list.h"
#include "doc/text_section.h"
#include "html/parse_error.h"
#include "image/image_support.h"
#include "platform/exception.h"
#include "test_support.h"
#include "doc/test_host.h"

#include <gtest/gtest.h>

using namespace doc;

namespace {

struct Parsed {
    TSectionList Doc;
    TNameList Names;
    THtmlBuilder Builder;

    explicit Parsed(const std::string& html, int fontSize = 12) {
        Doc.SetDefaults("Times New Roman", "Courier New", platform::clWhite, platform::clBlue, platform::clBlack,
                        fontSize);
        Doc.ShowImages = false;
        Builder.ParseBuffer(Doc, Names, html);
    }
    Parsed() {}

    // Kind and text of every section: "Text(a) ParagraphSpace Text(b)"; empty text
    // sections read "Text()".
    std::string shape() const {
        std::string out;
        for (const auto& s : Doc) {
            if (!out.empty()) out += ' ';
            out += s->KindName();
            if (auto* t = dynamic_cast<const TSection*>(s.get())) out += "(" + t->Buff + ")";
        }
        return out;
    }
    // The text sections that hold something, in order.
    std::vector<TSection*> texts() const {
        std::vector<TSection*> out;
        for (const auto& s : Doc)
            if (auto* t = dynamic_cast<TSection*>(s.get()); t && !t->Buff.empty()) out.push_back(t);
        return out;
    }
    TSection* text(const std::string& content) const {
        for (TSection* t : texts())
            if (t->Buff.find(content) != std::string::npos) return t;
        return nullptr;
    }
};

const TMyFont& fontAt(const TSection* s, const std::string& word) {
    const int pos = static_cast<int>(s->Buff.find(word));
    return s->Fonts.RunAt(pos)->Font;
}

} // namespace

TEST(Builder, SeveralParagraphTagsLeaveOneSpace) {
    Parsed p("<P><P></P><P>text");
    EXPECT_EQ(p.shape(), "Text() ParagraphSpace Text(text)");
    Parsed q("one<P>two<P ALIGN=center>three</P>four");
    EXPECT_EQ(q.shape(), "Text(one) ParagraphSpace Text(two) ParagraphSpace Text(three) ParagraphSpace Text(four)");
    EXPECT_EQ(q.text("three")->Justify, Centered);
    EXPECT_EQ(q.text("four")->Justify, Left); // an end tag takes the current alignment
}

TEST(Builder, ListItemFollowedByParagraphHasNoSpace) {
    Parsed p("<UL><LI><P>text<LI>more</UL>after");
    EXPECT_EQ(p.shape(), "Text() UListItem(text) UListItem(more) Text(after)");
    EXPECT_EQ(p.text("text")->Level, 1);
    EXPECT_EQ(p.text("after")->Level, 0);
}

TEST(Builder, HeadingsAndTheirSpaces) {
    for (int size : {12, 16}) {
        SCOPED_TRACE(size);
        Parsed p("<H2>Title</H2>after<H7>seven</H7>", size);
        EXPECT_EQ(p.shape(), "Text() HeadingSpace Text(Title) HeadingSpace Text(after) HeadingSpace Text(seven) HeadingSpace");
        const TMyFont& h2 = fontAt(p.text("Title"), "Title");
        EXPECT_EQ(h2.UnscaledSize, 18);
        EXPECT_EQ(h2.Size, 18 * size / 12);
        EXPECT_TRUE(h2.Style & fsBold);
        EXPECT_EQ(static_cast<THeadingSpace*>(p.Doc[1])->Level, 2);
        // H7 is a level-0 heading: 12 points, not bold.
        const TMyFont& h7 = fontAt(p.text("seven"), "seven");
        EXPECT_EQ(h7.UnscaledSize, 12);
        EXPECT_FALSE(h7.Style & fsBold);
        EXPECT_EQ(static_cast<THeadingSpace*>(p.Doc[5])->Level, 0);
        // After the heading the document font is back.
        EXPECT_EQ(fontAt(p.text("after"), "after").UnscaledSize, 12);
    }
}

TEST(Builder, OrderedListStartTypeAndNesting) {
    Parsed p("<OL START=5 TYPE=a><LI>five<LI>six<OL><LI>inner</OL><LI>seven</OL>");
    auto* five = dynamic_cast<TOListItem*>(p.text("five"));
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five->ItemNumber, 5);
    EXPECT_EQ(five->NumberStyle, 'a');
    EXPECT_EQ(dynamic_cast<TOListItem*>(p.text("six"))->ItemNumber, 6);
    auto* inner = dynamic_cast<TOListItem*>(p.text("inner"));
    EXPECT_EQ(inner->ItemNumber, 1);
    EXPECT_EQ(inner->NumberStyle, '1');
    EXPECT_EQ(inner->Level, 2);
    EXPECT_EQ(dynamic_cast<TOListItem*>(p.text("seven"))->ItemNumber, 7);
    EXPECT_EQ(Parsed("<OL START=-3><LI>x</OL>").texts()[0]->Level, 1);
    EXPECT_EQ(dynamic_cast<TOListItem*>(Parsed("<OL START=-3><LI>x</OL>").texts()[0])->ItemNumber, 1);
    Parsed last("<OL START=2147483647><LI>max<LI>beyond</OL>");
    EXPECT_EQ(dynamic_cast<TOListItem*>(last.text("beyond"))->ItemNumber, 2147483647);
}

TEST(Builder, AnyEndOfListEndsTheInnermostList) {
    Parsed p("<OL><LI>a</UL>after");
    EXPECT_EQ(p.text("after")->Level, 0);
    EXPECT_EQ(p.text("after")->KindName(), std::string("Text"));
    Parsed q("<UL PLAIN><LI>p</UL><DL><DT>term<DD>definition</DL><BLOCKQUOTE>quoted</BLOCKQUOTE>");
    EXPECT_TRUE(dynamic_cast<TUListItem*>(q.text("p"))->Plain);
    EXPECT_EQ(q.text("term")->Level, 0);
    EXPECT_EQ(q.text("definition")->Level, 1);
    EXPECT_EQ(q.text("definition")->KindName(), std::string("DListItem"));
    EXPECT_EQ(q.text("quoted")->Level, 1);
    EXPECT_EQ(q.text("quoted")->Indent, 35);
}

TEST(Builder, LinksAnchorsAndBaseTarget) {
    Parsed p("<BASE HREF=\"http://h/d/\" TARGET=frame><A HREF=x>link</A> plain <A HREF=y TARGET=t>y</A>"
             "<A NAME=top>here</A>");
    EXPECT_EQ(p.Builder.Base, "http://h/d/");
    EXPECT_EQ(p.Builder.BaseTarget, "frame");
    TSection* s = p.text("link");
    const TFontObj* run = s->Fonts.RunAt(static_cast<int>(s->Buff.find("link")));
    EXPECT_EQ(run->Link.URL, "x");
    EXPECT_EQ(run->Link.Target, "frame");
    EXPECT_TRUE(run->Font.Style & fsUnderline);
    EXPECT_EQ(run->Font.Color & 0xFFFFFF, platform::clBlue);
    const TFontObj* plain = s->Fonts.RunAt(static_cast<int>(s->Buff.find("plain")));
    EXPECT_TRUE(plain->Link.URL.empty());
    EXPECT_FALSE(plain->Font.Style & fsUnderline);
    EXPECT_EQ(s->Fonts.RunAt(static_cast<int>(s->Buff.find("y")))->Link.Target, "t");
    ASSERT_NE(p.Names.Find("top"), nullptr);
    EXPECT_EQ(p.Names.Find("#TOP")->Section, s);
    EXPECT_EQ(p.Names.Find("bottom"), nullptr);
}

TEST(Builder, AnchorPositionsFollowLayout) {
    Parsed p("first<P>second<H1><A NAME=\"h\">Heading</A></H1>");
    int sw = 0;
    p.Doc.DoLayout(700, sw);
    EXPECT_GT(p.Names.AnchorY("h"), 20);
    EXPECT_EQ(p.Names.AnchorY("h"), p.text("Heading")->Top);
    EXPECT_EQ(p.Names.AnchorY("nothing"), -1);
}

TEST(Builder, FontSizesRelativeAndClamped) {
    Parsed p("<FONT SIZE=+2>five</FONT><FONT SIZE=9>seven</FONT><FONT SIZE=-5>one</FONT>"
             "<FONT COLOR=red FACE=\" Arial , Helvetica\">face</FONT>back");
    TSection* s = p.texts()[0];
    EXPECT_EQ(fontAt(s, "five").UnscaledSize, 18);
    EXPECT_EQ(fontAt(s, "seven").UnscaledSize, 36);
    EXPECT_EQ(fontAt(s, "one").UnscaledSize, 8);
    EXPECT_EQ(fontAt(s, "face").Name, "Arial");
    EXPECT_EQ(fontAt(s, "face").Color, platform::clRed | platform::PaletteRelative);
    EXPECT_EQ(fontAt(s, "back").UnscaledSize, 12);
    EXPECT_EQ(fontAt(s, "back").Name, "Times New Roman");
    Parsed big("<FONT SIZE=+2>x</FONT>", 16);
    EXPECT_EQ(fontAt(big.texts()[0], "x").Size, 24);
}

TEST(Builder, BaseFontBeforeAndAfterContent) {
    Parsed before("<BASEFONT SIZE=5>doc<FONT SIZE=+1>bigger</FONT>");
    EXPECT_EQ(fontAt(before.texts()[0], "doc").UnscaledSize, 18);
    EXPECT_EQ(fontAt(before.texts()[0], "bigger").UnscaledSize, 24);
    Parsed after("<P>doc<BASEFONT SIZE=5>still<FONT SIZE=+1>bigger</FONT>");
    EXPECT_EQ(fontAt(after.text("doc"), "still").UnscaledSize, 12);
    EXPECT_EQ(fontAt(after.text("doc"), "bigger").UnscaledSize, 24);
}

TEST(Builder, BigAndSmallStepThroughTheTable) {
    Parsed p("<BIG>b</BIG><SMALL>s</SMALL><FONT SIZE=7><FONT COLOR=red><BIG>top</BIG>red</FONT></FONT>"
             "<H3><BIG>h3</BIG></H3>");
    EXPECT_EQ(fontAt(p.text("b"), "b").UnscaledSize, 14);
    EXPECT_EQ(fontAt(p.text("b"), "s").UnscaledSize, 10);
    EXPECT_EQ(fontAt(p.text("b"), "top").UnscaledSize, 36);
    // The end of a BIG that could not step pops its own font, not the red one.
    EXPECT_EQ(fontAt(p.text("b"), "red").Color, platform::clRed | platform::PaletteRelative);
    EXPECT_EQ(fontAt(p.text("h3"), "h3").UnscaledSize, 15);
}

TEST(Builder, FontStackStopsAt25) {
    std::string html;
    for (int i = 0; i < 24; ++i) html += "<FONT COLOR=red>";
    html += "<FONT COLOR=blue>x</FONT>y";
    Parsed p(html);
    // The 25th entry was refused: x stays red; its end tag pops one red entry.
    EXPECT_EQ(fontAt(p.texts()[0], "x").Color, platform::clRed | platform::PaletteRelative);
    EXPECT_EQ(fontAt(p.texts()[0], "y").Color, platform::clRed | platform::PaletteRelative);
    std::string deep;
    for (int i = 0; i < 200; ++i) deep += "<H1><TT><FONT SIZE=+1><A HREF=a><ADDRESS><BIG>";
    Parsed q(deep + "text");
    EXPECT_NE(q.text("text"), nullptr);
}

TEST(Builder, StylesAndFixedPitch) {
    Parsed p("<B>b</B><I>i</I><U>u</U><STRIKE>s</STRIKE><TT>tt</TT><CODE>c</CODE>n<SUP>up</SUP><ADDRESS>addr</ADDRESS>");
    TSection* s = p.texts()[0];
    EXPECT_EQ(fontAt(s, "b").Style, fsBold);
    EXPECT_EQ(fontAt(s, "i").Style, fsItalic);
    EXPECT_EQ(fontAt(s, "u").Style, fsUnderline);
    EXPECT_EQ(fontAt(s, "s").Style, fsStrikeOut);
    EXPECT_EQ(fontAt(s, "tt").Name, "Courier New");
    EXPECT_TRUE(fontAt(s, "tt").FixedPitch);
    EXPECT_EQ(fontAt(s, "tt").UnscaledSize, 10);
    EXPECT_EQ(fontAt(s, "n").Name, "Times New Roman");
    EXPECT_EQ(s->Fonts.RunAt(static_cast<int>(s->Buff.find("up")))->ScriptPos, TScriptPos::Superscript);
    EXPECT_EQ(fontAt(s, "up").UnscaledSize, 9);
    EXPECT_TRUE(fontAt(p.text("addr"), "addr").Style & fsItalic);
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
    Parsed late("<P>text<BODY BGCOLOR=red>");
    EXPECT_EQ(late.Doc.Background, platform::clWhite);
    // Text before BODY is kept, and an anchor in a dropped section moves to its successor.
    Parsed early("early<BODY TEXT=red>late");
    EXPECT_NE(early.text("early"), nullptr);
    Parsed anchor("<A NAME=x></A><BODY>text");
    ASSERT_NE(anchor.Names.Find("x"), nullptr);
    EXPECT_EQ(anchor.Names.Find("x")->Section, anchor.text("text"));
}

TEST(Builder, NoBodyAndBrokenMarkup) {
    EXPECT_EQ(Parsed("just text").shape(), "Text(just text)");
    Parsed p("</B></UL></FONT></FONT></A></H1></CENTER></TABLE><FOO bar=1>text</BAR><LI><DD>x</BODY>ignored");
    EXPECT_NE(p.text("text"), nullptr);
    EXPECT_EQ(p.text("ignored"), nullptr);
    EXPECT_EQ(Parsed("").shape(), "Text()");
}

TEST(Builder, LineBreaksAndClear) {
    Parsed p("<CENTER>a<BR CLEAR=left>b<BR>c<BR CLEAR=all></CENTER>d<BR><BR>e");
    EXPECT_EQ(p.text("a")->Justify, Centered);
    EXPECT_EQ(p.text("b")->ClearMode, TClearMode::Left);
    EXPECT_EQ(p.text("b")->Justify, Centered);
    EXPECT_EQ(p.text("c")->ClearMode, TClearMode::None);
    EXPECT_EQ(p.text("d")->Justify, Left);
    // An empty line between two breaks keeps its height with one space.
    EXPECT_NE(p.shape().find("Text(d) Text( ) Text(e)"), std::string::npos);
}

TEST(Builder, CenterAndDivAlignment) {
    Parsed p("<DIV ALIGN=RIGHT>r<DIV ALIGN=bogus>still</DIV>after</DIV>left<CENTER><UL><LI>item</UL></CENTER>");
    EXPECT_EQ(p.text("r")->Justify, Right);
    EXPECT_EQ(p.text("still")->Justify, Right);
    EXPECT_EQ(p.text("left")->Justify, Left);
    EXPECT_EQ(p.text("item")->Justify, Centered);
}

TEST(Builder, RulesTablesAndFormsAreReadThrough) {
    Parsed p("<HR SIZE=5><TABLE BORDER><CAPTION>cap</CAPTION><TR><TH>h1<TH>h2<TR><TD>c1<TD><B>c2</TD></TABLE>after"
             "<SELECT><OPTION>opt</SELECT><TEXTAREA>area <b>text</b>\n</TEXTAREA><INPUT NAME=x>end");
    const std::string controls(3, ControlPlaceholder);
    EXPECT_EQ(static_cast<THorzLine*>(p.Doc[1])->Thickness, 5);
    auto* table = dynamic_cast<ThtmlTable*>(p.Doc[2]);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Rows.Count(), 2);
    EXPECT_FALSE(table->Caption->Cell.Empty());
    EXPECT_FALSE(fontAt(p.text("after"), "after").Style & fsBold);
    EXPECT_EQ(p.text("opt"), nullptr);
    EXPECT_EQ(p.text("area"), nullptr);
    EXPECT_EQ(p.text("after")->Buff, "after" + controls + "end");
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
    Parsed three("<PRE>one\ntwo\nthree</PRE>");
    EXPECT_EQ(three.shape(), "Text() Pre(one) Pre(two) Pre(three)");
    Parsed br("<PRE>a<BR>\nb</PRE>");
    EXPECT_EQ(br.shape(), "Text() Pre(a) Pre(b)");
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
    Parsed flowing("a\tb");
    EXPECT_EQ(flowing.texts()[0]->Buff, "a b");
    // A tab in a tag inside PRE still separates attributes.
    Parsed tag("<PRE><A\tHREF=x>in</A>\tout</PRE>");
    EXPECT_EQ(tag.texts().back()->Buff, "in      out");
    EXPECT_EQ(tag.texts().back()->Fonts.RunAt(0)->Link.URL, "x");
}

TEST(Builder, PlainTextFiles) {
    testsupport::TempDir dir;
    const std::string name = dir.write("a.txt", "one <b>\r\n\ttwo &amp;\n\nthree\tx\n");
    TSectionList doc;
    TNameList names;
    THtmlBuilder b;
    b.ParseTextFile(doc, names, name);
    std::string shape;
    for (const auto& s : doc) shape += std::string(s->KindName()) + "(" + static_cast<TSection*>(s.get())->Buff + ")";
    EXPECT_EQ(shape, "Pre(one <b>)Pre(        two &amp;)Pre( )Pre(three   x)");
    EXPECT_TRUE(static_cast<TSection*>(doc[0])->Fonts[0]->Font.FixedPitch);
    EXPECT_THROW(b.ParseTextFile(doc, names, dir.file("missing.txt")), platform::Exception);
}

TEST(Builder, EventsFireOnlyWhenSet) {
    Parsed quiet("<META HTTP-EQUIV=refresh CONTENT=\"5; URL=x\"><BGSOUND SRC=s.wav><!--#include file=\"x\"-->t");
    EXPECT_NE(quiet.text("t"), nullptr);

    testsupport::TTestHost host;
    TSectionList doc(&host);
    TNameList names;
    THtmlBuilder b;
    std::vector<std::string> seen;
    host.OnMeta = [&](const std::string& eq, const std::string& name, const std::string& content) {
        seen.push_back("meta " + eq + "|" + name + "|" + content);
    };
    host.OnSound = [&](const std::string& src, int loop, bool terminate) {
        seen.push_back("sound " + src + " " + std::to_string(loop) + (terminate ? " stop" : ""));
    };
    host.OnInclude = [&](const std::string& command, std::vector<std::string> params, std::string& buffer) {
        seen.push_back("include " + command + " " + (params.empty() ? "" : params[0]));
        buffer = "<B>included</B>";
    };
    b.ParseBuffer(doc, names,
                  "<META HTTP-EQUIV=refresh CONTENT=\"5; URL=x\"><META NAME=author><BGSOUND SRC=s.wav>"
                  "<BGSOUND SRC=t.mid LOOP=3><BGSOUND>text <!--#include file=\"x\"--> after");
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], "meta refresh||5; URL=x");
    EXPECT_EQ(seen[1], "meta |author|");
    EXPECT_EQ(seen[2], "sound s.wav 1");
    EXPECT_EQ(seen[3], "sound t.mid 3");
    EXPECT_EQ(seen[4], "include include FILE=\"x\"");
    EXPECT_EQ(static_cast<TSection*>(doc[0])->Buff, "text included after");
}

TEST(Builder, ScriptsAndMaps) {
    Parsed quiet("a<SCRIPT>if (a < b) document.write('x');</SCRIPT>b");
    EXPECT_EQ(quiet.texts()[0]->Buff, "ab");

    testsupport::TTestHost host;
    TSectionList doc(&host);
    TNameList names;
    THtmlBuilder b;
    std::string language, script;
    host.OnScript = [&](const std::string& lang, const std::string& text) {
        language = lang;
        script = text;
    };
    b.ParseBuffer(doc, names,
                  "<SCRIPT LANGUAGE=JavaScript>\n<!--\nvar a = 1 < 2;\n// -->\n</SCRIPT>"
                  "<MAP NAME=\"Nav\"><AREA SHAPE=rect COORDS=\"0,0,10,10\" HREF=a.htm></MAP>"
                  "<MAP NAME=cut><AREA HREF=b.htm COORDS=\"0,0,5,5\">");
    EXPECT_EQ(language, "JavaScript");
    EXPECT_NE(script.find("var a = 1 < 2;\r\n"), std::string::npos);
    ASSERT_EQ(doc.MapList.size(), 1u); // the MAP cut off by the end is dropped
    EXPECT_EQ(doc.MapList[0]->MapID, "NAV");
    EXPECT_EQ(doc.MapList[0]->LinkAt(5, 5)->URL, "a.htm");
}

TEST(Builder, OpenCommentEndsTheParseButKeepsTheText) {
    TSectionList doc;
    TNameList names;
    THtmlBuilder b;
    EXPECT_THROW(b.ParseBuffer(doc, names, "<P>kept text<B>lost<!-- never closed"), html::EParseError);
    bool found = false;
    for (const auto& s : doc)
        if (auto* t = dynamic_cast<TSection*>(s.get()); t && t->Buff == "kept text") found = true;
    EXPECT_TRUE(found);
    EXPECT_THROW(b.ParseFile(doc, names, "/nonexistent/page.htm"), platform::Exception);
}

TEST(Builder, OpenCommentInsideATableKeepsTheRowsReadSoFar) {
    // The failure used to unwind past the cell that held the open section, which was then
    // closed into the freed cell, and the whole table was lost.
    TSectionList doc;
    TNameList names;
    THtmlBuilder b;
    EXPECT_THROW(b.ParseBuffer(doc, names,
                               "<TABLE><TR><TD>first<TD><TABLE><TR><TD><A NAME=deep>inner cell<B>cut<!-- open"),
                 html::EParseError);
    ThtmlTable* outer = nullptr;
    for (const auto& s : doc)
        if (auto* t = dynamic_cast<ThtmlTable*>(s.get())) outer = t;
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->Rows.Count(), 1);
    ASSERT_EQ(outer->Rows[0]->Count(), 2);
    ThtmlTable* inner = nullptr;
    for (const auto& s : (*outer->Rows[0])[1]->Cell)
        if (auto* t = dynamic_cast<ThtmlTable*>(s.get())) inner = t;
    ASSERT_NE(inner, nullptr);
    ASSERT_EQ(inner->Rows.Count(), 1);
    const TNameList::TEntry* anchor = names.Find("deep");
    ASSERT_NE(anchor, nullptr);
    std::string text;
    bool anchorInCell = false;
    for (const auto& s : (*inner->Rows[0])[0]->Cell) {
        if (auto* t = dynamic_cast<TSection*>(s.get())) text += t->Buff;
        anchorInCell |= s.get() == anchor->Section;
    }
    EXPECT_EQ(text, "inner cell");
    EXPECT_TRUE(anchorInCell);
}

TEST(Builder, ImagesGoIntoTheOpenSection) {
    image::ResetImageSupport();
    Parsed p("<A HREF=l><IMG SRC=\"a.gif\" ALT=\"An A\"></A> text");
    TSection* s = p.text("text");
    ASSERT_EQ(s->Images.size(), 1u);
    EXPECT_EQ(s->Images[0]->Source, "a.gif");
    EXPECT_EQ(s->Buff[0], ImagePlaceholder);
    EXPECT_EQ(s->Fonts.RunAt(0)->Link.URL, "l");
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
