// The builder's routines for forms: FORM opens the current form and its end tag closes it;
// INPUT, SELECT and TEXTAREA make controls of the current form (an implicit one outside
// any FORM), and a SELECT's options and a TEXTAREA's lines are read into them.
#include "doc/builder.h"

#include "doc/form_controls.h"
#include "doc/form_controls_select.h"
#include "doc/html_form.h"
#include "doc/section_list.h"
#include "doc/text_section.h"
#include "platform/text.h"

namespace doc {

using namespace html;

void THtmlBuilder::formTag(TSymbol s) {
    if (s == symForm) {
        Master->htmlFormList.push_back(std::make_unique<ThtmlForm>(Master, attrs()));
        CurrentForm = Master->htmlFormList.back().get();
    } else {
        CurrentForm = nullptr;
    }
}

void THtmlBuilder::buildFormControl(int level) {
    const TSymbol tag = sym();
    if (!CurrentForm) {
        // Controls outside any FORM belong together, to a form of their own.
        Master->htmlFormList.push_back(std::make_unique<ThtmlForm>(Master, TAttributeList()));
        CurrentForm = Master->htmlFormList.back().get();
    }
    TFormControlObj* control = CurrentForm->Add(MakeFormControl(Master, CurrentForm, tag, attrs()));
    if (!control->Hidden) {
        ensureSection(level);
        if (dynamic_cast<TImageFormControlObj*>(control)) {
            if (TImageObj* img = Section->PlaceImage(attrs())) img->MyFormControl = control;
        } else {
            Section->PlaceControl(control);
        }
    }
    if (auto* options = dynamic_cast<TOptionsFormControlObj*>(control))
        buildOptions(*options);
    else if (auto* area = dynamic_cast<TTextAreaFormControlObj*>(control))
        buildTextArea(*area);
}

// Up to </SELECT>: the text after each OPTION, trimmed, is one option; options without
// text are dropped.
void THtmlBuilder::buildOptions(TOptionsFormControlObj& control) {
    bool open = false;
    std::string text, value;
    bool selected = false;
    auto finishOption = [&] {
        if (!open) return;
        open = false;
        const std::string t = platform::Trim(text);
        if (!t.empty()) control.AddOption(t, value, selected);
    };
    for (;;) {
        next();
        const TSymbol s = sym();
        if (s == symSelectEnd || s == symEof) break;
        if (s == symText && open) {
            text += Scanner.Token();
            if (text.size() > TOptionsFormControlObj::MaxOptionLength)
                text.resize(TOptionsFormControlObj::MaxOptionLength);
        } else if (s == symOption || s == symOptionEnd) {
            finishOption();
            if (s == symOption) {
                // The next tag replaces the attributes: they are taken now.
                open = true;
                text.clear();
                const TAttribute* v = attrs().FindAttribute(symValue);
                value = v ? v->StrValue : std::string();
                selected = attrs().FindAttribute(symSelected) != nullptr;
            }
        }
    }
    finishOption();
    control.RestoreInitial();
}

// Up to </TEXTAREA>, raw: every source line is one line of the control.
void THtmlBuilder::buildTextArea(TTextAreaFormControlObj& control) {
    std::string line;
    for (;;) {
        Scanner.NextTextAreaSymbol();
        if (sym() == symTextareaEnd || sym() == symEof) break;
        if (sym() == symEol) {
            control.AddLine(line);
            line.clear();
        } else {
            line += Scanner.Token();
        }
    }
    Scanner.SkipPastTagEnd();
    if (!line.empty()) control.AddLine(line);
    control.RestoreInitial();
}

} // namespace doc
