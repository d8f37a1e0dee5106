// TDocumentHost: everything the document needs from the program that shows it (pictures,
// the events of links, forms, scripts and META tags, the parent of the form controls, the
// animation timer and the measuring of text), so that the document knows no viewer.
#pragma once

#include "platform/canvas.h"
#include "platform/colors.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QFont;
class QWidget;

namespace image {
class TMemoryStream;
}

namespace doc {

class TFormControlObj;

// How text is measured for layout. Faces made with a measurer are cached process-wide with
// it, so a measurer lives as long as the process.
class TTextMeasurer {
public:
    virtual ~TTextMeasurer() = default;
    virtual platform::TTextMetrics Metrics(const QFont& font) const = 0;
    virtual int CharWidth(const QFont& font, unsigned char c) const = 0;
    // A whole text, kerning included where the measurer knows it.
    virtual int TextWidth(const QFont& font, std::string_view text) const;
};

// The fonts of the screen, as the platform measures them.
const TTextMeasurer& ScreenFonts();

// Every call has a harmless default, so that a document laid out without a viewer (a test, a
// tool) needs no host of its own.
class TDocumentHost {
public:
    virtual ~TDocumentHost() = default;

    virtual const TTextMeasurer& Measurer() const { return ScreenFonts(); }

    // Pictures. RequestImage answers with a stream of the picture's bytes, the shared "later"
    // marker for a picture that comes later, or nothing; false when the host does not serve
    // pictures, and the document then reads ImageFileName(Src) itself.
    virtual bool RequestImage(const std::string& src, image::TMemoryStream*& stream);
    virtual std::string ImageFileName(const std::string& src) { return src; }
    // The decoded pictures of a page share one memory budget. Before a picture is decoded,
    // or a cached one is shown, its bytes are asked for under its cache key; the host counts
    // a key once for the page it shows, an empty key (memory of one image alone) every time.
    // False leaves the picture undecoded behind its placeholder.
    virtual bool ReservePictureMemory(const std::string& key, uint64_t bytes);

    // Form controls: the widget they are children of (none when the document is only laid
    // out and drawn into a picture), a control that took the focus at document Y, a click
    // with the control's ONCLICK text (the handler may clear the document), a submission
    // whose results belong to the host from now on.
    virtual QWidget* ControlParent() const { return nullptr; }
    virtual void ControlFocused(int y);
    virtual void ObjectClicked(TFormControlObj* obj, const std::string& onClick);
    virtual void FormSubmitted(const std::string& action, const std::string& target, const std::string& encType,
                               const std::string& method, std::vector<std::string> results);

    virtual void BackgroundChanged(platform::TColor color);
    // Animated pictures are on show: the host calls the document's animation step every
    // 50 ms until told to stop.
    virtual void StartAnimationTimer() {}
    virtual void StopAnimationTimer() {}

    // What the parser meets. A script body is read as plain text, comments included, only
    // when the host takes scripts; include directives are run only when it takes them.
    virtual bool TakesScripts() const { return false; }
    virtual void ScriptFound(const std::string& language, const std::string& script);
    virtual void MetaFound(const std::string& httpEquiv, const std::string& name, const std::string& content);
    // BGSOUND: SRC, the times to play (LOOP, 1 when absent) and Terminate (true to stop a
    // sound playing; the parser always passes false).
    virtual void SoundRequested(const std::string& src, int loop, bool terminate);
    virtual bool TakesIncludes() const { return false; }
    // The directive's command and parameters; the host puts the text to read in Buffer.
    virtual void IncludeFound(const std::string& command, std::vector<std::string> params, std::string& buffer);
};

// The host of a document that has none: every default.
TDocumentHost& NoHost();

} // namespace doc
