#include "doc/sel_text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

namespace doc {

void SelTextCount::PutText(std::string_view text) {
    for (char c : text)
        if (!isPlaceholder(c)) ++Count;
}

void SelTextCount::PutLine(std::string_view text) {
    PutText(text);
    PutText("\r\n");
}

int SelTextCount::Finish() {
    return Count;
}

void SelTextBuf::PutText(std::string_view text) {
    for (char c : text) {
        if (Count >= BufferSize - 1) return;
        if (!isPlaceholder(c)) Buffer[Count++] = c;
    }
}

int SelTextBuf::Finish() {
    if (BufferSize > 0) Buffer[Count] = 0;
    return Count + 1;
}

ClipBuffer::ClipBuffer() : SelTextBuf(nullptr, Size), Storage(Size) {
    Buffer = Storage.data();
}

int ClipBuffer::Finish() {
    int result = SelTextBuf::Finish();
    // Without a GUI application there is no clipboard (tools and tests without one).
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::clipboard()->setText(QString::fromLatin1(Buffer, Count));
    return result;
}

} // namespace doc
