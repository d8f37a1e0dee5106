// THtmlBuilder turns the scanner's symbol stream into a document: a recursive-descent
// reader in which each routine consumes symbols until it meets one of the terminators it
// was given. Besides the sections it collects the title, the BASE address and target, the
// anchor names and the image maps, and raises the META, sound, script and include events.
// One parse at a time per builder; the viewer keeps one builder per document.
#pragma once

#include "doc/fonts.h"
#include "doc/url_target.h"
#include "html/scanner.h"
#include "html/symbols.h"
#include "platform/scope_exit.h"

#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace doc {

class TCell;
class ThtmlForm;
class TOptionsFormControlObj;
class TSection;
class TSectionBase;
class TSectionList;
class TTextAreaFormControlObj;

// The anchors of a document: each NAME with the section that holds it. After a layout the
// section's Top is the anchor's document y.
class TNameList {
public:
    struct TEntry {
        std::string Name;
        TSectionBase* Section;
    };

    void Add(const std::string& name, TSectionBase* section) { Items.push_back({name, section}); }
    // The first anchor of that name, compared without regard to case; a leading "#" is
    // ignored. nullptr when there is none.
    const TEntry* Find(std::string_view name) const;
    // The document y of the anchor after layout; -1 when there is none.
    int AnchorY(std::string_view name) const;
    // Anchors that named From now name To (a section given up for another).
    void Replace(const TSectionBase* from, TSectionBase* to);
    bool Holds(const TSectionBase* section) const;
    int Count() const { return static_cast<int>(Items.size()); }
    void Clear() { Items.clear(); }

    std::vector<TEntry> Items; // in document order
};

class THtmlBuilder {
public:
    static constexpr int MaxFontStack = 25;
    // Lists, CENTER, DIV and tables nested deeper than this are read as if their opening
    // tags were not there: every level is a recursion of the reader, and a page of nothing
    // but opening tags would otherwise run it off the end of the stack.
    static constexpr int MaxNesting = 200;

    THtmlBuilder();
    ~THtmlBuilder();
    THtmlBuilder(const THtmlBuilder&) = delete;
    THtmlBuilder& operator=(const THtmlBuilder&) = delete;

    // Each entry point appends to List (normally just cleared) and Names. A file that
    // cannot be opened raises platform::Exception; an input that ends inside a comment
    // raises html::EParseError after the sections read so far were put in the list.
    void ParseFile(TSectionList& list, TNameList& names, const std::string& fileName);
    void ParseBuffer(TSectionList& list, TNameList& names, std::string_view buffer);
    // Every line of the file becomes one preformatted line in the fixed-pitch font.
    void ParseTextFile(TSectionList& list, TNameList& names, const std::string& fileName);

    // Read by the viewer after a parse.
    std::string Title;
    std::string Base;       // BASE HREF
    std::string BaseTarget; // BASE TARGET

private:
    using TSymbolSet = std::bitset<html::SymbolCount>;
    void begin(TSectionList& list, TNameList& names);
    void finish();
    void run();
    void next() { Scanner.NextSymbol(); }
    html::TSymbol sym() const { return Scanner.Symbol(); }
    const html::TAttributeList& attrs() const { return Scanner.Attributes(); }

    // Sections.
    void closeSection();
    void openSection(int level, int justify);
    void ensureSection(int level);
    void addSection(std::unique_ptr<TSectionBase> section);

    // Fonts.
    TMyFont& topFont() const { return *Fonts.back(); }
    std::unique_ptr<TMyFont> copyTop() const { return std::make_unique<TMyFont>(topFont()); }
    bool pushFont(std::unique_ptr<TMyFont> font);
    void popFont();
    void newFontRun();
    std::unique_ptr<TMyFont> fixedFont() const;
    bool setFontFromTag(html::TSymbol tag, bool fixed);

    // Links.
    void startLinks(int level);
    void endLink();

    // The routines of the reader.
    void buildBody(int level, const TSymbolSet& terminators);
    void buildInline(int level);
    // TT and its kin, FONT, BASEFONT, BIG, SMALL, ADDRESS and their end tags; false for
    // any other symbol.
    bool buildFontTag(int level, html::TSymbol s);
    bool buildRuleOrList(int level, const TSymbolSet& terminators);
    void buildList(int level, html::TSymbol listSymbol, const TSymbolSet& terminators);
    void buildTable(int level);
    class TTableReader;
    void buildPre(int level);
    // Up to the next '<' (true) or the end of the input (false).
    bool readPreText(int level, std::string& line);
    // The tag at '<'; false when it ends the preformatted text.
    bool readPreTag(int level, std::string& line);
    void flushPreLine(std::string& line);
    void newPreLine(int level, std::string& line);
    void openPreSection(int level);
    void closeLastTextLine(bool afterLineEnd);
    void buildMap();
    void buildScript();
    // Forms: FORM and its end tag; INPUT, SELECT and TEXTAREA with their options and text.
    void formTag(html::TSymbol s);
    void buildFormControl(int level);
    void buildOptions(TOptionsFormControlObj& control);
    void buildTextArea(TTextAreaFormControlObj& control);
    void buildParagraph(int level);
    void buildHeading(int level);
    void buildCenter(int level, const TSymbolSet& terminators);
    void setStyle(html::TSymbol s);
    int paragraphAlignment() const;
    // Runs Read one nesting level deeper; past MaxNesting the opening tag is skipped instead.
    template <class Read> void nested(Read read);

    html::TScanner Scanner;
    TSectionList* Master = nullptr;
    TCell* CurrentList = nullptr;
    TNameList* Names = nullptr;
    std::unique_ptr<TSection> Section; // the open text section, or none
    std::vector<std::unique_ptr<TMyFont>> Fonts;
    TUrlTarget LinkTarget;
    bool InLink = false;
    bool LinkFontPushed = false;
    int Align = 1; // 1 left, 2 centre, 3 right
    int BaseFontSize = 3;
    int Nesting = 0; // lists, CENTER, DIV and tables open around the current symbol
    ThtmlForm* CurrentForm = nullptr; // owned by the document; none outside FORM
};

template <class Read> void THtmlBuilder::nested(Read read) {
    if (Nesting >= MaxNesting) {
        next();
        return;
    }
    ++Nesting;
    platform::TScopeExit level([this] { --Nesting; });
    read();
}

} // namespace doc
