// The builder's routines for constructs with an inner structure: lists, preformatted
// text and plain-text files, tables (a first, flattened reading), image maps, scripts,
// and the form elements that are skipped until forms are built.
#include "doc/builder.h"

#include "doc/builder_symbols.h"
#include "doc/map_item.h"
#include "doc/section_list.h"
#include "doc/text_section.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "platform/files.h"

#include <limits>

namespace doc {

using namespace html;

namespace {

// A buffered run of preformatted text goes into the section at the latest at this length.
constexpr size_t PreFlushLength = 200;

} // namespace

void THtmlBuilder::buildList(int level, TSymbol listSymbol, const TSymbolSet& terminators) {
    int counter = 1;
    char numberStyle = '1';
    bool plain = false;
    // Only OL and UL keep their attributes; the other list tags leave the last tag's.
    if (listSymbol == symOl) {
        const TAttribute* start = attrs().FindAttribute(symStart);
        if (start && start->IntValue >= 0) counter = start->IntValue;
        const TAttribute* type = attrs().FindAttribute(symType);
        if (type && !type->StrValue.empty()) numberStyle = type->StrValue[0];
    } else if (listSymbol == symUl) {
        plain = attrs().FindAttribute(symPlain) != nullptr;
    }
    closeSection();
    next();
    TSymbolSet inner = terminators;
    for (TSymbol s : {symOlEnd, symUlEnd, symDirEnd, symMenuEnd, symDlEnd, symBlockquoteEnd, symEof})
        inner.set(s);

    while (!IsEndOfList(sym()) && sym() != symEof) {
        const TSymbol s = sym();
        if (IsInlineSymbol(s)) {
            buildInline(level);
            continue;
        }
        if (buildRuleOrList(level, terminators)) continue;
        switch (s) {
        case symLi:
            closeSection();
            if (listSymbol == symOl) {
                Section = std::make_unique<TOListItem>(Master, level, Align, LinkTarget, topFont(), counter,
                                                       numberStyle);
                // START=2147483647 must not wrap to negative numbers.
                if (counter < std::numeric_limits<int>::max()) ++counter;
            } else {
                auto item = std::make_unique<TUListItem>(Master, level, Align, LinkTarget, topFont());
                item->Plain = plain;
                Section = std::move(item);
            }
            Scanner.SkipBlanks();
            next();
            if (sym() == symP) next(); // the item starts the paragraph already
            break;
        case symDd:
        case symDt:
            closeSection();
            Section = std::make_unique<TDListItem>(Master, s == symDd ? level : level - 1, Align, LinkTarget,
                                                   topFont());
            next();
            break;
        case symCenter:
        case symDiv: buildBody(level, inner); break;
        default:
            if (terminators.test(s)) {
                closeSection();
                return;
            }
            next();
        }
    }
    closeSection();
}

// Until tables are built, a table is read as text: each row (and the caption) becomes a
// line of its own, the cells of a row follow each other a space apart, TH is bold.
void THtmlBuilder::buildTable(int level) {
    endLink();
    closeSection();
    const size_t depth = Fonts.size();
    const int savedStyle = Master->CurrentStyle;
    const int savedAlign = Align;
    TSymbolSet cellEnd;
    for (TSymbol s : {symTableEnd, symTd, symTdEnd, symTr, symTrEnd, symTh, symThEnd, symCaption, symCaptionEnd})
        cellEnd.set(s);
    auto resetCell = [&] {
        endLink();
        while (Fonts.size() > depth) popFont();
        Master->CurrentStyle = savedStyle;
        Align = savedAlign;
    };
    next();
    while (sym() != symTableEnd && sym() != symEof) {
        switch (sym()) {
        case symTd:
        case symTh:
            resetCell();
            if (sym() == symTh)
                Master->CurrentStyle |= fsBold;
            else
                Master->CurrentStyle &= ~fsBold;
            if (Section) {
                Section->AppendText(" ");
                newFontRun();
            }
            Scanner.SkipBlanks();
            next();
            Scanner.SpacePending = true;
            buildBody(level, cellEnd);
            break;
        case symTr:
        case symTrEnd:
        case symCaption:
        case symCaptionEnd:
            resetCell();
            closeSection();
            next();
            break;
        case symTdEnd:
        case symThEnd: next(); break;
        default: buildBody(level, cellEnd); break;
        }
    }
    resetCell();
    closeSection();
    next();
}

void THtmlBuilder::openPreSection(int level) {
    Section = std::make_unique<TPreFormated>(Master, level, 1, LinkTarget, topFont());
}

// The last line of a PRE block or a text file, left empty by the line end that closed the
// one before, is no line of the text.
void THtmlBuilder::closeLastPreLine(bool afterLineEnd) {
    if (afterLineEnd && Section && Section->Buff.empty() && !Names->Holds(Section.get()))
        Section.reset();
    else
        closeSection();
}

// Read character by character: every source line becomes one TPreFormated.
void THtmlBuilder::buildPre(int level) {
    closeSection();
    const bool pushed = pushFont(fixedFont());
    openPreSection(level);
    Scanner.Preformatted = true;
    std::string line;
    bool afterLineEnd = false;
    auto flush = [&] {
        if (!line.empty()) Section->AppendText(line);
        line.clear();
    };
    auto newLine = [&] {
        flush();
        closeSection();
        openPreSection(level);
        afterLineEnd = true;
    };
    // A line end straight after <PRE> belongs to the tag, not to the text.
    if (Scanner.Ch() == '\r') Scanner.NextChar();
    bool done = false;
    while (!done) {
        const int c = Scanner.Ch();
        if (c == EofChar) break;
        if (c == '\r') {
            newLine();
            Scanner.NextChar();
            continue;
        }
        if (c == '&') {
            next();
            line += Scanner.Token();
            afterLineEnd = false;
            continue;
        }
        if (c != '<') {
            line += static_cast<char>(c);
            afterLineEnd = false;
            if (line.size() > PreFlushLength) flush();
            Scanner.NextChar();
            continue;
        }
        next();
        const TSymbol s = sym();
        switch (s) {
        case symPreEnd:
        case symTdEnd:
        case symThEnd: done = true; break;
        case symBr:
        case symP:
            newLine();
            if (Scanner.Ch() == '\r') Scanner.NextChar();
            break;
        case symFont:
        case symBasefont:
            flush();
            if (setFontFromTag(s, true)) newFontRun();
            break;
        case symFontEnd:
            popFont();
            flush();
            newFontRun();
            break;
        case symA:
            flush();
            startLinks(level);
            afterLineEnd = false;
            break;
        case symAEnd:
            flush();
            endLink();
            break;
        case symImg:
            flush();
            Section->PlaceImage(attrs());
            afterLineEnd = false;
            break;
        case symText: // a '<' that starts no tag
            line += Scanner.Token();
            afterLineEnd = false;
            break;
        case symSelect: skipSelect(); break;
        case symTextarea: skipTextArea(); break;
        case symMap: buildMap(); break;
        case symScript: buildScript(); break;
        default:
            if (IsStyleSymbol(s) && s != symSub && s != symSubEnd && s != symSup && s != symSupEnd) {
                flush();
                setStyle(s);
                newFontRun();
            }
            // Every other tag is ignored inside PRE (tables included).
            break;
        }
    }
    flush();
    closeLastPreLine(afterLineEnd);
    Scanner.Preformatted = false;
    if (pushed) popFont();
    next();
}

void THtmlBuilder::ParseTextFile(TSectionList& list, TNameList& names, const std::string& fileName) {
    begin(list, names);
    Section.reset();
    std::string data;
    if (!platform::ReadWholeFile(fileName, data)) {
        finish();
        throw platform::Exception("Cannot open " + fileName);
    }
    pushFont(fixedFont());
    openPreSection(0);
    // No tags, entities or comments: only line ends (CR, LF, CR LF or LF CR) and tabs are
    // read as the scanner reads them, and a byte 26 ends the text.
    std::string line;
    bool afterLineEnd = false;
    for (size_t i = 0; i < data.size(); ++i) {
        char c = data[i];
        if (c == static_cast<char>(EofChar)) break;
        if (c == '\r' || c == '\n') {
            if (i + 1 < data.size() && (data[i + 1] == '\r' || data[i + 1] == '\n') && data[i + 1] != c) ++i;
            if (!line.empty()) Section->AppendText(line);
            line.clear();
            closeSection();
            openPreSection(0);
            afterLineEnd = true;
            continue;
        }
        line += c == '\t' ? ' ' : c;
        afterLineEnd = false;
        if (line.size() > PreFlushLength) {
            Section->AppendText(line);
            line.clear();
        }
    }
    if (!line.empty()) Section->AppendText(line);
    closeLastPreLine(afterLineEnd);
    finish();
}

void THtmlBuilder::buildMap() {
    const TAttribute* name = attrs().FindAttribute(symName);
    auto map = std::make_unique<TMapItem>(platform::UpperCase(name ? platform::Trim(name->StrValue) : std::string()));
    for (;;) {
        next();
        if (sym() == symMapEnd || sym() == symEof) break;
        if (sym() == symArea) map->AddAreaFrom(attrs());
    }
    // A map cut off by the end of the input is dropped.
    if (sym() == symMapEnd) Master->MapList.push_back(std::move(map));
}

void THtmlBuilder::buildScript() {
    const TAttribute* language = attrs().FindAttribute(symLanguage);
    const std::string lang = language ? language->StrValue : std::string();
    if (!Master->ScriptEvent) {
        do
            Scanner.NextScriptSymbol();
        while (sym() != symScriptEnd && sym() != symEof);
        return;
    }
    Scanner.NoComments = true;
    std::string text;
    text.reserve(32500);
    for (;;) {
        Scanner.NextScriptSymbol();
        if (sym() == symScriptEnd || sym() == symEof) break;
        if (sym() == symEol)
            text += "\r\n";
        else
            text += Scanner.Token();
    }
    Scanner.NoComments = false;
    Master->ScriptEvent(Master->Owner, lang, text);
}

// Until forms are built, the options of a SELECT are read and dropped.
void THtmlBuilder::skipSelect() {
    do
        next();
    while (sym() != symSelectEnd && sym() != symEof);
}

// Until forms are built, the text of a TEXTAREA is read and dropped.
void THtmlBuilder::skipTextArea() {
    do
        Scanner.NextTextAreaSymbol();
    while (sym() != symTextareaEnd && sym() != symEof);
    Scanner.SkipPastTagEnd();
}

} // namespace doc
