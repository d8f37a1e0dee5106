// TScanner turns HTML source into the symbol stream the document builder reads: it folds
// line ends, skips comments (running the include directive), decodes entities, reads
// tags with their attributes and collects runs of text. One object per parse; the
// builder owns it.
//
// How the builder drives it:
//   TScanner s;
//   s.SetIncludeHandler(...);            // optional, before starting
//   s.StartFile(name) / s.StartBuffer(text);   // resets the state, reads the first char
//   s.NextSymbol();                      // then look at Symbol(), Token(), Level(), Attributes()
//   ... s.NextSymbol() until Symbol() == symEof ...
// Inside TEXTAREA the builder calls NextTextAreaSymbol, inside SCRIPT NextScriptSymbol
// (with NoComments set when it keeps the script), inside PRE it walks the characters
// itself with Ch() / NextChar() and sets Preformatted.
// Every reading operation, the starts included (they read the first character), may
// throw EParseError when the input ends inside a comment.
#pragma once

#include "html/attributes.h"
#include "html/symbols.h"

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace html {

// The character that stands for the end of input. A byte 26 in the text (the DOS end-of-
// file mark) ends the input as well.
constexpr int EofChar = 26;

// Called for '<!--#command NAME="value" ...-->' with the command as written and the
// attributes as NAME="value" (name upper case); the parameter list passes to the handler.
// Text the handler leaves in Buffer is read next, as if it stood in place of the comment.
using TIncludeHandler = std::function<void(const std::string& command,
                                           std::vector<std::string> params, std::string& buffer)>;

class TScanner {
public:
    TScanner();
    ~TScanner();
    TScanner(const TScanner&) = delete;
    TScanner& operator=(const TScanner&) = delete;

    // --- Sources. Each start resets the whole scanner state (flags, pushed-back
    // character, attribute list, include buffer) and reads the first character. ---

    // Reads the file through a 2000-byte buffer; false (and nothing read) when it cannot
    // be opened. The file is closed by Close, by the next start or by the destructor.
    bool StartFile(const std::string& fileName);
    // Reads Text, which is not copied: it must outlive the parse.
    void StartBuffer(std::string_view text);
    void Close();

    void SetIncludeHandler(TIncludeHandler handler) { IncludeHandler = std::move(handler); }

    // --- Reading ---

    // Advances to the next character: LF, LF CR and CR LF become one CR, a tab a space
    // (CameFromTab tells); comments and "<!...>" declarations are skipped.
    void NextChar() {
        if (PushedBack < 0 && Pos != End) {
            unsigned char c = *Pos;
            if (c >= 32 && c != '<') {
                ++Pos;
                CurCh = c;
                UpCh = UpperOf[c];
                CurTab = false;
                return;
            }
        }
        nextCharSlow();
    }
    // Advances while the current character is a space, a tab or a line end.
    void SkipBlanks() {
        while (CurCh == ' ' || CurCh == '\r')
            NextChar();
    }
    // Reads the next symbol: sets Symbol, Token, Level and, for tags that keep them, the
    // attribute list. Clears SpacePending when the symbol is content (text, BR, H, HR,
    // IMG, TABLE, INPUT, TEXTAREA, SELECT).
    void NextSymbol();
    // The raw mode between <TEXTAREA> and </TEXTAREA>: line ends give symEol, "</textarea"
    // gives symTextareaEnd (the builder then calls SkipPastTagEnd), other tags come back
    // as symUnknown with their text in Token; entities are decoded.
    void NextTextAreaSymbol();
    // The raw mode of a SCRIPT body: line ends give symEol, "</script>" symScriptEnd,
    // other '<' sequences symUnknown with their raw text; no entities.
    void NextScriptSymbol();
    // Reads one NAME[=value] at the current character. False when no attribute name
    // starts here. IntValue defaults to 1 for BORDER, 0 otherwise.
    bool ReadAttribute(TSymbol& sym, std::string& name, std::string& value, int& intValue);
    // Skips up to the next '>' and past it (or to the end of input).
    void SkipPastTagEnd();

    // --- State after the last operation ---

    int Ch() const { return CurCh; }                         // 0..255; EofChar at the end of input
    char UpperCh() const { return static_cast<char>(UpCh); } // ASCII letters upper-cased
    bool AtEof() const { return CurCh == EofChar; }
    // The current space stands for a tab of the input: preformatted text expands it to the
    // next tab stop, everywhere else it is a blank like any other.
    bool CameFromTab() const { return CurTab; }
    TSymbol Symbol() const { return Sy; }
    // Text of symText/symChar, or the raw text of symUnknown in the raw modes.
    const std::string& Token() const { return TokenText; }
    int Level() const { return HeadingLevel; } // 1..6 for symH/symHEnd with a digit, else 0
    const TAttributeList& Attributes() const { return AttrList; }

    // --- Flags the builder sets ---
    bool Preformatted = false; // keep white space in text runs (PRE, plain text)
    bool NoComments = false;   // do not recognise comments (a kept SCRIPT body)
    bool SpacePending = false; // a paragraph space was just added; cleared by content

    static constexpr size_t MaxToken = 150;   // token text and tag/attribute names
    static constexpr size_t MaxTextRun = 100; // characters of one symText run
    static constexpr size_t FileBufferSize = 2000;

private:
    enum class TSource { None, File, Memory, Include };

    void reset();
    void nextCharSlow();
    int takeRaw() {
        if (PushedBack >= 0) {
            int c = PushedBack;
            PushedBack = -1;
            return c;
        }
        if (Pos != End) {
            unsigned char c = *Pos++;
            if (c != EofChar) return c;
            Ended = true;
            Pos = End;
            return EofChar;
        }
        return readSlow();
    }
    int readSlow();
    bool refill();
    void skipCommentOrDeclaration();
    void skipCommentRest(int c);
    void runIncludeDirective();
    void readTag();
    // The raw modes: symEof or symEol (consumed) when the current character is one.
    bool rawEndOfLineOrInput();
    // Characters up to a line end, the end, '<' (and '&'), at most MaxTextRun: symText.
    void readRawText(bool stopAtAmpersand);
    void readTextRun();
    // Decodes the entity at the current '&' and appends its text to Out.
    void readEntity(std::string& out);

    static const std::array<unsigned char, 256> UpperOf;

    // The window being read: part of the file buffer, the memory text or the include text.
    const unsigned char* Pos = nullptr;
    const unsigned char* End = nullptr;
    TSource Source = TSource::None;
    bool Ended = false; // the input is exhausted (or held a byte 26)
    std::FILE* File = nullptr;
    std::array<unsigned char, FileBufferSize> FileBuffer{};
    // While the include text is read: the source and window to return to.
    std::string IncludeText;
    TSource SavedSource = TSource::None;
    const unsigned char* SavedPos = nullptr;
    const unsigned char* SavedEnd = nullptr;
    TIncludeHandler IncludeHandler;

    int CurCh = EofChar;
    int UpCh = EofChar;
    bool CurTab = false;
    int PushedBack = -1; // -1: none (a pushed-back NUL is a character like any other)
    bool InComment = false;

    TSymbol Sy = symEof;
    std::string TokenText;
    int HeadingLevel = 0;
    TAttributeList AttrList;
    // Scratch for attributes of tags that drop them.
    TAttribute Scratch;
    std::string ScratchName;
};

} // namespace html
