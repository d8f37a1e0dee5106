// Selection sinks: the section list writes the selected part of a document into one of
// them. SelTextCount only counts, SelTextBuf copies into a caller's buffer, ClipBuffer
// copies into its own 32500 bytes and puts the text on the clipboard. The placeholders of
// images (4) and form controls (2) are never counted or copied.
#pragma once

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

protected:
    static bool isPlaceholder(char c) { return c == 2 || c == 4; }
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

class ClipBuffer : public SelTextBuf {
public:
    static constexpr int Size = 32500;
    ClipBuffer();
    // As SelTextBuf, then the text goes to the clipboard (so at most 32499 characters).
    int Finish() override;

private:
    std::vector<char> Storage;
};

} // namespace doc
