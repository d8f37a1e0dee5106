// The address box: an editable drop-down list of addresses. Enter and keypad Enter are
// taken here whichever of the box and its inner line edit receives the key press, and an
// entry counts as chosen only when it is picked from the open list.
#pragma once

#include <QComboBox>
#include <functional>

namespace shell {

class TUrlComboBox : public QComboBox {
public:
    explicit TUrlComboBox(QWidget* parent = nullptr);

    // Enter pressed with this text, or an entry picked from the list.
    std::function<void(const QString& text)> OnEnter;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void enter(const QString& text);
    // The row picked in the open list by a click or Enter, until its activation arrives:
    // the combo box also reports an "activation" when the edit loses focus holding the text
    // of an entry (opening the list does that), which is not a choice.
    int PickedRow = -1;
};

} // namespace shell
