// The builder's entry points, its state and the body and inline routines.
#include "doc/builder.h"

#include "doc/block_sections.h"
#include "doc/builder_symbols.h"
#include "doc/section_list.h"
#include "doc/text_section.h"
#include "platform/text.h"
#include "html/color_value.h"
#include "platform/exception.h"
#include "platform/scope_exit.h"

#include <algorithm>

namespace doc {

using namespace html;

// ---- The name list ----

const TNameList::TEntry* TNameList::Find(std::string_view name) const {
    if (!name.empty() && name.front() == '#') name.remove_prefix(1);
    if (name.empty()) return nullptr;
    for (const TEntry& e : Items)
        if (platform::EqualNoCase(e.Name, name)) return &e;
    return nullptr;
}

int TNameList::AnchorY(std::string_view name) const {
    const TEntry* e = Find(name);
    return e && e->Section ? e->Section->Top : -1;
}

void TNameList::Replace(const TSectionBase* from, TSectionBase* to) {
    for (TEntry& e : Items)
        if (e.Section == from) e.Section = to;
}

bool TNameList::Holds(const TSectionBase* section) const {
    return std::any_of(Items.begin(), Items.end(), [section](const TEntry& e) { return e.Section == section; });
}

// ---- Entry points ----

THtmlBuilder::THtmlBuilder() = default;
THtmlBuilder::~THtmlBuilder() = default;

void THtmlBuilder::begin(TSectionList& list, TNameList& names) {
    Master = &list;
    CurrentList = &list;
    Names = &names;
    Section.reset();
    Fonts.clear();
    auto font = std::make_unique<TMyFont>();
    font->Name = list.FontName;
    font->Color = list.FontColor;
    font->Charset = list.Charset;
    font->SetUnscaledSize(list, 12);
    Fonts.push_back(std::move(font));
    LinkTarget.Clear();
    InLink = LinkFontPushed = false;
    BaseFontSize = 3;
    Nesting = 0;
    CurrentForm = nullptr;
    Title.clear();
    Base.clear();
    BaseTarget.clear();
    Align = 1;
    list.CurrentStyle = 0;
    list.CurrentSScript = TScriptPos::Normal;
    // META, BGSOUND, SCRIPT and include directives go to the document's host.
    if (list.Host().TakesIncludes()) {
        Scanner.SetIncludeHandler([this](const std::string& command, std::vector<std::string> params,
                                         std::string& buffer) {
            Master->Host().IncludeFound(command, std::move(params), buffer);
        });
    } else {
        Scanner.SetIncludeHandler(nullptr);
    }
    openSection(0, 1);
}

void THtmlBuilder::finish() {
    closeSection();
    CurrentForm = nullptr;
    Fonts.clear();
    LinkTarget.Clear();
    InLink = LinkFontPushed = false;
    Master->CurrentStyle = 0;
    Master->CurrentSScript = TScriptPos::Normal;
    Scanner.Preformatted = Scanner.NoComments = false;
    Scanner.Close();
}

// Whatever ends the parse (the input ending inside a comment, above all), the sections
// read so far go into the list before the failure reaches the viewer: every entry point
// finishes on the way out.
void THtmlBuilder::run() {
    next();
    buildBody(0, TSymbolSet());
}

void THtmlBuilder::ParseFile(TSectionList& list, TNameList& names, const std::string& fileName) {
    begin(list, names);
    platform::TScopeExit finishing([this] { finish(); });
    if (!Scanner.StartFile(fileName)) {
        Section.reset();
        throw platform::Exception("Cannot open " + fileName);
    }
    run();
}

void THtmlBuilder::ParseBuffer(TSectionList& list, TNameList& names, std::string_view buffer) {
    begin(list, names);
    platform::TScopeExit finishing([this] { finish(); });
    Scanner.StartBuffer(buffer);
    run();
}

// ---- Sections ----

void THtmlBuilder::closeSection() {
    if (!Section) return;
    // An empty preformatted line still takes the height of a line.
    if (Section->Buff.empty() && dynamic_cast<TPreFormated*>(Section.get())) Section->AppendText(" ");
    CurrentList->Add(std::move(Section));
}

void THtmlBuilder::openSection(int level, int justify) {
    Section = std::make_unique<TSection>(Master, level, justify, LinkTarget, topFont());
}

void THtmlBuilder::ensureSection(int level) {
    if (!Section) openSection(level, Align);
}

void THtmlBuilder::addSection(std::unique_ptr<TSectionBase> section) { CurrentList->Add(std::move(section)); }

// ---- Fonts ----

bool THtmlBuilder::pushFont(std::unique_ptr<TMyFont> font) {
    if (static_cast<int>(Fonts.size()) >= MaxFontStack) return false;
    Fonts.push_back(std::move(font));
    return true;
}

// The document font stays whatever the end tags say.
void THtmlBuilder::popFont() {
    if (Fonts.size() > 1) Fonts.pop_back();
}

void THtmlBuilder::newFontRun() {
    if (Section) Section->StartFontRun(topFont());
}

std::unique_ptr<TMyFont> THtmlBuilder::fixedFont() const {
    auto f = copyTop();
    f->Name = Master->PreFontName;
    f->FixedPitch = true;
    f->SetUnscaledSize(*Master, 10);
    return f;
}

bool THtmlBuilder::setFontFromTag(TSymbol tag, bool fixed) {
    bool hasSize = false, hasColor = false;
    int size = 0;
    platform::TColor color = 0;
    std::string face;
    for (const TAttribute& a : attrs()) {
        if (a.Sym == symSize) {
            int n = a.IntValue;
            if (a.StrValue.size() > 1 && (a.StrValue[0] == '+' || a.StrValue[0] == '-')) n += BaseFontSize;
            size = std::clamp(n, 1, 7);
            if (tag == symBasefont) BaseFontSize = size;
            hasSize = true;
        } else if (a.Sym == symColor && tag != symBasefont) {
            std::string value = a.StrValue;
            if (ColorFromString(value, color)) hasColor = true;
        } else if (a.Sym == symFace && tag != symBasefont && !a.StrValue.empty()) {
            face = platform::Trim(a.StrValue.substr(0, a.StrValue.find(',')));
        }
    }
    // FONT always pushes, so that its end tag has a font to pop; BASEFONT changes the
    // document font only before anything was added to the document.
    if (tag != symFont && !(CurrentList == Master && Master->Empty())) return false;
    auto f = copyTop();
    if (hasColor) f->Color = color | platform::PaletteRelative;
    if (hasSize) {
        const auto index = static_cast<size_t>(size);
        f->SetUnscaledSize(*Master, fixed ? PreFontSizeTable[index] : FontSizeTable[index]);
    }
    if (!face.empty()) f->Name = face;
    return pushFont(std::move(f));
}

// ---- Links ----

void THtmlBuilder::startLinks(int level) {
    for (const TAttribute& a : attrs()) {
        if (a.Sym == symHref) {
            endLink();
            if (a.StrValue.empty()) continue;
            const TAttribute* target = attrs().FindAttribute(symTarget);
            LinkTarget = TUrlTarget(a.StrValue, target ? target->StrValue : BaseTarget);
            InLink = true;
            auto f = copyTop();
            f->Style |= fsUnderline;
            f->Color = Master->HotSpotColor;
            LinkFontPushed = pushFont(std::move(f));
            if (Section) Section->MarkLink(true, LinkTarget, topFont());
        } else if (a.Sym == symName && !a.StrValue.empty()) {
            ensureSection(level);
            Names->Add(a.StrValue, Section.get());
        }
    }
}

void THtmlBuilder::endLink() {
    if (InLink) {
        LinkTarget.Clear();
        InLink = false;
        // A link whose font did not fit on the stack must not take another tag's font.
        if (LinkFontPushed) popFont();
        LinkFontPushed = false;
    }
    if (Section) Section->MarkLink(false, LinkTarget, topFont());
}

// ---- The reader ----

void THtmlBuilder::buildBody(int level, const TSymbolSet& terminators) {
    for (;;) {
        const TSymbol s = sym();
        if (s == symEof) return;
        if (s == symBodyEnd) {
            next();
            return;
        }
        if (buildRuleOrList(level, terminators)) continue;
        switch (s) {
        case symTitle:
            Title.clear();
            next();
            while (sym() == symText) {
                Title += Scanner.Token();
                next();
            }
            break;
        case symBody:
            if (Master->Empty()) {
                // The first section gives way so that the BODY colours reach the text;
                // one that already holds text is kept rather than lost.
                std::unique_ptr<TSection> dropped;
                if (Section && Section->Buff.empty())
                    dropped = std::move(Section);
                else
                    closeSection();
                for (const TAttribute& a : attrs()) {
                    std::string value = a.StrValue;
                    platform::TColor c = 0;
                    if (a.Sym == symText && ColorFromString(value, c)) {
                        topFont().Color = c | platform::PaletteRelative;
                        Master->FontColor = c | platform::PaletteRelative;
                    } else if (a.Sym == symLink && ColorFromString(value, c)) {
                        Master->HotSpotColor = c | platform::PaletteRelative;
                    } else if (a.Sym == symBgcolor && ColorFromString(value, c)) {
                        Master->SetBackgroundColor(c | platform::PaletteRelative);
                    } else if (a.Sym == symBackground) {
                        Master->SetBackgroundImage(a.StrValue);
                    }
                }
                openSection(level, Align);
                if (dropped) Names->Replace(dropped.get(), Section.get());
            }
            next();
            break;
        case symBase:
            if (const TAttribute* a = attrs().FindAttribute(symHref)) Base = a->StrValue;
            if (const TAttribute* a = attrs().FindAttribute(symTarget)) BaseTarget = a->StrValue;
            next();
            break;
        case symCenter:
        case symDiv: nested([&] { buildCenter(level, terminators); }); break;
        case symBgsound:
            if (const TAttribute* src = attrs().FindAttribute(symSrc)) {
                const TAttribute* loop = attrs().FindAttribute(symLoop);
                Master->Host().SoundRequested(src->StrValue, loop ? loop->IntValue : 1, false);
            }
            next();
            break;
        case symMeta: {
            auto value = [this](TSymbol a) {
                const TAttribute* found = attrs().FindAttribute(a);
                return found ? found->StrValue : std::string();
            };
            Master->Host().MetaFound(value(symHttpEquiv), value(symName), value(symContent));
            next();
            break;
        }
        default:
            if (IsInlineSymbol(s))
                buildInline(level);
            else if (terminators.test(s))
                return;
            else
                next();
        }
    }
}

// HR and the start of a nested list, read alike in the body and in lists.
bool THtmlBuilder::buildRuleOrList(int level, const TSymbolSet& terminators) {
    const TSymbol s = sym();
    switch (s) {
    case symHr:
        closeSection();
        addSection(std::make_unique<THorzLine>(Master, attrs()));
        next();
        return true;
    case symOl:
    case symUl:
    case symDir:
    case symMenu:
    case symDl:
    case symBlockquote:
        nested([&] {
            buildList(level + 1, s, terminators);
            if (IsEndOfList(sym())) next();
        });
        return true;
    default: return false;
    }
}

void THtmlBuilder::buildCenter(int level, const TSymbolSet& terminators) {
    closeSection();
    const int saved = Align;
    if (sym() == symCenter) {
        Align = 2;
    } else if (const TAttribute* a = attrs().FindAttribute(symAlign)) {
        Align = AlignmentOf(a->StrValue, Align);
    }
    openSection(level, Align);
    next();
    TSymbolSet inner = terminators;
    inner.set(symCenterEnd);
    inner.set(symDivEnd);
    buildBody(level, inner);
    closeSection();
    Align = saved;
    openSection(level, Align);
    if (sym() == symCenterEnd || sym() == symDivEnd) next();
}

// A closing </P> keeps the alignment in force; any opening paragraph-level tag (P, H1..H6,
// DIV) may carry its own ALIGN.
int THtmlBuilder::paragraphAlignment() const {
    if (sym() == symPEnd) return Align;
    const TAttribute* a = attrs().FindAttribute(symAlign);
    return a ? AlignmentOf(a->StrValue, Align) : Align;
}

void THtmlBuilder::buildParagraph(int level) {
    closeSection();
    if (!Scanner.SpacePending) addSection(std::make_unique<TParagraphSpace>(Master));
    int justify = Align;
    do {
        justify = paragraphAlignment();
        Scanner.SkipBlanks();
        Scanner.SpacePending = true;
        next();
    } while (sym() == symP || sym() == symPEnd);
    openSection(level, justify);
}

void THtmlBuilder::buildHeading(int level) {
    const int h = Scanner.Level();
    static constexpr int Points[7] = {12, 24, 18, 15, 12, 10, 8};
    if (sym() == symH) {
        if (static_cast<int>(Fonts.size()) < MaxFontStack) {
            closeSection();
            auto f = copyTop();
            f->SetUnscaledSize(*Master, Points[h]);
            if (h > 0) f->Style |= fsBold;
            pushFont(std::move(f));
            addSection(std::make_unique<THeadingSpace>(Master, h));
            openSection(level, paragraphAlignment());
        }
    } else if (Fonts.size() > 1) {
        closeSection();
        addSection(std::make_unique<THeadingSpace>(Master, h));
        popFont();
    }
    next();
}

void THtmlBuilder::setStyle(TSymbol s) {
    int& style = Master->CurrentStyle;
    switch (s) {
    case symB:
    case symStrong: style |= fsBold; break;
    case symBEnd:
    case symStrongEnd: style &= ~fsBold; break;
    case symI:
    case symEm:
    case symCite:
    case symVar: style |= fsItalic; break;
    case symIEnd:
    case symEmEnd:
    case symCiteEnd:
    case symVarEnd: style &= ~fsItalic; break;
    case symU: style |= fsUnderline; break;
    case symUEnd: style &= ~fsUnderline; break;
    case symS:
    case symStrike: style |= fsStrikeOut; break;
    case symSEnd:
    case symStrikeEnd: style &= ~fsStrikeOut; break;
    case symSub: Master->CurrentSScript = TScriptPos::Subscript; break;
    case symSup: Master->CurrentSScript = TScriptPos::Superscript; break;
    case symSubEnd:
    case symSupEnd: Master->CurrentSScript = TScriptPos::Normal; break;
    default: break;
    }
}

void THtmlBuilder::buildInline(int level) {
    const TSymbol s = sym();
    switch (s) {
    case symP:
    case symPEnd: buildParagraph(level); return;
    case symBr: {
        const int justify = Section ? Section->EnsureNotEmpty() : Align;
        closeSection();
        openSection(level, justify);
        Section->SetClear(attrs());
        break;
    }
    case symH:
    case symHEnd: buildHeading(level); return;
    case symPre: buildPre(level); return;
    case symImg:
        ensureSection(level);
        Section->PlaceImage(attrs());
        break;
    case symA: startLinks(level); break;
    case symAEnd: endLink(); break;
    case symText:
        ensureSection(level);
        Section->AppendText(Scanner.Token());
        break;
    case symTable: nested([&] { buildTable(level); }); return;
    case symInput:
    case symSelect:
    case symTextarea: buildFormControl(level); break;
    case symForm:
    case symFormEnd: formTag(s); break;
    case symMap: buildMap(); break;
    case symScript: buildScript(); break;
    case symSub:
    case symSup:
        ensureSection(level);
        setStyle(s);
        newFontRun();
        break;
    default:
        if (buildFontTag(level, s)) break;
        // The style tags; the end of a TEXTAREA read already is passed over.
        setStyle(s);
        if (IsStyleSymbol(s)) newFontRun();
        break;
    }
    next();
}

bool THtmlBuilder::buildFontTag(int level, TSymbol s) {
    switch (s) {
    case symTt:
    case symCode:
    case symKbd:
    case symSamp:
        if (pushFont(fixedFont())) newFontRun();
        return true;
    case symTtEnd:
    case symCodeEnd:
    case symKbdEnd:
    case symSampEnd:
    case symFontEnd:
    case symBigEnd:
    case symSmallEnd:
        popFont();
        newFontRun();
        return true;
    case symAddress: {
        closeSection();
        auto f = copyTop();
        f->Style |= fsItalic;
        pushFont(std::move(f));
        openSection(level, Align);
        return true;
    }
    case symAddressEnd:
        closeSection();
        popFont();
        return true;
    case symFont:
    case symBasefont:
        if (setFontFromTag(s, false)) newFontRun();
        return true;
    case symBig:
    case symSmall: {
        // A font is pushed even when the size cannot step, so that the end tag pops
        // this tag's font and not an enclosing one.
        auto f = copyTop();
        f->SetUnscaledSize(*Master, s == symBig ? BigStep(f->UnscaledSize) : SmallStep(f->UnscaledSize));
        if (pushFont(std::move(f))) newFontRun();
        return true;
    }
    default: return false;
    }
}

} // namespace doc
