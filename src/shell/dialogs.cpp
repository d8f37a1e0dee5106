#include "shell/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>

namespace shell {

namespace {
bool headlessMode = false;
}

void SetHeadless(bool headless) { headlessMode = headless; }
bool IsHeadless() { return headlessMode; }

void ShowMessage(const std::string& text, TMsgStyle style, QWidget* parent) {
    if (headlessMode) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return;
    }
    const QString title = QApplication::applicationName();
    const QString t = QString::fromLatin1(text.c_str());
    switch (style) {
    case TMsgStyle::Warning: QMessageBox::warning(parent, title, t); break;
    case TMsgStyle::Error: QMessageBox::critical(parent, title, t); break;
    default: QMessageBox::information(parent, title, t); break;
    }
}

bool AskYesNo(const std::string& text, QWidget* parent) {
    if (headlessMode) {
        std::fprintf(stderr, "question (answered No): %s\n", text.c_str());
        return false;
    }
    return QMessageBox::question(parent, QApplication::applicationName(),
                                 QString::fromLatin1(text.c_str()),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool RunFileDialog(QFileDialog* dialog) {
    if (headlessMode) return false;
    return dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty();
}

QStringList FilterToNameFilters(const std::string& filter) {
    QStringList parts = QString::fromLatin1(filter.c_str()).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << parts[i] + " (" + patterns + ")";
    }
    return out;
}

} // namespace shell
