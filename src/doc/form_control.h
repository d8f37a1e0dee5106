// What a text section needs of a form control that sits in its text: its place in the
// text, its size, and being moved and shown. The controls themselves belong to forms.
#pragma once

namespace doc {

class TFormControlObj {
public:
    virtual ~TFormControlObj() = default;
    int Pos = 0;        // character position of its placeholder (code 2)
    bool Hidden = false; // hidden inputs take no room
    int YValue = 0;     // the y of the line it sits on, at the last layout

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Check boxes and radio buttons sit on the baseline; other controls on the text bottom.
    virtual bool BaseLine() const { return false; }
    // Places the control at screen coordinates and shows it.
    virtual void ShowAt(int x, int y) = 0;
    virtual void Hide() = 0;
    virtual bool HasFocus() const { return false; }
};

} // namespace doc
