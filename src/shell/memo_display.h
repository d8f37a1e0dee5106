// The program's own text display window: a read-only text area without word wrap and a
// "Close" button. Shows scripts of a page and other texts, modally.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace shell {

class TFMemoDisplay : public QDialog {
    Q_OBJECT
public:
    explicit TFMemoDisplay(QWidget* parent = nullptr);

    void SetText(const std::string& text);
    std::string Text() const;

    QPlainTextEdit* Memo;
    QPushButton* BClose;
};

} // namespace shell
