// The about box: the program's name and version, its picture and an OK button.
#pragma once

#include <QDialog>

namespace shell {

class TFMiAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFMiAbout(QWidget* parent = nullptr);
};

} // namespace shell
