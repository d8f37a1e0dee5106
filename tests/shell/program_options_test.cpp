// The program's command line as a person uses it from a shell, and a page that ends inside
// a comment: shown as far as it goes, with the reason on the status line.
#include "test_support.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct ProgramRun {
    int code;
    std::string out, err;
};

ProgramRun webling(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.start(QString(WEBLING_BINARY_DIR) + "/webling", args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

} // namespace

TEST(ProgramOptions, HelpVersionAndUnknownOptions) {
    ProgramRun help = webling({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("usage: webling", 0), 0u) << help.out;
    ProgramRun version = webling({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "Webling v. 1.0\n");
    ProgramRun unknown = webling({"--frobnicate"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.out.empty());
    EXPECT_NE(unknown.err.find("usage: webling"), std::string::npos) << unknown.err;
}

TEST(ProgramOptions, APageEndingInsideACommentIsShownWithTheErrorOnTheStatusLine) {
    testsupport::TempDir dir;
    const std::string page = dir.write("open.html", "<title>Open</title><h1>Shown</h1><!-- never closed");
    const std::string png = dir.file("open.png");
    ProgramRun r = webling({QString::fromStdString("--screenshot=" + png), QString::fromStdString(page)});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("caption: Open\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("status: Open Comment at End of HTML File"), std::string::npos) << r.out;
    EXPECT_TRUE(QFile::exists(QString::fromStdString(png)));
}
