// The headless mode, run as a person would: the real program with its own directory.
#include "general/helpers.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>
#include <unistd.h>

using shelltest::RunResult;

namespace {

// A program directory of the test's own: a copy of the program and its home page, and
// a webling.ini of the test's, so that the test decides the configuration.
class HeadlessTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;

    void SetUp() override { ASSERT_TRUE(shelltest::CopyProgram(dir)); }
    RunResult run(const QStringList& args, const std::string& workDir = "") {
        return shelltest::Run(dir, args, workDir);
    }
    // Runs with --screenshot into Png (in the directory) and the given further arguments.
    RunResult shoot(const std::string& png, QStringList args = {}) {
        args.prepend(QString::fromStdString("--screenshot=" + dir.file(png)));
        return run(args);
    }
    bool exists(const std::string& name) const {
        return QFile::exists(QString::fromStdString(dir.file(name)));
    }
};

} // namespace

// The default size is in browse_test.cpp, with a page of pictures. A run without a display
// never logs the user off, whatever webling.ini says.
TEST_F(HeadlessTest, TheHomePageIsRenderedAtTheSizeAskedWithoutLoggingOff) {
    shelltest::WriteIni(dir, "[main]\nlogoffatexit=1\n");
    RunResult r = shoot("small.png", {"--window-size=400,300"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("logoffatexit is set"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.rfind("caption: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nstatus: "), std::string::npos) << r.out;
    QImage shot(QString::fromStdString(dir.file("small.png")));
    EXPECT_EQ(shot.width(), 400);
    EXPECT_LT(shot.height(), 300);
}

TEST_F(HeadlessTest, RefusedAddressesExitWithOneAndAReason) {
    dir.write("denied_urls.dat", "http://blocked\n");
    RunResult r = shoot("no.png", {"http://blocked/page"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("status: URL no permitida!"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("URL no permitida!"), std::string::npos) << r.err;
    EXPECT_FALSE(exists("no.png"));

    r = shoot("no.png", {"gopher://x/"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("caption: Webling v. 1.0\nstatus: Unknown Protocol!"), std::string::npos)
        << r.out;
    // Nothing listens on port 1; the page cannot be shown, and the exit code says so.
    r = shoot("no.png", {"http://127.0.0.1:1/"});
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("status: Connection refused"), std::string::npos) << r.out;
    EXPECT_FALSE(exists("no.png"));
}

TEST_F(HeadlessTest, HelpVersionAndBadOptions) {
    RunResult r = run({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("usage: webling", 0), 0u) << r.out;
    r = run({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Webling v. 1.0\n");
    r = run({"--screenshot=x.png", "--window-size=abc"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--window-size"), std::string::npos);
    // An unknown option prints the usage to standard error only.
    r = run({"--frobnicate"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("usage: webling"), std::string::npos) << r.err;
}

// A page ending inside a comment is still shown, with the error on the status line.
TEST_F(HeadlessTest, APlainFileNameOpensThatFileEvenWhenItEndsInsideAComment) {
    dir.write("pages/open page.html", "<title>Open</title><h1>Shown</h1><!-- never closed");
    RunResult r = run({QString::fromStdString("--screenshot=" + dir.file("open.png")),
                       "open page.html"},
                      dir.path() + "pages");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("caption: Open\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("status: Open Comment at End of HTML File"), std::string::npos) << r.out;
    EXPECT_TRUE(exists("open.png"));
}

TEST_F(HeadlessTest, CheckUrlPrintsTheVerdictAndTheRule) {
    shelltest::WriteIni(dir, "[restrictions]\nallow_proto_ftp=0\n");
    dir.write("denied_urls.dat", "http://127.0.0.1:8123/secret\n");
    const struct {
        const char* address;
        int code;
        const char* printed;
    } cases[] = {
        {"http://127.0.0.1:8123/public", 0, "verdict: allowed\nrule: no entry"},
        {"http://127.0.0.1:08123/x/../secret", 1,
         "verdict: refused (URL no permitida!)\n"
         "rule: denied entry \"http://127.0.0.1:8123/secret\""},
        {"ftp://127.0.0.1/", 1, "verdict: refused (Unknown Protocol!)\nrule: allow_proto_ftp=0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        RunResult r = run({QString("--check-url=") + c.address});
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.out.find(c.printed), std::string::npos) << r.out;
    }
}

TEST_F(HeadlessTest, APlantedCacheDirectoryStopsTheProgram) {
    dir.write("home/.bashrc", "mine");
    dir.write("cache/.keep", "");
    const std::string cache = dir.path() + "cache/" + general::GetUserLogin();
    ASSERT_EQ(symlink((dir.path() + "home").c_str(), cache.c_str()), 0);
    RunResult r = shoot("x.png");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\"" + cache + "/\" cannot be used: is a symbolic link"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(testsupport::readFile(dir.path() + "home/.bashrc"), "mine");
}
