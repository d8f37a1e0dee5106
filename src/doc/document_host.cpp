#include "doc/document_host.h"

#include <QFontMetrics>

namespace doc {

namespace {

class TScreenFonts : public TTextMeasurer {
public:
    platform::TTextMetrics Metrics(const QFont& font) const override { return platform::MetricsOf(font); }
    int CharWidth(const QFont& font, unsigned char c) const override {
        return QFontMetrics(font).horizontalAdvance(QChar(static_cast<char16_t>(c)));
    }
    int TextWidth(const QFont& font, std::string_view text) const override { return platform::TextWidth(font, text); }
};

} // namespace

int TTextMeasurer::TextWidth(const QFont& font, std::string_view text) const {
    int w = 0;
    for (char c : text) w += CharWidth(font, static_cast<unsigned char>(c));
    return w;
}

const TTextMeasurer& ScreenFonts() {
    static const TScreenFonts fonts;
    return fonts;
}

bool TDocumentHost::RequestImage(const std::string&, image::TMemoryStream*&) { return false; }
bool TDocumentHost::ReservePictureMemory(const std::string&, uint64_t) { return true; }
void TDocumentHost::ControlFocused(int) {}
void TDocumentHost::ObjectClicked(TFormControlObj*, const std::string&) {}
void TDocumentHost::FormSubmitted(const std::string&, const std::string&, const std::string&, const std::string&,
                                  std::vector<std::string>) {}
void TDocumentHost::BackgroundChanged(platform::TColor) {}
void TDocumentHost::ScriptFound(const std::string&, const std::string&) {}
void TDocumentHost::MetaFound(const std::string&, const std::string&, const std::string&) {}
void TDocumentHost::SoundRequested(const std::string&, int, bool) {}
void TDocumentHost::IncludeFound(const std::string&, std::vector<std::string>, std::string&) {}

TDocumentHost& NoHost() {
    static TDocumentHost host;
    return host;
}

} // namespace doc
