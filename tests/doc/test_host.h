// A document host for tests: each request goes to a handler when one is set, and text can
// be measured with fixed metrics, so that a layout does not depend on the installed fonts.
#pragma once

#include "doc/document_host.h"

#include <QFont>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Every character of a font of P pixels is P/2 wide (one more in bold); the ascent is
// P - P/5, the descent P/5, and there is no leading.
class TFixedMetrics : public doc::TTextMeasurer {
public:
    platform::TTextMetrics Metrics(const QFont& font) const override {
        const int p = font.pixelSize();
        platform::TTextMetrics m;
        m.Descent = p / 5;
        m.Ascent = p - m.Descent;
        m.Height = m.LineHeight = p;
        m.AveCharWidth = m.MaxCharWidth = width(font);
        return m;
    }
    int CharWidth(const QFont& font, unsigned char) const override { return width(font); }

private:
    static int width(const QFont& font) { return font.pixelSize() / 2 + (font.bold() ? 1 : 0); }
};

inline const TFixedMetrics& FixedMetrics() {
    static const TFixedMetrics metrics;
    return metrics;
}

class TTestHost : public doc::TDocumentHost {
public:
    const doc::TTextMeasurer* Fonts = &doc::ScreenFonts();
    int TimerStarts = 0, TimerStops = 0; // of the animation timer
    // META tags and sounds met, one line each: "meta Equiv|Name|Content", "sound Src Loop".
    std::vector<std::string> Events;
    std::function<void(const std::string& src, image::TMemoryStream*& stream)> OnImage;
    std::function<std::string(const std::string& src)> OnImageFile;
    std::function<void(doc::TFormControlObj* obj, const std::string& onClick)> OnObjectClick;
    std::function<void(const std::string& action, const std::string& target, const std::string& encType,
                       const std::string& method, std::vector<std::string> results)>
        OnSubmit;
    std::function<void(const std::string& language, const std::string& script)> OnScript;
    std::function<void(const std::string& command, std::vector<std::string> params, std::string& buffer)> OnInclude;

    const doc::TTextMeasurer& Measurer() const override { return *Fonts; }
    bool RequestImage(const std::string& src, image::TMemoryStream*& stream) override {
        if (!OnImage) return false;
        OnImage(src, stream);
        return true;
    }
    std::string ImageFileName(const std::string& src) override { return OnImageFile ? OnImageFile(src) : src; }
    void ObjectClicked(doc::TFormControlObj* obj, const std::string& onClick) override {
        if (OnObjectClick) OnObjectClick(obj, onClick);
    }
    void FormSubmitted(const std::string& action, const std::string& target, const std::string& encType,
                       const std::string& method, std::vector<std::string> results) override {
        if (OnSubmit) OnSubmit(action, target, encType, method, std::move(results));
    }
    void StartAnimationTimer() override { ++TimerStarts; }
    void StopAnimationTimer() override { ++TimerStops; }
    bool TakesScripts() const override { return static_cast<bool>(OnScript); }
    void ScriptFound(const std::string& language, const std::string& script) override { OnScript(language, script); }
    void MetaFound(const std::string& httpEquiv, const std::string& name, const std::string& content) override {
        Events.push_back("meta " + httpEquiv + "|" + name + "|" + content);
    }
    void SoundRequested(const std::string& src, int loop, bool) override {
        Events.push_back("sound " + src + " " + std::to_string(loop));
    }
    bool TakesIncludes() const override { return static_cast<bool>(OnInclude); }
    void IncludeFound(const std::string& command, std::vector<std::string> params, std::string& buffer) override {
        OnInclude(command, std::move(params), buffer);
    }
};

} // namespace testsupport
