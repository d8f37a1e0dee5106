// Message boxes and file dialogs of the browser shell. In the headless mode nobody is
// there to answer: a message box prints its text to standard error and takes its default
// answer, and a file dialog is cancelled.
#pragma once

#include <QString>
#include <string>

class QWidget;
class QFileDialog;

namespace shell {

void SetHeadless(bool headless);
bool IsHeadless();

enum class TMsgStyle { Information, Warning, Error, Question };

// An information box with an OK button (or the given style).
void ShowMessage(const std::string& text, TMsgStyle style = TMsgStyle::Information,
                 QWidget* parent = nullptr);
// A question with Yes and No; the default answer (headless) is No.
bool AskYesNo(const std::string& text, QWidget* parent = nullptr);

// Runs a file dialog modally; false when cancelled (always, headless).
bool RunFileDialog(QFileDialog* dialog);

// Turns a "Description|pattern;pattern|..." filter into Qt's name filters.
QStringList FilterToNameFilters(const std::string& filter);

} // namespace shell
