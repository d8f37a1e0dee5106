// Fonts of the document: the font object with its HTML extras (the unscaled size and the
// fixed-pitch mark), the font run that styles a stretch of a text section, the list of
// runs with its position look-ups, and the tables that map HTML sizes 1..7 to points.
#pragma once

#include "doc/free_list.h"
#include "doc/url_target.h"
#include "platform/canvas.h"
#include "platform/colors.h"

#include <QFont>
#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace doc {

class TSectionList;
class TTextMeasurer;

// Multiply, then divide, rounding to the nearest integer (halves away from zero).
int MulDiv(int a, int b, int c);

// HTML size 1..7 to points at a default size of 12 (index 0 unused).
extern const std::array<int, 8> FontSizeTable;
extern const std::array<int, 8> PreFontSizeTable;
// One step up or down the proportional table; the same size when there is no step.
int BigStep(int points);
int SmallStep(int points);

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int;

// Where a run sits against the base line (SUB and SUP).
enum class TScriptPos : uint8_t { Normal, Subscript, Superscript };

class TMyFont {
public:
    std::string Name = "Times New Roman";
    int Size = 12; // points, after scaling
    platform::TColor Color = platform::clBlack;
    TFontStyles Style = 0;
    int Charset = 0;
    int UnscaledSize = 12; // points before scaling by the document's default size
    bool FixedPitch = false;

    void Assign(const TMyFont& source) { *this = source; }
    void SetUnscaledSize(const TSectionList& list, int size);
    void ApplyDefaults(const TSectionList& list, platform::TColor color);
    QFont ToQFont() const;
};

// The Qt font, metrics and character widths of one distinct font (name, size, style) as
// one measurer measures it. A page has thousands of runs but a handful of fonts, so runs
// share their face: one measuring per font and character, not per run. Faces live while a
// run uses them.
class TFontFace {
public:
    TFontFace(const QFont& font, const TTextMeasurer& measurer);
    // The shared face of Font; made on first use. UI thread only, like all of the document.
    static std::shared_ptr<const TFontFace> For(const TMyFont& font, const TTextMeasurer& measurer);
    // How many faces are alive in the process.
    static size_t LiveCount();

    const QFont Q;
    const platform::TTextMetrics Metrics;
    int CharWidth(unsigned char c) const {
        int w = Advances[c];
        return w >= 0 ? w : measure(c);
    }

private:
    int measure(unsigned char c) const;
    const TTextMeasurer& Measurer;
    mutable std::array<int, 256> Advances; // -1 until measured
};

// One font run of a text section: the font from StartPos on, its cached metrics and the
// link it belongs to (an empty URL means no link).
class TFontObj {
public:
    TFontObj(const TMyFont& font, int startPos, const TTextMeasurer& measurer);

    int StartPos;
    TMyFont Font;
    TScriptPos ScriptPos = TScriptPos::Normal;
    TUrlTarget Link;

    // Takes the face, and with it the metrics, of Font; call after every change of Font.
    void FontChanged();
    void ApplyDefaults(const TSectionList& list);

    int LineHeight() const { return Face->Metrics.LineHeight; } // text height + external leading
    int TextHeight() const { return Face->Metrics.Height; }     // ascent + descent
    int Overhang() const { return Face->Metrics.Overhang; }
    int Descent() const { return Face->Metrics.Descent; }
    int Ascent() const { return Face->Metrics.Ascent; }
    const QFont& QtFont() const { return Face->Q; }
    int CharWidth(unsigned char c) const { return Face->CharWidth(c); }
    int TextWidth(std::string_view text) const;

private:
    const TTextMeasurer* Measurer;
    std::shared_ptr<const TFontFace> Face;
};

class TFontList : public TFreeList<TFontObj> {
public:
    // The run in effect at Pos: the last whose StartPos does not exceed it.
    TFontObj* RunAt(int pos, int& index) const;
    TFontObj* RunAt(int pos) const {
        int i;
        return RunAt(pos, i);
    }
    TMyFont* FontAt(int pos, int& overhang) const;
    // Characters from Pos up to the next run's start, or up to Length.
    int RunLengthAt(int pos, int length) const;
    void ApplyDefaultsToAll(const TSectionList& list);
};

} // namespace doc
