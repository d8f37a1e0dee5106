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

// One table being read: its open row and cell, and what the builder gets back when the
// table closes (the list it stands in, the alignment, the style and the font depth).
class THtmlBuilder::TTableReader {
public:
    TTableReader(THtmlBuilder& builder, int level);
    void read();

private:
    void step(TSymbol s);
    void looseContent(TSymbol s);
    void startCell(TSymbol s);
    void startRow();
    void readCaption();
    void resetFonts();
    void finishCell();
    void finishRow();
    void close();

    THtmlBuilder& B;
    const size_t Depth;
    TCell* const Outer;
    const int SavedAlign;
    const int SavedStyle;
    std::unique_ptr<ThtmlTable> Table;
    std::unique_ptr<TCellList> Row;
    std::unique_ptr<TCellObj> Cell;
    int RowAlign = 0;
    int RowVAlign = 1;
    TSymbolSet InTable;
};

THtmlBuilder::TTableReader::TTableReader(THtmlBuilder& builder, int level)
    : B(builder), Depth(builder.Fonts.size()), Outer(builder.CurrentList),
      SavedAlign(builder.Align), SavedStyle(builder.Master->CurrentStyle) {
    B.CurrentList = nullptr;
    Table = std::make_unique<ThtmlTable>(B.Master, level, Outer, B.Align, B.attrs());
    for (TSymbol s : {symTableEnd, symTd, symTdEnd, symTr, symTrEnd, symTh, symThEnd, symCaption, symCaptionEnd})
        InTable.set(s);
}

void THtmlBuilder::TTableReader::read() {
    // A parse failure inside a cell closes the table too: the rows read so far are kept, and
    // the open section is not left to be closed into a cell that is gone.
    platform::TScopeExit closeOnFailure([this] {
        if (Table) close();
    });
    B.next();
    while (B.sym() != symTableEnd && B.sym() != symEof) step(B.sym());
    B.endLink();
    while (B.Fonts.size() > Depth) B.popFont();
    close();
    B.next();
}

void THtmlBuilder::TTableReader::step(TSymbol s) {
    switch (s) {
    case symText:
    case symInput:
    case symSelect:
    case symTextarea: looseContent(s); break;
    case symForm:
    case symFormEnd:
        // A FORM between TABLE and TR (or around a row) is common: the form takes the
        // controls of the cells that follow.
        B.formTag(s);
        B.next();
        break;
    case symTd:
    case symTh: startCell(s); break;
    case symTdEnd:
    case symThEnd:
        finishCell();
        B.next();
        break;
    case symTr: startRow(); break;
    case symTrEnd:
        B.endLink();
        finishRow();
        B.next();
        break;
    case symCaption: readCaption(); break;
    default: B.next(); break;
    }
}

void THtmlBuilder::TTableReader::looseContent(TSymbol s) {
    if (Cell) {
        B.buildBody(0, InTable);
    } else if (s == symText && isBlank(B.Scanner.Token())) {
        B.next();
    } else {
        // Text and controls outside the cells go before the table, as the text they stand
        // in (hidden fields only join their form).
        resetFonts();
        B.Align = SavedAlign;
        B.CurrentList = Outer;
        B.buildBody(0, InTable);
        B.closeSection();
        B.CurrentList = nullptr;
    }
}

void THtmlBuilder::TTableReader::startCell(TSymbol s) {
    B.endLink();
    resetFonts();
    if (!Row) {
        Row = std::make_unique<TCellList>();
        RowAlign = 0;
        RowVAlign = 1;
    } else {
        finishCell();
    }
    B.Align = RowAlign != 0 ? RowAlign : s == symTh ? 2 : 1;
    if (s == symTh)
        B.Master->CurrentStyle |= fsBold;
    else
        B.Master->CurrentStyle &= ~fsBold;
    const TAttributeList& attributes = B.attrs();
    if (const TAttribute* a = attributes.FindAttribute(symAlign))
        B.Align = AlignmentOf(a->StrValue, B.Align);
    Cell = std::make_unique<TCellObj>(B.Master, verticalAlignmentOf(attributes, RowVAlign),
                                      attributes);
    B.CurrentList = &Cell->Cell;
    // Set before the first symbol of the cell is read, so that content clears it and a
    // paragraph after the cell's first words still gets its space.
    B.Scanner.SkipBlanks();
    B.Scanner.SpacePending = true;
    B.next();
    B.buildBody(0, InTable);
}

void THtmlBuilder::TTableReader::startRow() {
    B.endLink();
    finishRow();
    const TAttributeList& attributes = B.attrs();
    Row = std::make_unique<TCellList>(attributes);
    RowAlign = 0;
    if (const TAttribute* a = attributes.FindAttribute(symAlign))
        RowAlign = AlignmentOf(a->StrValue, 0);
    RowVAlign = verticalAlignmentOf(attributes, 1);
    B.next();
}

void THtmlBuilder::TTableReader::readCaption() {
    B.endLink();
    resetFonts();
    finishCell();
    const TAttribute* a = B.attrs().FindAttribute(symAlign);
    Table->CaptionOnTop = !(a && platform::LowerCase(a->StrValue) == "bottom");
    B.CurrentList = &Table->Caption->Cell;
    B.Align = 2;
    B.next();
    B.buildBody(0, InTable);
    B.closeSection();
    B.CurrentList = nullptr;
    if (B.sym() == symCaptionEnd) B.next();
}

void THtmlBuilder::TTableReader::resetFonts() {
    while (B.Fonts.size() > Depth) B.popFont();
    B.Master->CurrentStyle = SavedStyle;
}

void THtmlBuilder::TTableReader::finishCell() {
    if (!Cell) return;
    B.closeSection();
    Row->Add(std::move(Cell));
    B.CurrentList = nullptr;
}

void THtmlBuilder::TTableReader::finishRow() {
    finishCell();
    if (Row) Table->AddRow(std::move(Row));
}

void THtmlBuilder::TTableReader::close() {
    finishRow();
    B.CurrentList = Outer;
    Outer->Add(std::move(Table));
    B.Master->CurrentStyle = SavedStyle;
    B.Align = SavedAlign;
}

void THtmlBuilder::buildTable(int level) {
    endLink();
    closeSection();
    TTableReader reader(*this, level);
    reader.read();
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
    bool open = true;
    while (open) open = readPreText(level, line) && readPreTag(level, line);
    flushPreLine(line);
    closeSection();
    Scanner.Preformatted = false;
    if (pushed) popFont();
    next();
}

// Line is the text read since the last flush, kept apart from the section so that a tab
// can count the columns of both.
void THtmlBuilder::flushPreLine(std::string& line) {
    if (!line.empty()) Section->AppendText(line);
    line.clear();
}

void THtmlBuilder::newPreLine(int level, std::string& line) {
    flushPreLine(line);
    closeSection();
    openPreSection(level);
}

bool THtmlBuilder::readPreText(int level, std::string& line) {
    for (;;) {
        const int c = Scanner.Ch();
        if (c == EofChar) return false;
        if (c == '<') return true;
        if (c == '\r') {
            newPreLine(level, line);
            Scanner.NextChar();
        } else if (c == '&') {
            next();
            line += Scanner.Token();
        } else {
            if (c == ' ' && Scanner.CameFromTab())
                appendTab(line, Section->Buff.size() + line.size());
            else
                line += static_cast<char>(c);
            if (line.size() > PreFlushLength) flushPreLine(line);
            Scanner.NextChar();
        }
    }
}

bool THtmlBuilder::readPreTag(int level, std::string& line) {
    next();
    const TSymbol s = sym();
    switch (s) {
    case symPreEnd:
    case symTdEnd:
    case symThEnd: return false;
    case symBr:
    case symP:
        newPreLine(level, line);
        if (Scanner.Ch() == '\r') Scanner.NextChar();
        break;
    case symFont:
    case symBasefont:
        flushPreLine(line);
        if (setFontFromTag(s, true)) newFontRun();
        break;
    case symFontEnd:
        popFont();
        flushPreLine(line);
        newFontRun();
        break;
    case symA:
        flushPreLine(line);
        startLinks(level);
        break;
    case symAEnd:
        flushPreLine(line);
        endLink();
        break;
    case symImg:
        flushPreLine(line);
        Section->PlaceImage(attrs());
        break;
    case symText: // a '<' that starts no tag
        line += Scanner.Token();
        break;
    case symInput:
    case symSelect:
    case symTextarea:
        flushPreLine(line);
        buildFormControl(level);
        break;
    case symForm:
    case symFormEnd: formTag(s); break;
    case symMap: buildMap(); break;
    case symScript: buildScript(); break;
    default:
        if (IsStyleSymbol(s) && s != symSub && s != symSubEnd && s != symSup && s != symSupEnd) {
            flushPreLine(line);
            setStyle(s);
            newFontRun();
        }
        // Every other tag is ignored inside PRE (tables included).
        break;
    }
    return true;
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
