// ftp: and mailto: addresses in the real window: a person clicks through an FTP server's
// directories and opens a file, and writes a mail from a mailto: link.
#include "x_session.h"

#include <gtest/gtest.h>

using testsupport::waitUntil;

TEST(Protocols, ClickingThroughAnFtpServerOpensDirectoriesAndFiles) {
    xtest::XServer x;
    ASSERT_TRUE(x.started()) << x.error();
    testsupport::TempDir root;
    root.write("docs/readme.txt", "Read me, I came over FTP.\n");
    testsupport::Peer ftp{"/usr/bin/python3",
                          {testsupport::peerScript("ftp_server.py"), QString::fromStdString(root.path())}};
    ASSERT_TRUE(ftp.started()) << ftp.errorText();
    const std::string base = "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/";

    xtest::Browser b(x);
    b.start(base);
    ASSERT_TRUE(b.waitForWindow("/")) << b.stderrText();
    // The listing's first line is "DIR: docs", with the name as a link.
    b.click(64, b.toolBarY() + 26);
    ASSERT_TRUE(b.waitForCaption("/docs")) << b.caption();
    b.click(85, b.toolBarY() + 26);
    EXPECT_TRUE(b.waitForCaption(base + "docs/readme.txt")) << b.caption();
    b.clickToolButton(3);
    EXPECT_TRUE(b.waitForCaption("/docs")) << b.caption();
}

TEST(Protocols, AMailtoLinkOpensTheMailDialogAndTheMailIsDelivered) {
    xtest::XServer x;
    ASSERT_TRUE(x.started()) << x.error();
    testsupport::Peer smtp{"/usr/bin/python3", {testsupport::peerScript("smtp_server.py")}};
    ASSERT_TRUE(smtp.started()) << smtp.errorText();
    xtest::Browser b(x, "[smtp]\nsmtpserver=127.0.0.1\nsmtpport=" + std::to_string(smtp.port()) + "\n");
    b.Dir.write("mail.html", "<title>Write to us</title><body bgcolor=white><a href=\"mailto:ann@example.org\">"
                             "<img src=\"none.gif\" width=600 height=300 alt=\"mail\"></a>");
    b.start(b.Dir.file("mail.html"));
    ASSERT_TRUE(b.waitForWindow("Write to us")) << b.stderrText();

    b.click(300, b.toolBarY() + 150);
    ASSERT_TRUE(b.waitForCaption("Sending mail ...")) << b.caption();
    // The subject has the keyboard; Enter takes the default button, OK.
    b.type("Hello from the window");
    b.key({"Return"});
    std::string got;
    EXPECT_TRUE(waitUntil([&] {
        got += smtp.output();
        // The whole line: the server's output may arrive in pieces.
        const size_t at = got.find("MESSAGE");
        return at != std::string::npos && got.find('\n', at) != std::string::npos;
    })) << got;
    EXPECT_NE(got.find("ann@example.org"), std::string::npos) << got;
    // The page stays as it was.
    EXPECT_TRUE(b.waitForCaption("Write to us"));
}
