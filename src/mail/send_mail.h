// The mail composition dialog: the user writes a message for the address of a mail-to
// link, and "OK" sends it through the configured SMTP server with TClientsmtp. A failed
// delivery keeps the dialog open with everything typed, so the user can try again.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace general {
struct TOptions;
}

namespace mail {

class TFSendMail : public QDialog {
    Q_OBJECT
public:
    explicit TFSendMail(QWidget* parent = nullptr);

    // Takes the server, port, time-out, temporary directory and user name (the sender)
    // from the window's configuration, empties the subject and the text and addresses
    // the message to Address. The opener then shows the dialog modally (exec).
    void Prepare(const general::TOptions& options, const std::string& address);

    // Writes the message file, delivers it and deletes it; true when the server took it.
    bool Send();
    bool Sending() const { return IsSending; }

    QLineEdit* EServer;
    QLineEdit* ETo;
    QLineEdit* EFrom;
    QLineEdit* ECC;
    QLineEdit* EBCC;
    QLineEdit* ESubject;
    QPlainTextEdit* Memo;
    QPushButton* BSend;
    QPushButton* BCancel;

    // Given by the opener.
    std::string TmpDir; // ends with "/"
    int SmtpPort = 25;
    int SmtpTimeOut = 10; // seconds

    // Shows the result of a delivery ("Mail sent Ok!", "Error sending mail!"). Unset, a
    // message box shows it; tests set it to watch the messages without answering a box.
    std::function<void(TFSendMail* sender, const std::string& text)> OnMessage;

public slots:
    // Closing is refused while a delivery runs: its nested loop still needs the dialog.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void BSendClick();
    void message(const std::string& text);

    bool IsSending = false;
};

} // namespace mail
