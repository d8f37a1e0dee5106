// The non-modal find dialog: a search text, "Match case", and a find request that the
// window answers by searching forward from the caret.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;

namespace shell {

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    std::string FindText() const;
    bool MatchCase() const;

    // Called for each press of "Find Next".
    std::function<void()> OnFind;

    QLineEdit* EText;
    QCheckBox* CBMatchCase;

protected:
    // Every opening puts the keyboard in the search text, ready to type over it.
    void showEvent(QShowEvent* e) override;
    // Closing hands the keyboard back to the window, so that Copy takes what was found.
    void hideEvent(QHideEvent* e) override;
};

} // namespace shell
