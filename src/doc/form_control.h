// TFormControlObj: one control of a form as the document sees it: its place in the text
// (a placeholder of code 2), its name and value, the share of the results it submits, and
// the platform control that shows it on the viewer's drawing surface.
#pragma once

#include <memory>
#include <string>

class QWidget;

namespace html {
class TAttributeList;
}

namespace doc {

class ThtmlForm;
class TSectionList;

class TFormControlObj {
public:
    // Reads NAME, VALUE and ONCLICK; the control is not yet in its form.
    TFormControlObj(TSectionList* document, ThtmlForm* form,
                    const html::TAttributeList& attributes);
    virtual ~TFormControlObj();
    TFormControlObj(const TFormControlObj&) = delete;
    TFormControlObj& operator=(const TFormControlObj&) = delete;

    TSectionList* Document;
    ThtmlForm* Form;
    int Pos = 0;         // character position of its placeholder in its section
    std::string Name;    // NAME
    std::string Value;   // VALUE
    std::string OnClick; // ONCLICK, for the controls that report clicks
    bool Hidden = false; // hidden inputs take no room and have no platform control
    int YValue = 0;      // document y of the line it sits on, at the last layout
    bool Shown = false;  // placed by the paint under way

    // The platform control that takes the focus; nullptr for hidden and image inputs.
    virtual QWidget* ControlHandle() const { return Widget.get(); }
    virtual void RestoreInitial() {}
    // One result "name=value" for Index, or an empty text when this index gives nothing.
    // False when Index is past the control's results. Nothing is escaped here.
    virtual bool SubmissionItem(int index, std::string& text);
    // Sizes the control from the document's fonts; runs before every layout.
    virtual void FitToFont() {}
    // Check boxes and radio buttons sit on the baseline; the others on the text bottom.
    virtual bool BaseLine() const { return false; }
    // A hit test over the image of an image input: the pointer within the image.
    virtual void ImageHit(int, int) {}
    // The viewer reports a click on the control's image (image inputs only).
    virtual void ImageClicked() {}

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Places the platform control at X, Y of the drawing surface and shows it.
    void ShowAt(int x, int y);
    // Out of sight but still in the focus chain, so that Tab reaches it; its left edge
    // lies so far out that even a very wide control shows nothing.
    void MoveOffScreen();
    bool HasFocus() const;

protected:
    // Takes the platform control: a child of the drawing surface (when the document has
    // one), off screen, after the document's previous control in the Tab order.
    void SetWidget(QWidget* widget);
    // The document's object-click event, with this control and its ONCLICK. False when
    // the handler took the document, and this control with it, away.
    bool FireObjectClick();

    int FWidth = 0, FHeight = 0;

private:
    // Hidden and deleted later: a control may go with its document while one of its own
    // signals is being delivered (a host that loads a page from an object click).
    struct TLaterDelete {
        void operator()(QWidget* w) const;
    };
    std::unique_ptr<QWidget, TLaterDelete> Widget;
    // Expires with the control: what outlives it (a focus watcher, a handler running)
    // can tell.
    std::shared_ptr<char> Life = std::make_shared<char>();
};

} // namespace doc
