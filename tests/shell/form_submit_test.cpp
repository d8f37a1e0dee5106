// Form submission end to end: a page served over HTTP, its form filled in and sent, the
// request as a real server receives it, and the result page shown but not recorded.
#include "doc/doc_page.h"
#include "shell/browser_window.h"
#include "shell/cache_files.h"
#include "shell/form_data.h"
#include "shell_test_support.h"
#include "test_support.h"
#include "view/html_view.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using shell::TFMain;

namespace {

class FormSubmitTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    shelltest::RecordingServer recorder;
    std::unique_ptr<testsupport::Peer> site; // serves the form pages and logs requests
    std::string logged;
    shelltest::Headless headless;

    void SetUp() override {
        ASSERT_TRUE(recorder.Peer.started()) << recorder.Peer.errorText();
        site = shelltest::FileServer(dir.path() + "site", true);
        ASSERT_TRUE(site->started()) << site->errorText();
    }

    std::string siteBase() const { return "http://127.0.0.1:" + std::to_string(site->port()); }
    std::unique_ptr<TFMain> window() { return shelltest::Window(dir, ""); }
    // "GET /path" lines of the site's log.
    std::string siteLog() { return logged += site->output(); }

    template <class T> T* control(TFMain& w, const std::string& name) {
        return testsupport::ControlNamed<T>(w.HTMLVisor->Sections(), name);
    }
};

} // namespace

TEST(FormData, GetDataIsAppendedToTheAction) {
    const std::pair<const char*, const char*> cases[] = {
        {"find", "find?q=x"},
        {"http://h/cgi?lang=en", "http://h/cgi?lang=en&q=x"},
        {"http://h/cgi?", "http://h/cgi?q=x"},
        {"http://h/cgi?a=1&", "http://h/cgi?a=1&q=x"},
        {"http://h/cgi#top", "http://h/cgi?q=x"},
        {"http://h/cgi?a=1#top", "http://h/cgi?a=1&q=x"},
    };
    for (const auto& [action, expected] : cases)
        EXPECT_EQ(shell::AppendFormData(action, "q=x"), expected) << action;
    // Values keep their own "&", "=" and blanks.
    EXPECT_EQ(shell::EncodeFormData({"q=a b&c", "r=1=2", "name with space=x", "flag"}),
              "q=a+b%26c&r=1%3D2&name+with+space=x&flag");
    EXPECT_EQ(shell::UrlEncode("\xE9t\xE9"), "%E9t%E9");
}

TEST_F(FormSubmitTest, APostFormSendsItsEncodedResults) {
    dir.write("site/form.htm",
              "<title>Order</title><FORM METHOD=post ACTION=\"" + recorder.base() +
                  "/echo-post\">Name: <INPUT NAME=q VALUE=x> <INPUT TYPE=hidden NAME=h "
                  "VALUE=\"\xE9t\xE9\"><INPUT TYPE=submit NAME=go VALUE=\"Send it\"></FORM>");
    auto w = window();
    w->OpenUrl(siteBase() + "/form.htm", true);
    ASSERT_EQ(w->HTMLVisor->DocTitle(), "Order");
    control<doc::TEditFormControlObj>(*w, "q")->Edit()->setText("a b&c=d");
    control<doc::TButtonFormControlObj>(*w, "go")->Button()->click();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return !recorder.requests().empty() && w->Address().Path == "/echo-post"; }));
    const std::string request = recorder.requests().at(0);
    EXPECT_EQ(request.substr(0, 26), "POST /echo-post HTTP/1.0\r\n");
    const std::string body = "q=a+b%26c%3Dd&h=%E9t%E9&go=Send+it";
    const std::string end = std::to_string(body.size()) + "\r\n\r\n" + body + "\r\n";
    EXPECT_NE(request.find("Content-Length: " + end), std::string::npos) << request;
    const std::string shown = shell::CacheFileName(w->Address().Url, w->Settings());
    EXPECT_NE(testsupport::readFile(shown).find("posted"), std::string::npos);
}

// A GET form with an action, filled in and submitted, is in the X-server tests.
TEST_F(FormSubmitTest, AGetFormWithoutAnActionGoesBackToItsOwnPage) {
    dir.write("site/self.htm", "<title>Self</title><FORM><INPUT NAME=q VALUE=v></FORM>");
    auto w = window();
    w->OpenUrl(siteBase() + "/self.htm", true);
    QTest::keyClick(control<doc::TEditFormControlObj>(*w, "q")->Edit(), Qt::Key_Return);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return siteLog().find("GET /self.htm?q=v\n") != std::string::npos;
    })) << siteLog();
    EXPECT_EQ(w->HistoryList().size(), 1u) << "the result page is not recorded";
}
