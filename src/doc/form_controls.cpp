#include "doc/form_controls.h"

#include "doc/form_controls_select.h"
#include "doc/html_form.h"
#include "doc/section_list.h"
#include "html/attributes.h"
#include "platform/canvas.h"
#include "platform/messages.h"
#include "platform/text.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace doc {

using namespace html;

namespace {

QString latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// "20" of SIZE="20,1" or SIZE="20 1"; 0 when the part before the first ',' or space is no
// number.
int leadingNumber(const std::string& value) {
    const std::string part = platform::Trim(value.substr(0, value.find_first_of(", ")));
    if (part.empty() || part.size() > 9 ||
        part.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(part);
}

} // namespace

TLetterSize LetterSizeOf(const QFont& font) {
    return {platform::TextWidth(font, "A"), platform::MetricsOf(font).Height};
}

TLetterSize UseControlFont(const TSectionList& document, QWidget* widget) {
    const QFont font = platform::MakeFont(document.FontName, 10);
    widget->setFont(font);
    return LetterSizeOf(font);
}

std::unique_ptr<TFormControlObj> MakeFormControl(TSectionList* document, ThtmlForm* form,
                                                 TSymbol tag, const TAttributeList& attributes) {
    if (tag == symSelect) {
        const TAttribute* size = attributes.FindAttribute(symSize);
        if (attributes.FindAttribute(symMultiple) || (size && size->IntValue >= 2))
            return std::make_unique<TListBoxFormControlObj>(document, form, attributes);
        return std::make_unique<TComboFormControlObj>(document, form, attributes);
    }
    if (tag == symTextarea)
        return std::make_unique<TTextAreaFormControlObj>(document, form, attributes);
    const TAttribute* typeAttr = attributes.FindAttribute(symType);
    const std::string type = typeAttr ? platform::LowerCase(typeAttr->StrValue) : std::string();
    if (type == "submit")
        return std::make_unique<TButtonFormControlObj>(document, form, attributes,
                                                       TButtonFormControlObj::Submit);
    if (type == "reset")
        return std::make_unique<TButtonFormControlObj>(document, form, attributes,
                                                       TButtonFormControlObj::Reset);
    if (type == "button")
        return std::make_unique<TButtonFormControlObj>(document, form, attributes,
                                                       TButtonFormControlObj::Plain);
    if (type == "radio")
        return std::make_unique<TRadioButtonFormControlObj>(document, form, attributes);
    if (type == "checkbox")
        return std::make_unique<TCheckBoxFormControlObj>(document, form, attributes);
    if (type == "hidden")
        return std::make_unique<THiddenFormControlObj>(document, form, attributes);
    if (type == "image") return std::make_unique<TImageFormControlObj>(document, form, attributes);
    return std::make_unique<TEditFormControlObj>(document, form, attributes, type == "password");
}

// ---- Edit box ----

TEditFormControlObj::TEditFormControlObj(TSectionList* document, ThtmlForm* form,
                                         const TAttributeList& attributes, bool password)
    : TFormControlObj(document, form, attributes), Password(password) {
    if (const TAttribute* a = attributes.FindAttribute(symSize)) {
        if (a->IntValue >= 1)
            EditSize = a->IntValue;
        else if (const int n = leadingNumber(a->StrValue); n > 1)
            EditSize = n;
    }
    EditSize = std::min(EditSize, MaxEditSize);
    if (const TAttribute* a = attributes.FindAttribute(symMaxlength); a && a->IntValue > 0)
        MaxLength = a->IntValue;
    auto* edit = new QLineEdit;
    if (MaxLength > 0) edit->setMaxLength(MaxLength);
    if (Password) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet("lineedit-password-character: 42"); // '*', whatever the style's own
    }
    // Enter submits only a form that holds nothing else to fill in.
    QObject::connect(edit, &QLineEdit::returnPressed, edit, [this] {
        platform::Guard([this] {
            if (Form->NonHiddenCount == 1) Form->SubmitAll("");
        });
    });
    SetWidget(edit);
    RestoreInitial();
}

QLineEdit* TEditFormControlObj::Edit() const {
    return static_cast<QLineEdit*>(ControlHandle());
}

void TEditFormControlObj::RestoreInitial() {
    Edit()->setText(latin1(Value));
}

bool TEditFormControlObj::SubmissionItem(int index, std::string& text) {
    if (index != 0) return false;
    text = Name + "=" + Edit()->text().toLatin1().toStdString();
    return true;
}

void TEditFormControlObj::FitToFont() {
    const TLetterSize a = UseControlFont(*Document, Edit());
    FWidth = a.Width * EditSize + 5;
    FHeight = a.Height + 8;
}

// ---- Button ----

TButtonFormControlObj::TButtonFormControlObj(TSectionList* document, ThtmlForm* form,
                                             const TAttributeList& attributes, TKind kind)
    : TFormControlObj(document, form, attributes), Kind(kind) {
    auto* button = new QPushButton(latin1(Caption()));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button,
                     [this] { platform::Guard([this] { Click(); }); });
    SetWidget(button);
}

std::string TButtonFormControlObj::Caption() const {
    if (!Value.empty()) return Value;
    return Kind == Submit ? "Submit" : Kind == Reset ? "Reset" : "Button";
}

QPushButton* TButtonFormControlObj::Button() const {
    return static_cast<QPushButton*>(ControlHandle());
}

void TButtonFormControlObj::Click() {
    if (!FireObjectClick()) return;
    if (Kind == Submit)
        Form->SubmitAll(Name.empty() ? std::string() : Name + "=" + Value);
    else if (Kind == Reset)
        Form->ResetAll();
}

void TButtonFormControlObj::FitToFont() {
    FHeight = UseControlFont(*Document, Button()).Height + 8;
    FWidth = platform::TextWidth(Button()->font(), Caption()) + 20;
}

// ---- Check box and radio button ----

TToggleFormControlObj::TToggleFormControlObj(TSectionList* document, ThtmlForm* form,
                                             const TAttributeList& attributes,
                                             QAbstractButton* button)
    : TFormControlObj(document, form, attributes) {
    InitialChecked = attributes.FindAttribute(symChecked) != nullptr;
    SetWidget(button);
    RestoreInitial();
}

QAbstractButton* TToggleFormControlObj::Toggle() const {
    return static_cast<QAbstractButton*>(ControlHandle());
}

bool TToggleFormControlObj::Checked() const {
    return Toggle()->isChecked();
}

void TToggleFormControlObj::SetChecked(bool on) {
    Toggle()->setChecked(on);
}

void TToggleFormControlObj::RestoreInitial() {
    SetChecked(InitialChecked);
}

bool TToggleFormControlObj::SubmissionItem(int index, std::string& text) {
    if (index != 0) return false;
    if (Checked()) text = Name + "=" + Value;
    return true;
}

void TToggleFormControlObj::FitToFont() {
    const QSize hint = Toggle()->sizeHint();
    FWidth = hint.width();
    FHeight = hint.height();
}

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionList* document, ThtmlForm* form,
                                                 const TAttributeList& attributes)
    : TToggleFormControlObj(document, form, attributes, new QCheckBox) {
    if (Value.empty()) Value = "On";
    QObject::connect(Box(), &QCheckBox::clicked, Box(),
                     [this] { platform::Guard([this] { FireObjectClick(); }); });
}

QCheckBox* TCheckBoxFormControlObj::Box() const {
    return static_cast<QCheckBox*>(ControlHandle());
}

TRadioButtonFormControlObj::TRadioButtonFormControlObj(TSectionList* document, ThtmlForm* form,
                                                       const TAttributeList& attributes)
    : TToggleFormControlObj(document, form, attributes, new QRadioButton) {
    // The groups are the form's (by name), not the surface's.
    Radio()->setAutoExclusive(false);
    QObject::connect(Radio(), &QRadioButton::clicked, Radio(),
                     [this] { platform::Guard([this] { Click(); }); });
}

QRadioButton* TRadioButtonFormControlObj::Radio() const {
    return static_cast<QRadioButton*>(ControlHandle());
}

void TRadioButtonFormControlObj::Click() {
    SetChecked(true); // clicking a checked radio button leaves it checked
    Form->UncheckRadioGroup(Name, this);
    FireObjectClick();
}

// ---- Hidden field and image button ----

THiddenFormControlObj::THiddenFormControlObj(TSectionList* document, ThtmlForm* form,
                                             const TAttributeList& attributes)
    : TFormControlObj(document, form, attributes) {
    Hidden = true;
}

bool THiddenFormControlObj::SubmissionItem(int index, std::string& text) {
    if (index != 0) return false;
    text = Name + "=" + Value;
    return true;
}

void TImageFormControlObj::ImageHit(int x, int y) {
    HitX = x;
    HitY = y;
}

void TImageFormControlObj::ImageClicked() {
    XPos = HitX;
    YPos = HitY;
    Form->SubmitAll("");
}

bool TImageFormControlObj::SubmissionItem(int index, std::string& text) {
    if (XPos < 0 || index > 1) return false;
    const std::string prefix = Name.empty() ? std::string() : Name + ".";
    if (index == 0) {
        text = prefix + "x=" + std::to_string(XPos);
    } else {
        text = prefix + "y=" + std::to_string(YPos);
        XPos = -1; // a second submission does not repeat the click
    }
    return true;
}

} // namespace doc
