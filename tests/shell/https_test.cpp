// Pages and pictures over https: in the window, from a TLS server of the test's own whose
// certificates come from a test authority trusted through [https] cafile.
#include "net/tls_test_support.h"
#include "platform/files.h"
#include "shell/browser_window.h"
#include "shell/cache_files.h"
#include "shell/url_combo_box.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QTimer>
#include <gtest/gtest.h>

using shell::TFMain;
using testsupport::waitUntil;

namespace {

class Https : public ::testing::Test {
protected:
    static nettest::TestAuthority& authority() {
        static nettest::TestAuthority ca;
        return ca;
    }
    void SetUp() override {
        ASSERT_TRUE(authority().ok) << authority().failure;
        site.write("pic.gif", shelltest::Gif());
        site.write("page.html", "<title>Secure</title><img src=pic.gif>");
    }

    std::unique_ptr<testsupport::Peer> server(const std::string& cert,
                                              const QStringList& relay = {}) {
        auto p = nettest::startTlsServer(authority(), cert, site.path(), relay);
        EXPECT_TRUE(p->started()) << p->errorText();
        return p;
    }
    std::unique_ptr<TFMain> window(const std::string& ini = "") {
        return shelltest::Window(dir, "[https]\ncafile=" + authority().caFile() + "\n" + ini);
    }
    static std::string https(const testsupport::Peer& p, const std::string& path) {
        return "https://127.0.0.1:" + std::to_string(p.port()) + path;
    }

    // What the window stored for Address.
    static std::string cached(TFMain& w, const std::string& address) {
        return testsupport::readFile(shell::CacheFileName(address, w.Settings()));
    }

    testsupport::TempDir site, dir;
    shelltest::Headless headless;
};

} // namespace

TEST_F(Https, PagesPicturesAndRedirectionsBetweenHttpAndHttps) {
    auto tls = server("good");
    shelltest::RecordingServer plain;
    ASSERT_TRUE(plain.Peer.started());
    const std::string http = plain.base();
    site.write("mixed.html",
               "<title>Mixed</title><img src=pic.gif><img src=\"" + http + "/picture\">");
    auto w = window();
    w->OpenUrl(https(*tls, "/page.html"), true);
    EXPECT_EQ(w->LastNavigationError(), "");
    EXPECT_EQ(w->windowTitle().toStdString(), "Secure");
    EXPECT_EQ(w->CBUrls->currentText().toStdString(), https(*tls, "/page.html"));
    ASSERT_TRUE(waitUntil([&] { return !w->ImagesPending(); }));
    EXPECT_EQ(cached(*w, https(*tls, "/pic.gif")), shelltest::Gif());
    EXPECT_EQ(w->StatusText(3), "");
    w->OpenUrl(https(*tls, "/mixed.html"), true);
    ASSERT_TRUE(waitUntil([&] { return !w->ImagesPending(); }));
    EXPECT_EQ(w->StatusText(3), "Mixed content") << "a plain picture on a secure page";

    w->OpenUrl(http + "/to?" + https(*tls, "/page.html"), true);
    EXPECT_EQ(w->Address().Url, https(*tls, "/page.html"));
    EXPECT_EQ(w->windowTitle().toStdString(), "Secure");
    w->OpenUrl(https(*tls, "/to?" + http + "/page.html"), true);
    EXPECT_EQ(w->Address().Url, http + "/page.html");
    EXPECT_EQ(w->windowTitle().toStdString(), "Recorded");
}

TEST_F(Https, CertificatesThatDoNotHoldAreRefusedEachWithItsOwnText) {
    auto w = window();
    w->OpenUrl("file://" + site.path() + "page.html", true);
    const std::pair<const char*, const char*> cases[] = {
        {"self", "is not signed by a trusted authority"},
        {"expired", "has expired"},
        {"other", "The certificate is for other.example, not for 127.0.0.1"},
    };
    for (const auto& [cert, text] : cases) {
        SCOPED_TRACE(cert);
        auto tls = server(cert);
        testing::internal::CaptureStderr();
        w->OpenUrl(https(*tls, "/page.html"), true);
        const std::string box = testing::internal::GetCapturedStderr();
        EXPECT_NE(w->StatusText(0).find(text), std::string::npos) << w->StatusText(0);
        EXPECT_NE(box.find(text), std::string::npos) << "an information box, not a question";
        EXPECT_EQ(w->windowTitle().toStdString(), "Secure") << "the page on display stays";
        const std::string name = shell::CacheFileName(https(*tls, "/page.html"), w->Settings());
        EXPECT_FALSE(platform::FileExists(name)) << "nothing cached";
    }
}

TEST_F(Https, HandshakesThatStallCloseOrAreStoppedEnd) {
    auto w = window("[main]\ntimeout=1\n");
    auto stalling = server("good", {"--stall-after", "10"});
    w->OpenUrl(https(*stalling, "/page.html"), true);
    EXPECT_EQ(w->StatusText(0), "Time out!");
    auto closing = server("good", {"--close-after", "10"});
    w->OpenUrl(https(*closing, "/page.html"), true);
    EXPECT_NE(w->StatusText(0).find("TLS handshake with 127.0.0.1 failed"), std::string::npos)
        << w->StatusText(0);
    // Stop while the handshake waits: the window is usable at once.
    auto w2 = window();
    auto held = server("good", {"--stall-after", "10"});
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (w2->Fetching()) w2->BStopClick();
    });
    poll.start(20);
    w2->OpenUrl(https(*held, "/page.html"), true);
    poll.stop();
    EXPECT_EQ(w2->LastNavigationError(), "Stopped.");
    auto good = server("good");
    w2->OpenUrl(https(*good, "/page.html"), true);
    EXPECT_EQ(w2->windowTitle().toStdString(), "Secure") << w2->LastNavigationError();
}

TEST_F(Https, ThroughAProxyTunnelPagesAndPicturesArrive) {
    auto tls = server("good");
    shelltest::Tinyproxy proxy(dir, tls->port());
    if (!proxy.Port) GTEST_SKIP() << "tinyproxy is not installed";
    // A picture of its own: the process keeps decoded pictures by name across pages.
    site.write("tunnel.gif", shelltest::Gif());
    site.write("tunnel.html", "<title>Secure</title><img src=tunnel.gif>");
    auto w = window("[proxy]\nuseproxy=1\nproxyserver=127.0.0.1\nproxyport=" +
                    std::to_string(proxy.Port) + "\n");
    w->OpenUrl(https(*tls, "/tunnel.html"), true);
    EXPECT_EQ(w->LastNavigationError(), "");
    EXPECT_EQ(w->windowTitle().toStdString(), "Secure");
    ASSERT_TRUE(waitUntil([&] { return !w->ImagesPending(); }));
    EXPECT_EQ(cached(*w, https(*tls, "/tunnel.gif")), shelltest::Gif());
}

TEST_F(Https, AnAdministratorCanSwitchHttpsOffAndTheListsApply) {
    auto tls = server("good");
    dir.write("denied_urls.dat", https(*tls, "/page.html\n"));
    auto w = window();
    w->OpenUrl(https(*tls, "/page.html"), true);
    EXPECT_EQ(w->StatusText(0), "URL no permitida!");
    // A download over https takes the download's road: here the terminal refuses it.
    site.write("file.zip", "PK-zip-bytes");
    auto locked = window("[restrictions]\nallow_proto_file=0\n");
    locked->OpenUrl(https(*tls, "/file.zip"), true);
    EXPECT_EQ(locked->StatusText(0), "Download not allowed");
    auto off = window("[restrictions]\nallow_proto_https=0\n");
    off->OpenUrl(https(*tls, "/pic.gif"), true);
    EXPECT_EQ(off->StatusText(0), "Unknown Protocol!");
}
