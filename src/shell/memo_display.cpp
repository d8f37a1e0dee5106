#include "shell/memo_display.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

TFMemoDisplay::TFMemoDisplay(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Text:");
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);
    Memo = new QPlainTextEdit(this);
    Memo->setReadOnly(true);
    // Source, headers and scripts line up only in a fixed-pitch font.
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Memo, 1);
    BClose = new QPushButton("Close", this);
    BClose->setDefault(true);
    connect(BClose, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(BClose, 0, Qt::AlignRight);
}

void TFMemoDisplay::SetText(const std::string& text) {
    Memo->setPlainText(QString::fromLatin1(text.c_str()));
}

std::string TFMemoDisplay::Text() const { return Memo->toPlainText().toLatin1().toStdString(); }

} // namespace shell
