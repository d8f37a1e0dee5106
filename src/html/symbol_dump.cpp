#include "html/symbol_dump.h"

#include "html/parse_error.h"

namespace html {

std::string QuotedForDump(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    std::string s = "\"";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '\r') {
            s += "\\r";
        } else if (c == '\n') {
            s += "\\n";
        } else if (c == '"' || c == '\\') {
            s += '\\';
            s += ch;
        } else if (c >= 32 && c < 127) {
            s += ch;
        } else {
            s += "\\x";
            s += hex[c >> 4];
            s += hex[c & 15];
        }
    }
    s += '"';
    return s;
}

std::string DumpSymbol(const TScanner& scanner) {
    const TSymbol sym = scanner.Symbol();
    std::string line = SymbolName(sym);
    if (!scanner.Token().empty()) line += " " + QuotedForDump(scanner.Token());
    if (sym == symH || sym == symHEnd) line += " " + std::to_string(scanner.Level());
    line += '\n';
    if (KeepsAttributes(sym))
        for (const auto& a : scanner.Attributes())
            line += "  " + SymbolName(a.Sym) + " " + QuotedForDump(a.StrValue) + " " +
                    std::to_string(a.IntValue) + "\n";
    return line;
}

std::string DumpSymbols(std::string_view text, TIncludeHandler include) {
    TScanner s;
    s.SetIncludeHandler(std::move(include));
    std::string out;
    try {
        s.StartBuffer(text);
        s.NextSymbol();
        while (s.Symbol() != symEof) {
            out += DumpSymbol(s);
            switch (s.Symbol()) {
            case symTextarea:
                do {
                    s.NextTextAreaSymbol();
                    out += DumpSymbol(s);
                } while (s.Symbol() != symTextareaEnd && s.Symbol() != symEof);
                s.SkipPastTagEnd();
                break;
            case symScript:
                s.NoComments = true;
                do {
                    s.NextScriptSymbol();
                    out += DumpSymbol(s);
                } while (s.Symbol() != symScriptEnd && s.Symbol() != symEof);
                s.NoComments = false;
                break;
            case symPre:
                s.Preformatted = true;
                break;
            case symPreEnd:
            case symTdEnd:
            case symThEnd:
                s.Preformatted = false;
                break;
            default:
                break;
            }
            if (s.Symbol() == symEof) return out;
            s.NextSymbol();
        }
        out += DumpSymbol(s);
    } catch (const EParseError& e) {
        out += "EParseError: " + e.Message + "\n";
    }
    return out;
}

} // namespace html
