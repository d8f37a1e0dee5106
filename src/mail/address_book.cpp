#include "mail/address_book.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mail {

TFAddressBook::TFAddressBook(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Addressbook");
    resize(420, 320);
    auto* layout = new QVBoxLayout(this);
    LB = new QListWidget(this);
    LB->setSortingEnabled(true);
    layout->addWidget(LB, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    BSelect = new QPushButton("Open", this);
    BSelect->setDefault(true);
    BClose = new QPushButton("Close", this);
    row->addWidget(BSelect);
    row->addWidget(BClose);
    layout->addLayout(row);
    connect(BSelect, &QPushButton::clicked, this, [this] {
        Selected = true;
        accept();
    });
    connect(LB, &QListWidget::itemDoubleClicked, this, [this] {
        Selected = true;
        accept();
    });
    connect(BClose, &QPushButton::clicked, this, [this] {
        Selected = false;
        reject();
    });
}

void TFAddressBook::SetItems(const std::vector<std::string>& items) {
    LB->clear();
    for (const std::string& s : items) LB->addItem(QString::fromLatin1(s.c_str()));
}

std::string TFAddressBook::SelectedItem() const {
    QListWidgetItem* item = LB->currentItem();
    return item && item->isSelected() ? item->text().toLatin1().toStdString() : std::string();
}

void TFAddressBook::showEvent(QShowEvent* e) {
    Selected = false;
    QDialog::showEvent(e);
}

} // namespace mail
