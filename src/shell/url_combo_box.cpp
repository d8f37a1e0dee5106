#include "shell/url_combo_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QMouseEvent>

namespace shell {

namespace {

bool isEnter(const QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(e)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TUrlComboBox::TUrlComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would silently turn a typed host into a longer remembered address.
    setCompleter(nullptr);
    // A real key press reaches the combo box, which hands it on to its line edit by a
    // direct call; a key sent to the line edit itself arrives here through the filter.
    lineEdit()->installEventFilter(this);
    // Installed after the list's own filters, so these see a pick before the list acts on it.
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const bool picked = index >= 0 && index == PickedRow;
        PickedRow = -1;
        if (picked) enter(itemText(index));
    });
}

void TUrlComboBox::keyPressEvent(QKeyEvent* e) {
    if (isEnter(e)) {
        e->accept();
        enter(currentText());
        return;
    }
    QComboBox::keyPressEvent(e);
}

bool TUrlComboBox::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lineEdit() && isEnter(e)) {
        enter(currentText());
        return true;
    }
    if (watched == view() && isEnter(e)) {
        PickedRow = view()->currentIndex().row();
    } else if (watched == view()->viewport() && e->type() == QEvent::MouseButtonRelease) {
        PickedRow = view()->indexAt(static_cast<QMouseEvent*>(e)->position().toPoint()).row();
    }
    return QComboBox::eventFilter(watched, e);
}

void TUrlComboBox::enter(const QString& text) {
    if (OnEnter) OnEnter(text);
}

} // namespace shell
