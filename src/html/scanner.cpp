#include "html/scanner.h"

#include "html/parse_error.h"
#include "html/tables.h"
#include "platform/text.h"

#include <charconv>

namespace html {

namespace {

std::array<unsigned char, 256> makeUpper() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 'a' + 'A' : i);
    return t;
}

bool isLetter(int upper) {
    return upper >= 'A' && upper <= 'Z';
}
bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isBlank(int c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A whole decimal integer with an optional sign; 0 for anything else (overflow included).
int toInt(std::string_view s) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return 0;
    return v;
}

void trimBlanks(std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && isBlank(static_cast<unsigned char>(s[e - 1])))
        --e;
    if (b != 0 || e != s.size()) s = s.substr(b, e - b);
}

bool clearsSpacePending(TSymbol s) {
    for (TSymbol content :
         {symBr, symH, symHr, symImg, symText, symTable, symInput, symTextarea, symSelect})
        if (s == content) return true;
    return false;
}

} // namespace

const std::array<unsigned char, 256> TScanner::UpperOf = makeUpper();

TScanner::TScanner() {
    TokenText.reserve(MaxToken + 16);
    ScratchName.reserve(MaxToken + 16);
}

TScanner::~TScanner() {
    Close();
}

void TScanner::Close() {
    if (File) std::fclose(File);
    File = nullptr;
    Source = TSource::None;
    Pos = End = nullptr;
    Ended = true;
}

void TScanner::reset() {
    Close();
    Ended = false;
    IncludeText.clear();
    SavedSource = TSource::None;
    SavedPos = SavedEnd = nullptr;
    PushedBack = -1;
    InComment = false;
    Preformatted = NoComments = SpacePending = false;
    Sy = symEof;
    TokenText.clear();
    HeadingLevel = 0;
    AttrList.Clear();
    CurCh = UpCh = EofChar;
    CurTab = false;
}

bool TScanner::StartFile(const std::string& fileName) {
    reset();
    File = std::fopen(fileName.c_str(), "rb");
    if (!File) {
        Ended = true;
        return false;
    }
    Source = TSource::File;
    NextChar();
    return true;
}

void TScanner::StartBuffer(std::string_view text) {
    reset();
    Source = TSource::Memory;
    Pos = reinterpret_cast<const unsigned char*>(text.data());
    End = Pos + text.size();
    NextChar();
}

int TScanner::readSlow() {
    while (Pos == End) {
        if (!refill()) return EofChar;
    }
    return takeRaw();
}

bool TScanner::refill() {
    if (Ended) return false;
    switch (Source) {
    case TSource::Include:
        // Back to the text that held the include directive.
        Source = SavedSource;
        Pos = SavedPos;
        End = SavedEnd;
        return true;
    case TSource::File:
        if (File) {
            size_t n = std::fread(FileBuffer.data(), 1, FileBuffer.size(), File);
            if (n > 0) {
                Pos = FileBuffer.data();
                End = Pos + n;
                return true;
            }
        }
        break;
    default:
        break;
    }
    Ended = true;
    return false;
}

void TScanner::nextCharSlow() {
    for (;;) {
        int c = takeRaw();
        CurTab = c == '\t';
        if (c == '\n') {
            c = '\r';
            int next = takeRaw();
            if (next != '\r') PushedBack = next;
        } else if (c == '\r') {
            int next = takeRaw();
            if (next != '\n') PushedBack = next;
        } else if (c == '\t') {
            c = ' ';
        }
        CurCh = c;
        UpCh = UpperOf[static_cast<unsigned char>(c)];
        if (c == EofChar) {
            if (InComment) throw EParseError(OpenCommentMessage);
            return;
        }
        if (c != '<' || NoComments || InComment) return;
        int next = takeRaw();
        if (next != '!') {
            PushedBack = next;
            return;
        }
        // A comment or declaration: invisible to every caller, so read on.
        skipCommentOrDeclaration();
    }
}

void TScanner::skipCommentOrDeclaration() {
    int c = takeRaw();
    if (c == '-') {
        c = takeRaw();
        if (c == '-') {
            InComment = true;
            c = takeRaw();
            if (c == '#' && IncludeHandler && Source != TSource::Include)
                runIncludeDirective();
            else
                skipCommentRest(c);
            InComment = false;
            return;
        }
    }
    // "<!DOCTYPE ...>" and other declarations run to the next '>'. Note: unlike a
    // comment, a declaration cut off by the end of input is not an error.
    while (c != '>' && c != EofChar)
        c = takeRaw();
}

// A comment closes with two or more '-', then any blanks, then '>'. C is the first
// character not yet examined.
void TScanner::skipCommentRest(int c) {
    int dashes = 0;
    for (;; c = takeRaw()) {
        if (c == EofChar) throw EParseError(OpenCommentMessage);
        if (c == '-') {
            ++dashes;
            continue;
        }
        if (dashes >= 2) {
            if (c == '>') return;
            if (isBlank(c)) continue;
        }
        dashes = 0;
    }
}

void TScanner::runIncludeDirective() {
    // The command and its attributes are read with the ordinary character reader; the
    // open comment makes the end of input an error and keeps '<' from nesting comments.
    NextChar();
    std::string command;
    while (isLetter(UpCh)) {
        if (command.size() < MaxToken) command += static_cast<char>(CurCh);
        NextChar();
    }
    std::vector<std::string> params;
    TSymbol sym;
    std::string name, value;
    int intValue;
    while (ReadAttribute(sym, name, value, intValue))
        params.push_back(name + "=\"" + value + "\"");
    skipCommentRest(CurCh);

    std::string buffer;
    IncludeHandler(command, std::move(params), buffer);
    if (!buffer.empty()) {
        IncludeText = std::move(buffer);
        SavedSource = Source;
        SavedPos = Pos;
        SavedEnd = End;
        Source = TSource::Include;
        Pos = reinterpret_cast<const unsigned char*>(IncludeText.data());
        End = Pos + IncludeText.size();
    }
}

void TScanner::NextSymbol() {
    TokenText.clear();
    HeadingLevel = 0;
    if (CurCh == EofChar) {
        Sy = symEof;
    } else if (CurCh == '<') {
        readTag();
    } else if (CurCh == '&') {
        readEntity(TokenText);
        Sy = symText;
    } else {
        readTextRun();
        if (!TokenText.empty()) {
            Sy = symText;
        } else {
            TokenText = static_cast<char>(CurCh);
            Sy = symChar;
            NextChar();
        }
    }
    if (SpacePending && clearsSpacePending(Sy)) SpacePending = false;
}

void TScanner::readTag() {
    NextChar();
    bool endTag = false;
    if (CurCh == '/') {
        endTag = true;
        NextChar();
    } else if (!isLetter(UpCh)) {
        // "x<3": the '<' is text, and what follows is read as the next symbol.
        TokenText += '<';
        Sy = symText;
        return;
    }
    // Only letters belong to the name ("H1" is "H"). Names longer than any tag cannot
    // match, so only their length is kept beyond 13 letters.
    char name[13];
    size_t len = 0;
    while (isLetter(UpCh)) {
        if (len < sizeof name) name[len] = static_cast<char>(UpCh);
        ++len;
        NextChar();
    }
    TSymbol sym = len <= sizeof name ? LookupTag(std::string_view(name, len)) : symUnknown;
    if (endTag) sym = sym == symUnknown ? symUnknown : EndSymbolOf(sym);
    Sy = sym;

    SkipBlanks();
    if ((sym == symH || sym == symHEnd) && CurCh >= '1' && CurCh <= '6') {
        HeadingLevel = CurCh - '0';
        NextChar();
    }
    const bool keep = KeepsAttributes(sym);
    if (keep) AttrList.Clear();
    while (ReadAttribute(Scratch.Sym, ScratchName, Scratch.StrValue, Scratch.IntValue))
        if (keep) AttrList.Add(Scratch);
    SkipPastTagEnd();
}

void TScanner::SkipPastTagEnd() {
    while (CurCh != '>' && CurCh != EofChar)
        NextChar();
    if (CurCh == '>') NextChar();
}

void TScanner::readTextRun() {
    while (TokenText.size() < MaxTextRun &&
           (CurCh == '\r' || (CurCh >= 32 && CurCh != '&' && CurCh != '<' && CurCh != '>'))) {
        if (!Preformatted && (CurCh == ' ' || CurCh == '\r')) {
            TokenText += ' ';
            SkipBlanks();
        } else {
            TokenText += static_cast<char>(CurCh);
            NextChar();
        }
    }
}

void TScanner::readEntity(std::string& out) {
    NextChar(); // past '&'
    const bool numeric = CurCh == '#';
    if (numeric) NextChar();
    // Up to 6 digits, or up to 7 letters and digits for a name; a full set is too long
    // to be an entity and stays literal, with the next character left unread.
    const int limit = numeric ? 6 : 7;
    char chars[7];
    int n = 0;
    while (n < limit && (isDigit(CurCh) || (!numeric && isLetter(UpCh)))) {
        chars[n++] = static_cast<char>(CurCh);
        NextChar();
    }
    const std::string_view body(chars, static_cast<size_t>(n));
    const std::string_view literal = numeric ? "&#" : "&";
    if (n == limit) {
        out += literal;
        out += body;
        return;
    }
    const bool semicolon = CurCh == ';';
    if (semicolon) NextChar();
    int code = -1;
    if (numeric) {
        int v = n > 0 ? toInt(body) : -1;
        if (v == 9)
            code = ' ';
        else if (v == 10 || (v >= 32 && v <= 255))
            code = v;
    } else if (unsigned char c; LookupEntity(body, c)) {
        code = c;
    }
    if (code >= 0) {
        out += static_cast<char>(code);
        return;
    }
    out += literal;
    out += body;
    if (semicolon) out += ';';
}

bool TScanner::ReadAttribute(TSymbol& sym, std::string& name, std::string& value, int& intValue) {
    sym = symOtherAttr;
    SkipBlanks();
    name.clear();
    if (!isLetter(UpCh)) return false;
    while (isLetter(UpCh) || CurCh == '-') {
        if (name.size() < MaxToken) name += static_cast<char>(UpCh);
        NextChar();
    }
    sym = LookupAttribute(name);
    SkipBlanks();
    value.clear();
    intValue = sym == symBorder ? 1 : 0; // a bare BORDER means a border of 1

    if (CurCh != '=') return true;
    NextChar();
    SkipBlanks();
    if (CurCh == '"' || CurCh == '\'') {
        const int quote = CurCh;
        NextChar();
        while (CurCh != quote && CurCh != EofChar) {
            if (CurCh == '\r') {
                NextChar(); // a value split over lines loses the line break
            } else if (CurCh == '&') {
                readEntity(value);
            } else {
                value += static_cast<char>(CurCh);
                NextChar();
            }
        }
        if (CurCh == quote) NextChar();
        trimBlanks(value);
        std::string_view digits = value;
        if (!digits.empty() && digits.back() == '%') digits.remove_suffix(1);
        intValue = toInt(digits);
    } else if (CurCh == '+' || CurCh == '-' || isDigit(CurCh)) {
        while (CurCh != ' ' && CurCh != '\r' && CurCh != '%' && CurCh != '>' && CurCh != EofChar) {
            value += static_cast<char>(CurCh);
            NextChar();
        }
        SkipBlanks();
        intValue = toInt(value);
        if (CurCh == '%') {
            value += '%';
            NextChar();
        }
    } else {
        while (CurCh != ' ' && CurCh != '\r' && CurCh != '>' && CurCh != EofChar) {
            value += static_cast<char>(CurCh);
            NextChar();
        }
    }
    return true;
}

bool TScanner::rawEndOfLineOrInput() {
    TokenText.clear();
    HeadingLevel = 0;
    if (CurCh == EofChar) {
        Sy = symEof;
        return true;
    }
    if (CurCh == '\r') {
        Sy = symEol;
        NextChar();
        return true;
    }
    return false;
}

void TScanner::readRawText(bool stopAtAmpersand) {
    while (TokenText.size() < MaxTextRun && CurCh != '\r' && CurCh != EofChar && CurCh != '<' &&
           !(stopAtAmpersand && CurCh == '&')) {
        TokenText += static_cast<char>(CurCh);
        NextChar();
    }
    Sy = symText;
}

void TScanner::NextTextAreaSymbol() {
    if (rawEndOfLineOrInput()) return;
    if (CurCh == '<') {
        // Note: a candidate longer than the token text keeps its rest for the next
        // symbol instead of losing it.
        do {
            TokenText += static_cast<char>(CurCh);
            NextChar();
        } while (TokenText.size() < MaxToken && CurCh != ' ' && CurCh != '\r' && CurCh != '>' &&
                 CurCh != EofChar);
        Sy = platform::EqualNoCase(TokenText, "</textarea") ? symTextareaEnd : symUnknown;
    } else if (CurCh == '&') {
        readEntity(TokenText);
        Sy = symText;
    } else {
        readRawText(true);
    }
}

void TScanner::NextScriptSymbol() {
    if (rawEndOfLineOrInput()) return;
    if (CurCh == '<') {
        TokenText += '<';
        NextChar();
        for (int n = 0; n < 7 && (CurCh == '/' || isLetter(UpCh)); ++n) {
            TokenText += static_cast<char>(CurCh);
            NextChar();
        }
        if (CurCh == '>') {
            TokenText += '>';
            NextChar();
        }
        Sy = platform::EqualNoCase(TokenText, "</script>") ? symScriptEnd : symUnknown;
    } else {
        readRawText(false);
    }
}

} // namespace html
