// The scanner on small inputs; real pages are scanned against their kept symbol dumps.
#include "html/scanner.h"
#include "html/symbol_dump.h"
#include "html/tables.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace html;

namespace {

// "symText:ab|symChar:>|..." for the whole stream of Text (symEof not listed).
std::string stream(std::string_view text, bool preformatted = false) {
    TScanner s;
    s.StartBuffer(text);
    s.Preformatted = preformatted;
    std::string out;
    for (int guard = 0; guard < 10000; ++guard) {
        s.NextSymbol();
        if (s.Symbol() == symEof) return out;
        if (!out.empty()) out += '|';
        out += SymbolName(s.Symbol());
        if (!s.Token().empty()) out += ":" + s.Token();
    }
    ADD_FAILURE() << "no end of input";
    return out;
}

struct StreamCase {
    const char* name;
    const char* input;
    const char* expected;
};

void checkStreams(std::initializer_list<StreamCase> cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(stream(c.input), c.expected);
    }
}

// "name:token|" for every symbol Next reads, up to Stop or the end of the input, both included.
std::string collect(TScanner& s, void (TScanner::*next)(), TSymbol stop = symEof) {
    std::string out;
    do {
        (s.*next)();
        out += SymbolName(s.Symbol()) + ":" + s.Token() + "|";
    } while (s.Symbol() != stop && s.Symbol() != symEof);
    return out;
}

// The attributes the first tag of Text keeps, as dumped: "symWidth \"40%\" 40|...".
std::string attributesOf(std::string_view text) {
    TScanner s;
    s.StartBuffer(text);
    s.NextSymbol();
    std::string out;
    for (const auto& a : s.Attributes())
        out += (out.empty() ? "" : "|") + SymbolName(a.Sym) + " " + QuotedForDump(a.StrValue) +
               " " + std::to_string(a.IntValue);
    return out;
}

} // namespace

TEST(ScannerComments, AreInvisibleToEveryCaller) {
    checkStreams({
        {"between letters", "a<!-- x -->b", "symText:ab"},
        {"blanks around fold into one", "a <!--x--> b", "symText:a b"},
        {"several in a row", "<!-- a --><!-- b -->\n<!---->c", "symText: c"},
        {"closing with blanks", "<!-- a -- \n >b", "symText:b"},
        {"closing with many dashes", "<!-- a --->b", "symText:b"},
        {"opening dashes do not close", "<!-->still--></p>x", "symPEnd|symText:x"},
        {"single dash does not close", "<!-- a -> b -->c", "symText:c"},
        {"tag inside comment", "<!-- <B>bold</B> -->t", "symText:t"},
        {"in attribute value", "<IMG ALT=\"a<!--x-->b\">", "symImg"},
        {"lone <! is a declaration", "a<!>b", "symText:ab"},
        {"not a comment", "a<q>", "symText:a|symUnknown"},
    });
}

TEST(ScannerComments, EndOfInputInsideACommentIsAParseError) {
    for (const char* text : {"text <!-- never closed", "<!--", "<!-- a -", "<!-- a --"}) {
        EXPECT_TRUE(DumpSymbols(text).ends_with("EParseError: Open Comment at End of HTML File\n"))
            << text;
    }
    // A declaration cut off by the end is not a comment: the page simply ends.
    EXPECT_EQ(stream("x<!DOCTYPE html"), "symText:x");
}

TEST(ScannerCharacters, ByteTwentySixEndsTheInput) {
    EXPECT_EQ(stream(std::string("ab\x1A<B>cd", 8)), "symText:ab");
    TScanner s;
    const std::string text("a\x1A" "b"); // the scanner reads the caller's buffer in place
    s.StartBuffer(text);
    s.NextChar();
    EXPECT_TRUE(s.AtEof());
    s.NextChar();
    EXPECT_TRUE(s.AtEof()) << "the end is final";
}

// Ordinary named and numeric references are in the golden pages; these are the edges.
TEST(ScannerEntities, DecodeAsTheTablesSay) {
    checkStreams({
        {"the four named first", "&amp;&lt;&gt;&quot;", "symText:&|symText:<|symText:>|symText:\""},
        {"last of the table", "&yuml;", "symText:\xFF"},
        {"exact case", "&Agrave;&agrave;", "symText:\xC0|symText:\xE0"},
        {"upper case stays literal", "&NBSP;", "symText:&NBSP;"},
        {"semicolon optional", "&nbsp x", "symText:\xA0|symText: x"},
        {"seven letters", "&toolongname;", "symText:&toolong|symText:name;"},
        {"decimal without semicolon", "&#65x", "symText:A|symText:x"},
        {"tab code is a space", "&#9;", "symText: "},
        {"line feed code", "&#10;", "symText:\n"},
        {"carriage return code stays literal", "&#13;", "symText:&#13;"},
        {"nul stays literal", "&#0;", "symText:&#0;"},
        {"255", "&#255;", "symText:\xFF"},
        {"above 255", "&#300;", "symText:&#300;"},
        {"no digits", "&#;", "symText:&#;"},
        {"six digits end it", "&#1234567", "symText:&#123456|symText:7"},
        {"six digits with zeros", "&#000065;", "symText:&#000065|symText:;"},
    });
    // After the four named first come the Latin-1 codes 160 to 255 in order.
    ASSERT_EQ(EntityTable.size(), 4u + 96u);
    for (size_t i = 4; i < EntityTable.size(); ++i)
        EXPECT_EQ(stream("&" + std::string(EntityTable[i].Name) + ";"), "symText:" + std::string(1, char(160 + (i - 4))));
}

TEST(ScannerTags, NamesLevelsAndEndSymbols) {
    checkStreams({
        {"less than before a digit", "x<3", "symText:x|symText:<|symText:3"},
        {"end tag without a name", "</ >a", "symUnknown|symText:a"},
        {"tag cut off by the end", "<B", "symB"},
        {"too long a name", ("<" + std::string(200, 'B') + ">t").c_str(), "symUnknown|symText:t"},
    });
    // The 7 of H7 belongs to the tag: a heading of level 0.
    EXPECT_EQ(DumpSymbols("<H3 ALIGN=center></h3><H7>x"),
              "symH 3\n  symAlign \"center\" 0\nsymHEnd 3\nsymH 0\nsymText \"x\"\nsymEof\n");
}

TEST(ScannerAttributes, ValuesInTheirThreeForms) {
    const std::pair<const char*, const char*> cases[] = {
        {"<IMG SRC=a.gif BORDER>", "symSrc \"a.gif\" 0|symBorder \"\" 1"}, // bare, it counts as 1
        {"<INPUT VALUE='ab\ncd'>", "symValue \"abcd\" 0"},
        {"<INPUT VALUE=\"ab\r\ncd\">", "symValue \"abcd\" 0"},
        {"<TD WIDTH=\" 40% \">", "symWidth \"40%\" 40"},
        {"<TD WIDTH=\"40px\">", "symWidth \"40px\" 0"},
        {"<TD WIDTH=50 %>", "symWidth \"50%\" 50"},
        {"<TD WIDTH=-3>", "symWidth \"-3\" -3"},
        {"<TD WIDTH=+3>", "symWidth \"+3\" 3"},
        {"<TD WIDTH=12abc>", "symWidth \"12abc\" 0"},
        {"<TD WIDTH=99999999999>", "symWidth \"99999999999\" 0"},
        {"<A HREF=\"a&amp;b\">", "symHref \"a&b\" 0"},
        {"<A HREF = 'x y' >", "symHref \"x y\" 0"},
        {"<A HREF=\"unterminated", "symHref \"unterminated\" 0"},
        {"<A HREF=>", "symHref \"\" 0"},
        {"<TABLE BORDER=0>", "symBorder \"0\" 0"},
        {"<BODY TEXT=red>", "symText \"red\" 0"},
        {"<META HTTP-EQUIV=Refresh>", "symHttpEquiv \"Refresh\" 0"},
        {"<FONT X-FOO=1>", "symOtherAttr \"1\" 1"},
    };
    for (const auto& [tag, attributes] : cases) EXPECT_EQ(attributesOf(tag), attributes) << tag;
}

TEST(ScannerText, RunsFoldBlanksAndStopAtMarkup) {
    checkStreams({
        {"greater than alone", "a > b", "symText:a |symChar:>|symText: b"},
        {"blank runs", "a  \t\n\n  b", "symText:a b"},
        {"control character", "a\x01z", "symText:a|symChar:\x01|symText:z"},
        {"latin-1 text", "Espa\xF1" "a", "symText:Espa\xF1" "a"},
        {"entity splits a run", "x&amp;y", "symText:x|symText:&|symText:y"},
    });
    const std::string x100(100, 'x');
    EXPECT_EQ(stream(std::string(250, 'x')),
              "symText:" + x100 + "|symText:" + x100 + "|symText:" + x100.substr(50));
    EXPECT_EQ(stream("a  b\r\n c", true), "symText:a  b\r c");
    // Every line end is one carriage return; a CR after an LF belongs to it.
    EXPECT_EQ(stream("a\n\rb\r\rc\r\n\nd", true), "symText:a\rb\r\rc\r\rd");
}

TEST(ScannerRawModes, TextAreaKeepsTagsAsText) {
    TScanner s;
    s.StartBuffer("<b>x</b> &lt;\nline 2</TextArea >rest");
    EXPECT_EQ(collect(s, &TScanner::NextTextAreaSymbol, symTextareaEnd),
              "symUnknown:<b|symText:>x|symUnknown:</b|symText:> |"
              "symText:<|symEol:|symText:line 2|symTextareaEnd:</TextArea|");
    s.SkipPastTagEnd();
    s.NextSymbol();
    EXPECT_EQ(s.Token(), "rest");
    // A long tag candidate loses nothing.
    const std::string text = "<" + std::string(200, 'a');
    s.StartBuffer(text);
    std::string got;
    for (s.NextTextAreaSymbol(); s.Symbol() != symEof; s.NextTextAreaSymbol()) got += s.Token();
    EXPECT_EQ(got, text);
}

// The handler's part in the page is proven by the builder.
TEST(ScannerInclude, DirectiveCallsTheHandlerAndReadsItsTextOnce) {
    TScanner s;
    std::vector<std::string> params;
    int calls = 0;
    s.SetIncludeHandler([&](const std::string&, std::vector<std::string> p, std::string& buf) {
        ++calls;
        params = std::move(p);
        buf = "<B>inc</B><!--#include file=\"again\"-->";
    });
    s.StartBuffer("a<!--#include file=\"foot.htm\" Virtual='/x' -->b");
    EXPECT_EQ(collect(s, &TScanner::NextSymbol),
              "symText:a|symB:|symText:inc|symBEnd:|symText:b|symEof:|");
    EXPECT_EQ(calls, 1) << "an include inside included text is a plain comment";
    EXPECT_EQ(params, (std::vector<std::string>{"FILE=\"foot.htm\"", "VIRTUAL=\"/x\""}));
}

TEST(ScannerSources, FileReadsTheSameAsMemoryAcrossBufferEdges) {
    testsupport::TempDir dir;
    // Line ends, entities and tags straddling the 2000-byte buffer edges.
    std::string text;
    for (int i = 0; text.size() < 9000; ++i)
        text += "<P ALIGN=center>line &amp; " + std::to_string(i) + "\r\n<!-- c -->";
    for (size_t pad = 0; pad < 4; ++pad) {
        SCOPED_TRACE(pad);
        std::string padded = std::string(pad, ' ') + text;
        std::string name = dir.write("page" + std::to_string(pad) + ".htm", padded);
        TScanner file, memory;
        ASSERT_TRUE(file.StartFile(name));
        memory.StartBuffer(padded);
        int count = 0;
        do {
            file.NextSymbol();
            memory.NextSymbol();
            ASSERT_EQ(file.Symbol(), memory.Symbol()) << count;
            ASSERT_EQ(file.Token(), memory.Token()) << count;
            ++count;
        } while (memory.Symbol() != symEof);
        EXPECT_GT(count, 500);
    }
}
