#include "doc/form_control.h"

#include "doc/section_list.h"
#include "html/attributes.h"
#include "platform/messages.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace doc {

namespace {

// Off-screen controls stand this far left of the surface, plus their own width.
constexpr int OffScreenLeft = -4000;

// Tells the document when the keyboard focus enters the control, so that the viewer can
// scroll it into sight (Tab reaches controls that are off screen).
class TFocusWatcher : public QObject {
public:
    TFocusWatcher(QObject* parent, TFormControlObj* control, std::weak_ptr<char> life)
        : QObject(parent), Control(control), Life(std::move(life)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusIn && !Life.expired()) {
            TSectionList* doc = Control->Document;
            if (doc) platform::Guard([&] { doc->Host().ControlFocused(Control->YValue); });
        }
        return false;
    }

private:
    TFormControlObj* Control;
    std::weak_ptr<char> Life;
};

} // namespace

void TFormControlObj::TLaterDelete::operator()(QWidget* w) const {
    QObject::disconnect(w, nullptr, nullptr, nullptr);
    w->hide();
    w->deleteLater();
}

TFormControlObj::TFormControlObj(TSectionList* document, ThtmlForm* form,
                                 const html::TAttributeList& attributes)
    : Document(document), Form(form) {
    for (const html::TAttribute& a : attributes) {
        if (a.Sym == html::symName && Name.empty())
            Name = a.StrValue;
        else if (a.Sym == html::symValue && Value.empty())
            Value = a.StrValue;
        else if (a.Sym == html::symOnclick && OnClick.empty())
            OnClick = a.StrValue;
    }
}

TFormControlObj::~TFormControlObj() = default;

bool TFormControlObj::SubmissionItem(int, std::string&) {
    return false;
}

void TFormControlObj::SetWidget(QWidget* widget) {
    Widget.reset(widget);
    widget->installEventFilter(new TFocusWatcher(widget, this, Life));
    QWidget* surface = Document ? Document->Host().ControlParent() : nullptr;
    if (!surface) return;
    // The document's controls follow each other in the Tab order in document order,
    // right after the drawing surface (and so after the viewer).
    QWidget* previous = surface;
    for (auto it = Document->FormControlList.rbegin(); it != Document->FormControlList.rend(); ++it)
        if (QWidget* w = (*it)->ControlHandle(); w && w != widget && w->parentWidget() == surface) {
            previous = w;
            break;
        }
    widget->setParent(surface);
    QWidget::setTabOrder(previous, widget);
    MoveOffScreen();
    widget->show();
}

void TFormControlObj::ShowAt(int x, int y) {
    Shown = true;
    QWidget* w = ControlHandle();
    if (!w || !w->parentWidget()) return;
    if (w->size() != QSize(FWidth, FHeight)) w->resize(FWidth, FHeight);
    if (w->pos() != QPoint(x, y)) w->move(x, y);
    if (!w->isVisible()) w->show();
}

void TFormControlObj::MoveOffScreen() {
    QWidget* w = ControlHandle();
    if (!w) return;
    const QPoint away(OffScreenLeft - std::max(FWidth, w->width()), 0);
    if (w->pos() != away) w->move(away);
}

bool TFormControlObj::HasFocus() const {
    QWidget* w = ControlHandle();
    QWidget* focus = QApplication::focusWidget();
    return w && focus && (focus == w || w->isAncestorOf(focus));
}

bool TFormControlObj::FireObjectClick() {
    if (!Document) return true;
    const std::weak_ptr<char> alive = Life;
    Document->Host().ObjectClicked(this, OnClick);
    return !alive.expired();
}

} // namespace doc
