// The mail dialog on the offscreen platform: its controls and tab order, Prepare from a
// configuration, Send to a real SMTP server, the result messages; and the message file
// with its dot rules and its safe creation.
#include "general/options.h"
#include "mail/message_file.h"
#include "mail/send_mail.h"
#include "mail_test_support.h"
#include "net/net_test_support.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mail;
using testsupport::TempDir;

namespace {

std::string text(const QLineEdit* e) {
    return e->text().toStdString();
}

bool isEmpty(const TempDir& dir) {
    return QDir(QString::fromStdString(dir.path())).isEmpty();
}

class SendMailDialog : public testing::Test {
protected:
    void SetUp() override {
        options.SmtpServer = "127.0.0.1";
        options.SmtpPort = mailtest::server().started() ? mailtest::server().port() : 25;
        options.TimeOut = 10;
        options.TmpDir = tmp.path();
        options.UserName = "ann";
        dlg.OnMessage = [this](TFSendMail* sender, const std::string& t) {
            EXPECT_EQ(sender, &dlg);
            messages.push_back(t);
            EXPECT_FALSE(dlg.BSend->isEnabled())
                << "buttons stay disabled until the result is shown";
            EXPECT_FALSE(dlg.BCancel->isEnabled());
        };
    }
    void open() {
        dlg.Prepare(options, "bob@example.org");
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    general::TOptions options;
    TempDir tmp;
    TFSendMail dlg;
    std::vector<std::string> messages;
};

TEST_F(SendMailDialog, ControlsPrepareAndTabOrder) {
    dlg.ESubject->setText("old");
    dlg.Memo->setPlainText("old text");
    open();
    EXPECT_EQ(dlg.windowTitle(), "Sending mail ...");
    EXPECT_EQ(text(dlg.EServer), "127.0.0.1");
    EXPECT_TRUE(dlg.EServer->isReadOnly());
    EXPECT_EQ(text(dlg.ETo), "bob@example.org");
    EXPECT_EQ(text(dlg.EFrom), "ann");
    EXPECT_TRUE(dlg.ESubject->text().isEmpty());
    EXPECT_TRUE(dlg.Memo->toPlainText().isEmpty());
    EXPECT_EQ(dlg.SmtpTimeOut, 10);
    EXPECT_EQ(dlg.BSend->text(), "OK");
    EXPECT_TRUE(dlg.BSend->isDefault());
    EXPECT_EQ(dlg.BCancel->text(), "Cancel");
    EXPECT_EQ(QApplication::focusWidget(), dlg.ESubject);
    // Tab from the To box walks every control once and passes the server box by.
    dlg.ETo->setFocus();
    const std::vector<QWidget*> order = {dlg.EFrom, dlg.ECC,   dlg.EBCC,    dlg.ESubject,
                                         dlg.Memo,  dlg.BSend, dlg.BCancel, dlg.ETo};
    for (QWidget* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected) << expected->metaObject()->className();
    }
    // Cancel closes without sending.
    QTest::mouseClick(dlg.BCancel, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SendMailDialog, SendDeliversTheMessageAsTyped) {
    if (!mailtest::server().started()) GTEST_SKIP() << mailtest::server().errorText();
    open();
    dlg.ECC->setText("carol@example.org, dave@example.org");
    QTest::keyClicks(dlg.ESubject, "Dots");
    dlg.Memo->setPlainText("first\n.\n..\n.x\n...\nlast");
    QTest::mouseClick(dlg.BSend, Qt::LeftButton);
    EXPECT_EQ(messages, std::vector<std::string>{"Mail sent Ok!"});
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(dlg.BSend->isEnabled());
    EXPECT_TRUE(dlg.BCancel->isEnabled());
    EXPECT_TRUE(isEmpty(tmp)) << "the message file is deleted";

    const mailtest::Delivery d = mailtest::nextDelivery();
    EXPECT_EQ(d.from, "ann");
    EXPECT_EQ(d.to, (std::vector<std::string>{"bob@example.org", "carol@example.org",
                                              "dave@example.org"}));
    EXPECT_EQ(d.content, "SUBJECT: Dots\r\n"
                         "To: bob@example.org\r\n"
                         "From: ann\r\n"
                         "Subject: Dots\r\n"
                         "X-Mailer: Webling 1.0\r\n"
                         "Cc: carol@example.org, dave@example.org\r\n"
                         "Bcc: \r\n"
                         "\r\n"
                         "first\r\n"
                         " .\r\n"
                         "..\r\n"
                         ".x\r\n"
                         "...\r\n"
                         "last\r\n"
                         "\r\n");
}

TEST_F(SendMailDialog, TheDialogCannotBeClosedWhileItSendsAndAFailureKeepsWhatWasTyped) {
    nettest::Listener silent; // connects, never greets
    options.SmtpPort = silent.port;
    options.TimeOut = 1;
    open();
    dlg.EBCC->setText("kept@example.org");
    dlg.ESubject->setText("kept");
    dlg.Memo->setPlainText("kept text");
    bool triedToClose = false;
    QTimer::singleShot(0, &dlg, [&] {
        EXPECT_TRUE(dlg.Sending());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        dlg.close();
        triedToClose = true;
    });
    dlg.BSend->click();
    EXPECT_TRUE(triedToClose);
    EXPECT_EQ(messages, std::vector<std::string>{"Error sending mail!"});
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.BSend->isEnabled());
    EXPECT_TRUE(dlg.BCancel->isEnabled());
    EXPECT_EQ(text(dlg.EBCC), "kept@example.org");
    EXPECT_EQ(text(dlg.ESubject), "kept");
    EXPECT_EQ(dlg.Memo->toPlainText(), "kept text");
    EXPECT_TRUE(isEmpty(tmp));

    // A temporary directory that cannot be written to fails the same way, with a server
    // that would take the message.
    if (!mailtest::server().started()) GTEST_SKIP() << mailtest::server().errorText();
    dlg.SmtpPort = mailtest::server().port();
    dlg.TmpDir = tmp.file("missing/");
    dlg.BSend->click();
    EXPECT_EQ(messages.back(), "Error sending mail!");
    EXPECT_TRUE(dlg.isVisible());
}

TEST(MessageFile, EmptyBodyAndLineEndsInHeaders) {
    TOutgoingMessage m;
    m.To = "bob@x";
    m.Subject = "two\r\nBcc: eve@x";
    EXPECT_EQ(MessageFileText(m),
              "To: bob@x\r\nFrom: \r\nSubject: two  Bcc: eve@x\r\nX-Mailer: Webling 1.0\r\n"
              "Cc: \r\nBcc: \r\n\r\n\r\n.\r\n");
}

TEST(MessageFile, AFreshNameNeverFollowsOrReplacesWhatIsPlanted) {
    TempDir dir, elsewhere;
    const std::string victim = elsewhere.write("victim", "precious");
    // Someone who can write to the directory has planted links under the next two names.
    SetFreshNameCounter(0x100);
    ASSERT_EQ(::symlink(victim.c_str(), dir.file("snd100.TMP").c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.file("created").c_str(), dir.file("snd101.TMP").c_str()), 0);
    const std::string name = CreateFreshFile(dir.path(), "sndXYZ", "message");
    EXPECT_EQ(name, dir.file("snd102.TMP"));
    EXPECT_EQ(testsupport::readFile(name), "message");
    EXPECT_EQ(testsupport::readFile(victim), "precious");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(elsewhere.file("created"))));
    struct stat st {};
    ASSERT_EQ(::lstat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_EQ(CreateFreshFile(dir.file("no-such-dir/"), "snd", "x"), "");
}

} // namespace
