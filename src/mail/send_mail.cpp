#include "mail/send_mail.h"

#include "general/options.h"
#include "mail/client_smtp.h"
#include "mail/message_file.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <unistd.h>

namespace mail {

namespace {

std::string latin1(const QString& s) {
    return s.toLatin1().toStdString();
}
std::string textOf(const QLineEdit* e) {
    return latin1(e->text());
}

// The lines of the text as the user sees them; an empty text has none.
std::vector<std::string> linesOf(const QPlainTextEdit* memo) {
    QString text = memo->toPlainText();
    text.replace(QChar::LineSeparator, '\n').replace(QChar::ParagraphSeparator, '\n');
    std::vector<std::string> lines;
    if (text.isEmpty()) return lines;
    for (const QString& l : text.split('\n'))
        lines.push_back(latin1(l));
    return lines;
}

} // namespace

TFSendMail::TFSendMail(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Sending mail ...");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const auto edit = [this, form](const char* label) {
        auto* e = new QLineEdit(this);
        form->addRow(label, e);
        return e;
    };
    EServer = edit("Server:");
    ETo = edit("To:");
    EFrom = edit("From:");
    ECC = edit("CC:");
    EBCC = edit("BCC:");
    ESubject = edit("Subject:");
    layout->addLayout(form);
    // The server comes from the configuration: it can be read and copied, not changed,
    // and Tab passes it by.
    EServer->setReadOnly(true);
    EServer->setFocusPolicy(Qt::ClickFocus);

    Memo = new QPlainTextEdit(this);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setTabChangesFocus(true);
    Memo->setMinimumSize(480, 240);
    layout->addWidget(Memo, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    BSend = new QPushButton("OK", this);
    BSend->setDefault(true);
    BCancel = new QPushButton("Cancel", this);
    row->addWidget(BSend);
    row->addWidget(BCancel);
    layout->addLayout(row);
    // A dialog of fixed size.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* order[] = {ETo, EFrom, ECC, EBCC, ESubject, Memo, BSend, BCancel};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(BSend, &QPushButton::clicked, this, [this] { BSendClick(); });
    connect(BCancel, &QPushButton::clicked, this, [this] { reject(); });
}

void TFSendMail::Prepare(const general::TOptions& options, const std::string& address) {
    TmpDir = options.TmpDir;
    SmtpPort = options.SmtpPort;
    SmtpTimeOut = options.TimeOut;
    EServer->setText(QString::fromLatin1(options.SmtpServer.c_str()));
    EFrom->setText(QString::fromLatin1(options.UserName.c_str()));
    ESubject->clear();
    Memo->clear();
    ETo->setText(QString::fromLatin1(address.c_str()));
}

void TFSendMail::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    ESubject->setFocus();
}

void TFSendMail::reject() {
    if (IsSending) return;
    QDialog::reject();
}

void TFSendMail::BSendClick() {
    if (IsSending) return;
    IsSending = true;
    BSend->setEnabled(false);
    BCancel->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QPointer<TFSendMail> self(this);
    const bool sent = Send();
    QApplication::restoreOverrideCursor();
    if (!self) return;
    message(sent ? "Mail sent Ok!" : "Error sending mail!");
    if (!self) return;
    IsSending = false;
    if (sent) accept();
    BSend->setEnabled(true);
    BCancel->setEnabled(true);
}

bool TFSendMail::Send() {
    TClientsmtp smtp;
    smtp.Recipients.clear();
    smtp.AddEndOfDAta = false;
    smtp.Host = textOf(EServer);
    smtp.From = textOf(EFrom);
    smtp.ToAddress = textOf(ETo);
    smtp.SUBJECT = textOf(ESubject);
    // The To address goes out as typed; the copies are lists of addresses.
    smtp.Recipients.clear();
    if (!ECC->text().isEmpty()) smtp.SplitRecipients(textOf(ECC));
    if (!EBCC->text().isEmpty()) smtp.SplitRecipients(textOf(EBCC));

    TOutgoingMessage m;
    m.To = smtp.ToAddress;
    m.From = smtp.From;
    m.Subject = smtp.SUBJECT;
    m.Cc = textOf(ECC);
    m.Bcc = textOf(EBCC);
    m.Body = linesOf(Memo);
    const std::string file = CreateFreshFile(TmpDir, "snd", MessageFileText(m));
    if (file.empty()) return false;

    smtp.FileToSend = file;
    smtp.Port = SmtpPort;
    smtp.TimeOut = SmtpTimeOut;
    smtp.ShowProgress = true;
    const bool sent = smtp.SendMail();
    ::unlink(file.c_str());
    return sent;
}

void TFSendMail::message(const std::string& text) {
    if (OnMessage) return OnMessage(this, text);
    QMessageBox::information(this, QApplication::applicationDisplayName(),
                             QString::fromLatin1(text.c_str()));
}

} // namespace mail
