// ThtmlForm: one form of the document with its controls in document order. It collects
// the name=value results of a submission and hands them to the document's submit
// handler, resets its controls and keeps its radio groups exclusive.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace html {
class TAttributeList;
}

namespace doc {

class TFormControlObj;
class TSectionList;

class ThtmlForm {
public:
    // METHOD, ACTION, TARGET and ENCTYPE; controls outside any FORM get a form made from
    // an empty list.
    ThtmlForm(TSectionList* document, const html::TAttributeList& attributes);
    ~ThtmlForm();
    ThtmlForm(const ThtmlForm&) = delete;
    ThtmlForm& operator=(const ThtmlForm&) = delete;

    TSectionList* Document;
    std::string Method = "Get";
    std::string Action, Target, EncType;
    std::vector<std::unique_ptr<TFormControlObj>> ControlList; // document order
    int NonHiddenCount = 0;

    // Takes the control, lists it in the document too, and returns it.
    TFormControlObj* Add(std::unique_ptr<TFormControlObj> control);

    // The results of every control in document order, empty ones left out.
    std::vector<std::string> Results();
    // Only when the document has a submit handler: the results, then ButtonText when it
    // is not empty, go to the handler.
    void SubmitAll(const std::string& buttonText);
    void ResetAll();
    // Radio buttons of this form named like Name (without regard to case) are unchecked,
    // all but Checked.
    void UncheckRadioGroup(const std::string& name, const TFormControlObj* checked);
    void FitControlsToFont();
};

} // namespace doc
