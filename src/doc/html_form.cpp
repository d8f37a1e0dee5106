#include "doc/html_form.h"

#include "doc/form_control.h"
#include "doc/form_controls.h"
#include "doc/section_list.h"
#include "html/attributes.h"
#include "platform/text.h"

namespace doc {

ThtmlForm::ThtmlForm(TSectionList* document, const html::TAttributeList& attributes)
    : Document(document) {
    if (const html::TAttribute* a = attributes.FindAttribute(html::symMethod)) Method = a->StrValue;
    if (const html::TAttribute* a = attributes.FindAttribute(html::symAction)) Action = a->StrValue;
    if (const html::TAttribute* a = attributes.FindAttribute(html::symTarget)) Target = a->StrValue;
    if (const html::TAttribute* a = attributes.FindAttribute(html::symEnctype))
        EncType = a->StrValue;
}

ThtmlForm::~ThtmlForm() = default;

TFormControlObj* ThtmlForm::Add(std::unique_ptr<TFormControlObj> control) {
    TFormControlObj* c = control.get();
    ControlList.push_back(std::move(control));
    if (!c->Hidden) ++NonHiddenCount;
    Document->FormControlList.push_back(c);
    return c;
}

std::vector<std::string> ThtmlForm::Results() {
    std::vector<std::string> results;
    for (const auto& c : ControlList) {
        std::string text;
        for (int i = 0; c->SubmissionItem(i, text); ++i) {
            if (!text.empty()) results.push_back(text);
            text.clear();
        }
    }
    return results;
}

void ThtmlForm::SubmitAll(const std::string& buttonText) {
    std::vector<std::string> results = Results();
    if (!buttonText.empty()) results.push_back(buttonText);
    // Copies: the host may clear the document, and this form with it.
    const std::string action = Action, target = Target, encType = EncType, method = Method;
    Document->Host().FormSubmitted(action, target, encType, method, std::move(results));
}

void ThtmlForm::ResetAll() {
    for (const auto& c : ControlList)
        c->RestoreInitial();
}

void ThtmlForm::UncheckRadioGroup(const std::string& name, const TFormControlObj* checked) {
    if (name.empty()) return;
    for (const auto& c : ControlList)
        if (auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(c.get());
            radio && radio != checked && platform::EqualNoCase(radio->Name, name))
            radio->SetChecked(false);
}

void ThtmlForm::FitControlsToFont() {
    for (const auto& c : ControlList)
        c->FitToFont();
}

} // namespace doc
