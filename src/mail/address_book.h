// The list dialog: a sorted list of addresses handed in by the caller, from which the
// user picks one ("Open") or none ("Close"). The browser shows its bookmarks with it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace mail {

class TFAddressBook : public QDialog {
    Q_OBJECT
public:
    explicit TFAddressBook(QWidget* parent = nullptr);

    void SetItems(const std::vector<std::string>& items);
    // The chosen entry, empty when none is selected.
    std::string SelectedItem() const;

    QListWidget* LB;
    QPushButton* BClose;
    QPushButton* BSelect;
    bool Selected = false;

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace mail
