// The controls of SELECT (a list box for MULTIPLE or SIZE of 2 or more, else a combo box)
// and of TEXTAREA. Their options and lines come from the builder; each then restores its
// initial state.
#pragma once

#include "doc/form_control.h"

#include <string>
#include <vector>

class QComboBox;
class QListWidget;
class QPlainTextEdit;

namespace doc {

struct TOptionObj {
    std::string Value; // VALUE, may be empty
    bool Selected = false;
};

// What list and combo boxes share: the options and how one of them is submitted.
class TOptionsFormControlObj : public TFormControlObj {
public:
    static constexpr size_t MaxOptionLength = 80; // characters of a text or a value

    using TFormControlObj::TFormControlObj;
    std::vector<std::string> Texts;  // the option texts, in order
    std::vector<TOptionObj> Options; // the value and selected flag of each text
    int LongestText = 0;             // characters

    void AddOption(const std::string& text, const std::string& value, bool selected);
    // Index of the last option marked SELECTED, or 0.
    int InitialItem() const;
    // One index per option: a chosen option gives "name=" and its VALUE, or its text when
    // the VALUE is empty; the others give nothing.
    bool SubmissionItem(int index, std::string& text) override;

protected:
    // Whether the user has option Index chosen now.
    virtual bool Chosen(int index) const = 0;
};

class TListBoxFormControlObj : public TOptionsFormControlObj {
public:
    // More rows than this are taken as this many.
    static constexpr int MaxRows = 500;

    TListBoxFormControlObj(TSectionList* document, ThtmlForm* form,
                           const html::TAttributeList& attributes);
    bool Multiple = false;
    int SizeAttribute = 0; // SIZE, 0 when absent
    int Rows() const;      // the visible rows
    QListWidget* List() const;
    void RestoreInitial() override;
    void FitToFont() override;

protected:
    // Multi-select: the selected options; single: the current one.
    bool Chosen(int index) const override;
};

class TComboFormControlObj : public TOptionsFormControlObj {
public:
    TComboFormControlObj(TSectionList* document, ThtmlForm* form,
                         const html::TAttributeList& attributes);
    QComboBox* Combo() const;
    void RestoreInitial() override;
    void FitToFont() override;

protected:
    bool Chosen(int index) const override;
};

class TTextAreaFormControlObj : public TFormControlObj {
public:
    static constexpr int MaxRows = 500;
    static constexpr int MaxCols = 1000;

    TTextAreaFormControlObj(TSectionList* document, ThtmlForm* form,
                            const html::TAttributeList& attributes);
    int Rows = 5;
    int Cols = 30;
    bool WordWrap = false; // WRAP "soft" or "hard"
    std::vector<std::string> InitialLines;

    QPlainTextEdit* Memo() const;
    void AddLine(const std::string& line) { InitialLines.push_back(line); }
    // The lines as they stand now.
    std::vector<std::string> Lines() const;
    void RestoreInitial() override;
    bool SubmissionItem(int index, std::string& text) override;
    void FitToFont() override;

private:
    std::vector<std::string> SubmitLines; // the lines of the submission under way
};

} // namespace doc
