#include "doc/sel_text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

namespace doc {

void SelTextCount::PutText(std::string_view text) {
    for (char c : text)
        if (!IsPlaceholder(c)) ++Count;
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
        if (!IsPlaceholder(c)) Buffer[Count++] = c;
    }
}

int SelTextBuf::Finish() {
    if (BufferSize > 0) Buffer[Count] = 0;
    return Count + 1;
}

void ClipBuffer::PutText(std::string_view text) {
    for (char c : text)
        if (!IsPlaceholder(c)) Text += c;
    Count = static_cast<int>(Text.size());
}

int ClipBuffer::Finish() {
    std::string text;
    text.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i)
        if (!(Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')) text += Text[i];
    // Without a GUI application there is no clipboard (tools and tests without one).
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        const QString q = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
        clipboard->setText(q);
        if (clipboard->supportsSelection()) clipboard->setText(q, QClipboard::Selection);
    }
    return Count + 1;
}

} // namespace doc
