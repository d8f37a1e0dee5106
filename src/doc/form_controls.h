// The controls of INPUT: edit boxes (text, password and any unknown TYPE), buttons
// (submit, reset, button), check boxes, radio buttons, hidden fields and image buttons;
// and MakeFormControl, which picks the class for an INPUT, SELECT or TEXTAREA tag.
#pragma once

#include "doc/form_control.h"
#include "html/symbols.h"

#include <QFont>
#include <memory>

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace doc {

// INPUT by its TYPE (in lower case), SELECT by MULTIPLE and SIZE, TEXTAREA.
std::unique_ptr<TFormControlObj> MakeFormControl(TSectionList* document, ThtmlForm* form,
                                                 html::TSymbol tag,
                                                 const html::TAttributeList& attributes);

// Widths and heights come from the letter "A" in the control's font.
struct TLetterSize {
    int Width = 0;
    int Height = 0;
};

class TEditFormControlObj : public TFormControlObj {
public:
    // Wider than this many characters is taken as this many: the control must stay a
    // size the platform can show.
    static constexpr int MaxEditSize = 1000;

    TEditFormControlObj(TSectionList* document, ThtmlForm* form,
                        const html::TAttributeList& attributes, bool password);
    int EditSize = 20; // characters
    int MaxLength = 0; // 0: no limit
    bool Password = false;

    QLineEdit* Edit() const;
    void RestoreInitial() override;
    bool SubmissionItem(int index, std::string& text) override;
    void FitToFont() override;
};

class TButtonFormControlObj : public TFormControlObj {
public:
    enum TKind { Submit = 0, Reset = 1, Plain = 2 };
    TButtonFormControlObj(TSectionList* document, ThtmlForm* form,
                          const html::TAttributeList& attributes, TKind kind);
    TKind Kind;
    std::string Caption() const;
    QPushButton* Button() const;
    // What a press does: the object-click event, then submit or reset by kind.
    void Click();
    void FitToFont() override;
};

// What check boxes and radio buttons share: the initial state from CHECKED, "name=value"
// when checked, the size of their indicator (they show no text), a place on the baseline.
class TToggleFormControlObj : public TFormControlObj {
public:
    // Takes Button as the platform control.
    TToggleFormControlObj(TSectionList* document, ThtmlForm* form,
                          const html::TAttributeList& attributes, QAbstractButton* button);
    bool InitialChecked = false;
    QAbstractButton* Toggle() const;
    bool Checked() const;
    void SetChecked(bool on);
    void RestoreInitial() override;
    bool SubmissionItem(int index, std::string& text) override;
    void FitToFont() override;
    bool BaseLine() const override { return true; }
};

// VALUE defaults to "On"; a click is reported as an object click.
class TCheckBoxFormControlObj : public TToggleFormControlObj {
public:
    TCheckBoxFormControlObj(TSectionList* document, ThtmlForm* form,
                            const html::TAttributeList& attributes);
    QCheckBox* Box() const;
};

class TRadioButtonFormControlObj : public TToggleFormControlObj {
public:
    TRadioButtonFormControlObj(TSectionList* document, ThtmlForm* form,
                               const html::TAttributeList& attributes);
    QRadioButton* Radio() const;
    // A click: the button is checked, the rest of its group unchecked, then the
    // object-click event.
    void Click();
};

class THiddenFormControlObj : public TFormControlObj {
public:
    THiddenFormControlObj(TSectionList* document, ThtmlForm* form,
                          const html::TAttributeList& attributes);
    bool SubmissionItem(int index, std::string& text) override;
};

// Drawn as an inline image that points back to the control; a click on the image
// submits the form with the click position.
class TImageFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    int XPos = -1, YPos = -1; // the click position; XPos -1 when not clicked
    int HitX = 0, HitY = 0;   // the pointer within the image at the last hit test
    void ImageHit(int x, int y) override;
    void ImageClicked() override;
    bool SubmissionItem(int index, std::string& text) override;
};

TLetterSize LetterSizeOf(const QFont& font);
// Gives Widget the font of the controls' text, the document's font at 10 points, and
// returns the size of "A" in it.
TLetterSize UseControlFont(const TSectionList& document, QWidget* widget);

} // namespace doc
