// ftp: and mailto: addresses in the real window: a person clicks through an FTP server's
// directories and opens a file, and writes a mail from a mailto: link.
#include "x_session.h"

#include <gtest/gtest.h>

using Protocols = xtest::XSessionTest;

TEST_F(Protocols, ClickingThroughAnFtpServerOpensDirectoriesAndFiles) {
    site.write("docs/readme.txt", "Read me, I came over FTP.\n");
    testsupport::Peer ftp{"/usr/bin/python3", {testsupport::peerScript("ftp_server.py"),
                                               QString::fromStdString(site.path())}};
    ASSERT_TRUE(ftp.started()) << ftp.errorText();
    const std::string base = "ftp://" + xtest::loopback(ftp);

    ASSERT_TRUE(b.open(base, "/"));
    // The listing's first line is "DIR: docs", with the name as a link.
    b.click(64, b.toolBarY() + 26);
    ASSERT_TRUE(b.waitForCaption("/docs")) << b.caption();
    b.click(85, b.toolBarY() + 26);
    EXPECT_TRUE(b.waitForCaption(base + "docs/readme.txt")) << b.caption();
    b.clickToolButton(3);
    EXPECT_TRUE(b.waitForCaption("/docs")) << b.caption();
}

TEST_F(Protocols, AMailtoLinkOpensTheMailDialogAndTheMailIsDelivered) {
    testsupport::Peer smtp{"/usr/bin/python3", {testsupport::peerScript("smtp_server.py")}};
    ASSERT_TRUE(smtp.started()) << smtp.errorText();
    b.configure("[smtp]\nsmtpserver=127.0.0.1\nsmtpport=" + std::to_string(smtp.port()) + "\n");
    site.write("mail.html", xtest::BigLinkPage("Write to us", "mailto:ann@example.org"));
    ASSERT_TRUE(b.open(site.file("mail.html"), "Write to us"));

    b.click(300, b.toolBarY() + 150);
    ASSERT_TRUE(b.waitForCaption("Sending mail ...")) << b.caption();
    // The subject has the keyboard; Enter takes the default button, OK.
    b.type("Hello from the window");
    b.key({"Return"});
    xtest::PeerLog got(smtp);
    EXPECT_TRUE(testsupport::waitUntil([&] {
        // The whole line: the server's output may arrive in pieces.
        const std::string& text = got.text();
        const size_t at = text.find("MESSAGE");
        return at != std::string::npos && text.find('\n', at) != std::string::npos;
    })) << got.text();
    EXPECT_NE(got.text().find("ann@example.org"), std::string::npos) << got.text();
    // The page stays as it was.
    EXPECT_TRUE(b.waitForCaption("Write to us"));
}
