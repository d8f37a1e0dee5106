// The builder's routines for constructs with an inner structure: lists, preformatted
// text and plain-text files, tables, image maps and scripts.
#include "doc/builder.h"

#include "doc/builder_symbols.h"
#include "doc/html_table.h"
#include "doc/map_item.h"
#include "doc/section_list.h"
#include "doc/text_section.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/scope_exit.h"

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
        // An item that begins with a table still shows its marker on a line of its own.
        if (s == symTable && Section) Section->EnsureNotEmpty();
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

namespace {

// VALIGN: "top" and "baseline" 0, "middle" 1, "bottom" 2; anything else gives Otherwise.
int verticalAlignmentOf(const TAttributeList& attributes, int otherwise) {
    const TAttribute* a = attributes.FindAttribute(symValign);
    if (!a) return otherwise;
    const std::string v = platform::LowerCase(a->StrValue);
    if (v == "top" || v == "baseline") return 0;
    if (v == "middle") return 1;
    if (v == "bottom") return 2;
    return otherwise;
}

// Preformatted text keeps its columns: a tab moves on to the next multiple of 8.
constexpr size_t TabWidth = 8;
void appendTab(std::string& line, size_t column) { line.append(TabWidth - column % TabWidth, ' '); }

bool isBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

} // namespace

void THtmlBuilder::buildTable(int level) {
    endLink();
    const size_t depth = Fonts.size();
    closeSection();
    TCell* const outer = CurrentList;
    const int savedAlign = Align;
    const int savedStyle = Master->CurrentStyle;
    CurrentList = nullptr;
    auto table = std::make_unique<ThtmlTable>(Master, level, outer, Align, attrs());
    std::unique_ptr<TCellList> row;
    std::unique_ptr<TCellObj> cell;
    int rowAlign = 0, rowVAlign = 1;
    TSymbolSet inTable;
    for (TSymbol s : {symTableEnd, symTd, symTdEnd, symTr, symTrEnd, symTh, symThEnd, symCaption, symCaptionEnd})
        inTable.set(s);
    auto resetFonts = [&] {
        while (Fonts.size() > depth) popFont();
        Master->CurrentStyle = savedStyle;
    };
    auto finishCell = [&] {
        if (!cell) return;
        closeSection();
        row->Add(std::move(cell));
        CurrentList = nullptr;
    };
    auto finishRow = [&] {
        finishCell();
        if (row) table->AddRow(std::move(row));
    };
    auto closeTable = [&] {
        finishRow();
        CurrentList = outer;
        outer->Add(std::move(table));
        Master->CurrentStyle = savedStyle;
        Align = savedAlign;
    };
    // A parse failure inside a cell closes the table too: the rows read so far are kept, and
    // the open section is not left to be closed into a cell that is gone.
    platform::TScopeExit closeOnFailure([&] {
        if (table) closeTable();
    });
    next();
    while (sym() != symTableEnd && sym() != symEof) {
        const TSymbol s = sym();
        switch (s) {
        case symText:
        case symInput:
        case symSelect:
        case symTextarea:
            if (cell) {
                buildBody(0, inTable);
            } else if (s == symText && isBlank(Scanner.Token())) {
                next();
            } else {
                // Text and controls outside the cells go before the table, as the text
                // they stand in (hidden fields only join their form).
                resetFonts();
                Align = savedAlign;
                CurrentList = outer;
                buildBody(0, inTable);
                closeSection();
                CurrentList = nullptr;
            }
            break;
        case symForm:
        case symFormEnd:
            // A FORM between TABLE and TR (or around a row) is common: the form takes the
            // controls of the cells that follow.
            formTag(s);
            next();
            break;
        case symTd:
        case symTh: {
            endLink();
            resetFonts();
            if (!row) {
                row = std::make_unique<TCellList>();
                rowAlign = 0;
                rowVAlign = 1;
            } else {
                finishCell();
            }
            Align = rowAlign != 0 ? rowAlign : s == symTh ? 2 : 1;
            if (s == symTh)
                Master->CurrentStyle |= fsBold;
            else
                Master->CurrentStyle &= ~fsBold;
            if (const TAttribute* a = attrs().FindAttribute(symAlign)) Align = AlignmentOf(a->StrValue, Align);
            cell = std::make_unique<TCellObj>(Master, verticalAlignmentOf(attrs(), rowVAlign), attrs());
            CurrentList = &cell->Cell;
            // Set before the first symbol of the cell is read, so that content clears it
            // and a paragraph after the cell's first words still gets its space.
            Scanner.SkipBlanks();
            Scanner.SpacePending = true;
            next();
            buildBody(0, inTable);
            break;
        }
        case symTdEnd:
        case symThEnd:
            finishCell();
            next();
            break;
        case symTr:
            endLink();
            finishRow();
            row = std::make_unique<TCellList>(attrs());
            rowAlign = 0;
            if (const TAttribute* a = attrs().FindAttribute(symAlign)) rowAlign = AlignmentOf(a->StrValue, 0);
            rowVAlign = verticalAlignmentOf(attrs(), 1);
            next();
            break;
        case symTrEnd:
            endLink();
            finishRow();
            next();
            break;
        case symCaption: {
            endLink();
            resetFonts();
            finishCell();
            const TAttribute* a = attrs().FindAttribute(symAlign);
            table->CaptionOnTop = !(a && platform::LowerCase(a->StrValue) == "bottom");
            CurrentList = &table->Caption->Cell;
            Align = 2;
            next();
            buildBody(0, inTable);
            closeSection();
            CurrentList = nullptr;
            if (sym() == symCaptionEnd) next();
            break;
        }
        default: next(); break;
        }
    }
    endLink();
    while (Fonts.size() > depth) popFont();
    closeTable();
    next();
}

void THtmlBuilder::openPreSection(int level) {
    Section = std::make_unique<TPreFormated>(Master, level, 1, LinkTarget, topFont());
}

// The last line of a text file, left empty by the line end that closed the one before, is
// no line of the text.
void THtmlBuilder::closeLastTextLine(bool afterLineEnd) {
    if (afterLineEnd && Section && Section->Buff.empty() && !Names->Holds(Section.get()))
        Section.reset();
    else
        closeSection();
}

// Read character by character: every source line becomes one TPreFormated, the line end
// right after <PRE> and the line before </PRE> included.
void THtmlBuilder::buildPre(int level) {
    closeSection();
    const bool pushed = pushFont(fixedFont());
    openPreSection(level);
    Scanner.Preformatted = true;
    std::string line;
    auto flush = [&] {
        if (!line.empty()) Section->AppendText(line);
        line.clear();
    };
    auto newLine = [&] {
        flush();
        closeSection();
        openPreSection(level);
    };
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
            continue;
        }
        if (c == ' ' && Scanner.CameFromTab()) {
            appendTab(line, Section->Buff.size() + line.size());
            if (line.size() > PreFlushLength) flush();
            Scanner.NextChar();
            continue;
        }
        if (c != '<') {
            line += static_cast<char>(c);
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
            break;
        case symAEnd:
            flush();
            endLink();
            break;
        case symImg:
            flush();
            Section->PlaceImage(attrs());
            break;
        case symText: // a '<' that starts no tag
            line += Scanner.Token();
            break;
        case symInput:
        case symSelect:
        case symTextarea:
            flush();
            buildFormControl(level);
            break;
        case symForm:
        case symFormEnd: formTag(s); break;
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
    closeSection();
    Scanner.Preformatted = false;
    if (pushed) popFont();
    next();
}

void THtmlBuilder::ParseTextFile(TSectionList& list, TNameList& names, const std::string& fileName) {
    begin(list, names);
    platform::TScopeExit finishing([this] { finish(); });
    Section.reset();
    std::string data;
    if (!platform::ReadWholeFile(fileName, data)) throw platform::Exception("Cannot open " + fileName);
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
        if (c == '\t')
            appendTab(line, Section->Buff.size() + line.size());
        else
            line += c;
        afterLineEnd = false;
        if (line.size() > PreFlushLength) {
            Section->AppendText(line);
            line.clear();
        }
    }
    if (!line.empty()) Section->AppendText(line);
    closeLastTextLine(afterLineEnd);
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
    if (!Master->Host().TakesScripts()) {
        do
            Scanner.NextScriptSymbol();
        while (sym() != symScriptEnd && sym() != symEof);
        return;
    }
    std::string text;
    text.reserve(32500);
    {
        Scanner.NoComments = true;
        platform::TScopeExit commentsAgain([this] { Scanner.NoComments = false; });
        for (;;) {
            Scanner.NextScriptSymbol();
            if (sym() == symScriptEnd || sym() == symEof) break;
            if (sym() == symEol)
                text += "\r\n";
            else
                text += Scanner.Token();
        }
    }
    Master->Host().ScriptFound(lang, text);
}

} // namespace doc
