// The headless mode, run as a person would: the real program with its own directory.
#include "general/helpers.h"
#include "test_support.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct RunResult {
    int code;
    std::string out, err;
};

// A program directory of the test's own: a copy of the program and its home page, and
// the given webling.ini, so that the test decides the configuration.
class HeadlessTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;

    void SetUp() override {
        for (const char* f : {"webling", "home.html", "about-webling.html", "webling-logo.gif"})
            ASSERT_TRUE(QFile::copy(QString(WEBLING_BINARY_DIR) + "/" + f,
                                    QString::fromStdString(dir.file(f))))
                << f;
        QFile::setPermissions(QString::fromStdString(dir.file("webling")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ini("");
    }
    void ini(const std::string& extra) {
        dir.write("webling.ini", "[users]\nusersrootdir=" + dir.path() + "users\n[tmp]\ntmpdir=" +
                                     dir.path() + "tmp\n[cache]\ncachedir=" + dir.path() + "cache\n" +
                                     extra);
    }
    RunResult run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(dir.file("webling")), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), p.readAllStandardOutput().toStdString(),
                p.readAllStandardError().toStdString()};
    }
};

} // namespace

TEST_F(HeadlessTest, TheHomePageIsRenderedAndTheTwoLinesPrinted) {
    std::string png = dir.file("home.png");
    RunResult r = run({QString::fromStdString("--screenshot=" + png)});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("caption: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nstatus: "), std::string::npos) << r.out;
    QImage shot(QString::fromStdString(png));
    ASSERT_FALSE(shot.isNull());
    EXPECT_GT(shot.width(), 600);
    EXPECT_GT(shot.height(), 500);
}

TEST_F(HeadlessTest, WindowSizeIsHonoured) {
    std::string png = dir.file("small.png");
    RunResult r = run({QString::fromStdString("--screenshot=" + png), "--window-size=400,300"});
    ASSERT_EQ(r.code, 0) << r.err;
    QImage shot(QString::fromStdString(png));
    EXPECT_EQ(shot.width(), 400);
    EXPECT_LT(shot.height(), 300);
}

TEST_F(HeadlessTest, RefusedAddressesExitWithOneAndAReason) {
    dir.write("denied_urls.dat", "http://blocked\n");
    std::string png = dir.file("no.png");
    RunResult r = run({QString::fromStdString("--screenshot=" + png), "http://blocked/page"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("status: URL no permitida!"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("URL no permitida!"), std::string::npos) << r.err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(png)));

    r = run({QString::fromStdString("--screenshot=" + png), "gopher://x/"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("caption: Webling v. 1.0\nstatus: Unknown Protocol!"), std::string::npos)
        << r.out;
}

TEST_F(HeadlessTest, ClosingNeverLogsOffButStillDeletesFiles) {
    ini("[main]\nlogoffatexit=1\n");
    RunResult r = run({QString::fromStdString("--screenshot=" + dir.file("x.png"))});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("logoffatexit is set"), std::string::npos) << r.err;
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

TEST_F(HeadlessTest, APageEndingInsideACommentIsShownWithTheErrorOnTheStatusLine) {
    const std::string page = dir.write("open.html", "<title>Open</title><h1>Shown</h1><!-- never closed");
    const std::string png = dir.file("open.png");
    RunResult r = run({QString::fromStdString("--screenshot=" + png), QString::fromStdString(page)});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("caption: Open\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("status: Open Comment at End of HTML File"), std::string::npos) << r.out;
    EXPECT_TRUE(QFile::exists(QString::fromStdString(png)));
}

TEST_F(HeadlessTest, APlainFileNameOpensThatFile) {
    dir.write("pages/local page.html", "<html><head><title>Local page</title></head><body>Here</body></html>");
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.path() + "pages"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.start(QString::fromStdString(dir.file("webling")),
            {QString::fromStdString("--screenshot=" + dir.file("local.png")), "local page.html"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(p.readAllStandardOutput().toStdString().rfind("caption: Local page\n", 0), 0u);
}

TEST_F(HeadlessTest, ARefusedConnectionIsAFailureNamedByTheSocketLayer) {
    // Nothing listens on port 1; the page cannot be shown, and the exit code says so.
    std::string png = dir.file("nothing.png");
    RunResult r = run({QString::fromStdString("--screenshot=" + png), "http://127.0.0.1:1/"});
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("status: Connection refused"), std::string::npos) << r.out;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(png)));
}

TEST_F(HeadlessTest, CheckUrlPrintsTheVerdictAndTheRule) {
    ini("[restrictions]\nallow_proto_ftp=0\n");
    dir.write("denied_urls.dat", "http://127.0.0.1:8123/secret\n");
    RunResult r = run({"--check-url=http://127.0.0.1:8123/public"});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("verdict: allowed\nrule: no entry"), std::string::npos) << r.out;
    r = run({"--check-url=http://127.0.0.1:08123/x/../secret"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("verdict: refused (URL no permitida!)\nrule: denied entry "
                         "\"http://127.0.0.1:8123/secret\""),
              std::string::npos)
        << r.out;
    r = run({"--check-url=ftp://127.0.0.1/"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("verdict: refused (Unknown Protocol!)\nrule: allow_proto_ftp=0"), std::string::npos)
        << r.out;
}

TEST_F(HeadlessTest, APlantedCacheDirectoryStopsTheProgram) {
    dir.write("home/.bashrc", "mine");
    dir.write("cache/.keep", "");
    const std::string cache = dir.path() + "cache/" + general::GetUserLogin();
    ASSERT_EQ(symlink((dir.path() + "home").c_str(), cache.c_str()), 0);
    RunResult r = run({QString::fromStdString("--screenshot=" + dir.file("x.png"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\"" + cache + "/\" cannot be used: is a symbolic link"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::readFile(dir.path() + "home/.bashrc"), "mine");
}
