#include "doc/form_controls_select.h"

#include "doc/form_controls.h"
#include "doc/section_list.h"
#include "html/attributes.h"
#include "platform/text.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <algorithm>

namespace doc {

using namespace html;

namespace {

QStringList latin1List(const std::vector<std::string>& texts) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& t : texts)
        out << QString::fromLatin1(t.data(), static_cast<qsizetype>(t.size()));
    return out;
}

// A positive ROWS, COLS or SIZE, at most Limit; Otherwise when absent or not positive.
int positiveAttribute(const TAttributeList& attributes, TSymbol sym, int otherwise, int limit) {
    const TAttribute* a = attributes.FindAttribute(sym);
    return a && a->IntValue >= 1 ? std::min(a->IntValue, limit) : otherwise;
}

} // namespace

// ---- Options ----

void TOptionsFormControlObj::AddOption(const std::string& text, const std::string& value,
                                       bool selected) {
    Texts.push_back(text.substr(0, MaxOptionLength));
    Options.push_back({value.substr(0, MaxOptionLength), selected});
    LongestText = std::max(LongestText, static_cast<int>(Texts.back().size()));
}

int TOptionsFormControlObj::InitialItem() const {
    int item = 0;
    for (size_t i = 0; i < Options.size(); ++i)
        if (Options[i].Selected) item = static_cast<int>(i);
    return item;
}

bool TOptionsFormControlObj::SubmissionItem(int index, std::string& text) {
    if (index < 0 || static_cast<size_t>(index) >= Texts.size()) return false;
    const auto i = static_cast<size_t>(index);
    if (Chosen(index)) text = Name + "=" + (Options[i].Value.empty() ? Texts[i] : Options[i].Value);
    return true;
}

// ---- List box ----

TListBoxFormControlObj::TListBoxFormControlObj(TSectionList* document, ThtmlForm* form,
                                               const TAttributeList& attributes)
    : TOptionsFormControlObj(document, form, attributes) {
    Multiple = attributes.FindAttribute(symMultiple) != nullptr;
    SizeAttribute = positiveAttribute(attributes, symSize, 0, MaxRows);
    auto* list = new QListWidget;
    list->setSelectionMode(Multiple ? QAbstractItemView::ExtendedSelection
                                    : QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    SetWidget(list);
}

int TListBoxFormControlObj::Rows() const {
    return SizeAttribute > 0 ? SizeAttribute : std::clamp(static_cast<int>(Texts.size()), 1, 8);
}

QListWidget* TListBoxFormControlObj::List() const {
    return static_cast<QListWidget*>(ControlHandle());
}

void TListBoxFormControlObj::RestoreInitial() {
    QListWidget* list = List();
    list->clear();
    list->addItems(latin1List(Texts));
    if (Multiple) {
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(Options[static_cast<size_t>(i)].Selected);
    } else if (list->count() > 0) {
        list->setCurrentRow(InitialItem());
    }
    list->scrollToTop();
}

bool TListBoxFormControlObj::Chosen(int index) const {
    const QListWidget* list = List();
    const QListWidgetItem* item = list->item(index);
    return Multiple ? item && item->isSelected() : list->currentRow() == index;
}

void TListBoxFormControlObj::FitToFont() {
    QListWidget* list = List();
    const TLetterSize a = UseControlFont(*Document, list);
    // Rows as high as the letters, so that exactly Rows() of them show inside the frame.
    const QString rows =
        QString("QListWidget::item { height: %1px; padding: 0px; margin: 0px; }").arg(a.Height);
    if (list->styleSheet() != rows) list->setStyleSheet(rows);
    FHeight = a.Height * Rows() + 2 * list->frameWidth();
    FWidth = a.Width * LongestText + 15;
}

// ---- Combo box ----

TComboFormControlObj::TComboFormControlObj(TSectionList* document, ThtmlForm* form,
                                           const TAttributeList& attributes)
    : TOptionsFormControlObj(document, form, attributes) {
    SetWidget(new QComboBox);
}

QComboBox* TComboFormControlObj::Combo() const {
    return static_cast<QComboBox*>(ControlHandle());
}

void TComboFormControlObj::RestoreInitial() {
    QComboBox* combo = Combo();
    combo->clear();
    combo->addItems(latin1List(Texts));
    if (combo->count() > 0) combo->setCurrentIndex(InitialItem());
}

bool TComboFormControlObj::Chosen(int index) const {
    return Combo()->currentIndex() == index;
}

void TComboFormControlObj::FitToFont() {
    // Measured with the screen's default font, which the box keeps.
    FWidth = LetterSizeOf(QApplication::font()).Width * LongestText + 30;
    FHeight = Combo()->sizeHint().height();
}

// ---- Text area ----

TTextAreaFormControlObj::TTextAreaFormControlObj(TSectionList* document, ThtmlForm* form,
                                                 const TAttributeList& attributes)
    : TFormControlObj(document, form, attributes) {
    Rows = positiveAttribute(attributes, symRows, Rows, MaxRows);
    Cols = positiveAttribute(attributes, symCols, Cols, MaxCols);
    if (const TAttribute* a = attributes.FindAttribute(symWrap)) {
        const std::string wrap = platform::LowerCase(a->StrValue);
        WordWrap = wrap == "soft" || wrap == "hard";
    }
    auto* memo = new QPlainTextEdit;
    memo->setTabChangesFocus(true); // Tab goes on to the next control of the page
    memo->setLineWrapMode(WordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(WordWrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    SetWidget(memo);
}

QPlainTextEdit* TTextAreaFormControlObj::Memo() const {
    return static_cast<QPlainTextEdit*>(ControlHandle());
}

std::vector<std::string> TTextAreaFormControlObj::Lines() const {
    const std::string text = Memo()->toPlainText().toLatin1().toStdString();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void TTextAreaFormControlObj::RestoreInitial() {
    std::string text;
    for (size_t i = 0; i < InitialLines.size(); ++i) {
        if (i > 0) text += '\n';
        text += InitialLines[i];
    }
    QPlainTextEdit* memo = Memo();
    memo->setPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    memo->moveCursor(QTextCursor::Start);
}

bool TTextAreaFormControlObj::SubmissionItem(int index, std::string& text) {
    // The lines are read once per submission, at its first index.
    if (index == 0) SubmitLines = Lines();
    if (index < 0 || static_cast<size_t>(index) >= SubmitLines.size()) return false;
    text = Name + "=" + SubmitLines[static_cast<size_t>(index)];
    return true;
}

void TTextAreaFormControlObj::FitToFont() {
    const TLetterSize a = UseControlFont(*Document, Memo());
    FHeight = a.Height * Rows + 5;
    FWidth = a.Width * Cols + 5;
}

} // namespace doc
