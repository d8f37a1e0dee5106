// Selection sinks: the section list writes the selected part of a document into one of
// them. SelTextCount only counts, SelTextBuf copies into a caller's buffer, ClipBuffer
// collects the whole text and puts it on the clipboard. The placeholders of
// images and form controls are never counted or copied.
#pragma once

#include "doc/placeholders.h"

#include <string>
#include <string_view>
#include <vector>

namespace doc {

class SelTextCount {
public:
    virtual ~SelTextCount() = default;
    virtual void PutText(std::string_view text);
    // The text and then CR LF, through PutText.
    void PutLine(std::string_view text);
    // The number of characters counted.
    virtual int Finish();

    int Count = 0; // characters counted (SelTextBuf: stored, without the zero)
};

class SelTextBuf : public SelTextCount {
public:
    // Buffer of Size bytes, not owned; at most Size - 1 characters and a zero go in.
    SelTextBuf(char* buffer, int size) : Buffer(buffer), BufferSize(size) {}
    void PutText(std::string_view text) override;
    // Writes the terminating zero; returns the characters stored plus one.
    int Finish() override;

protected:
    char* Buffer;
    int BufferSize;
};

// Collects the whole selection, however long: a copy that silently cut the text would lose
// what the user chose. Finish puts it on the clipboard and, as X11 programs do, in the
// primary selection, with the platform's line ends.
class ClipBuffer : public SelTextCount {
public:
    void PutText(std::string_view text) override;
    // The characters collected plus one, as SelTextBuf counts its terminating zero.
    int Finish() override;

    std::string Text;
};

} // namespace doc
