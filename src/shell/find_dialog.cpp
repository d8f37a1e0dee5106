#include "shell/find_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Find");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Find what:", this));
    EText = new QLineEdit(this);
    row->addWidget(EText, 1);
    auto* next = new QPushButton("Find Next", this);
    next->setDefault(true);
    row->addWidget(next);
    layout->addLayout(row);
    auto* bottom = new QHBoxLayout;
    // Searching goes downwards only; there are no whole-word or direction controls.
    CBMatchCase = new QCheckBox("Match case", this);
    bottom->addWidget(CBMatchCase);
    bottom->addStretch(1);
    auto* cancel = new QPushButton("Cancel", this);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);
    connect(next, &QPushButton::clicked, this, [this] {
        if (OnFind) OnFind();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

void TFindDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    activateWindow();
    EText->setFocus(Qt::OtherFocusReason);
    EText->selectAll();
}

void TFindDialog::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    if (QWidget* w = parentWidget()) w->activateWindow();
}

std::string TFindDialog::FindText() const { return EText->text().toLatin1().toStdString(); }

bool TFindDialog::MatchCase() const { return CBMatchCase->isChecked(); }

} // namespace shell
