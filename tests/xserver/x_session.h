// What the X-server tests need to act as a person: an Xvfb display of their own, the real
// program started in it from a directory of its own, and real input through the XTest
// extension (xdotool), with the clipboard and the screen read back as a person would see
// them (xclip, xwd).
#pragma once

#include "test_support.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QStringList>
#include <memory>
#include <string>

namespace xtest {

// An Xvfb server on a display number it chose itself, stopped on destruction.
class XServer {
public:
    XServer();
    ~XServer();
    bool started() const { return !Display.empty(); }
    const std::string& display() const { return Display; }
    std::string error() const { return Error; }

    // Runs a program on this display and returns its standard output; Ok tells whether it
    // exited with 0.
    std::string run(const QString& program, const QStringList& args, bool* ok = nullptr) const;
    // xdotool with the given arguments.
    std::string xdo(const QStringList& args, bool* ok = nullptr) const;
    // The whole screen as a picture.
    QImage screenshot() const;
    // The text of the CLIPBOARD selection.
    std::string clipboard() const;

private:
    std::unique_ptr<QProcess> Proc;
    std::string Display, Error;
};

// The program in a directory of its own (a copy of the executable, its home page and a
// webling.ini that keeps the per-user directories inside the directory).
class Browser {
public:
    explicit Browser(const XServer& x);
    ~Browser();
    // Writes webling.ini: the per-user directories inside Dir, then IniExtra.
    void configure(const std::string& iniExtra = {});

    testsupport::TempDir Dir;
    std::string UserName;

    // Starts the program on Address (none: its home page) and waits until a window of it
    // with exactly this caption is shown, then finds where the tool bar is. A failure tells
    // what the program wrote to its standard error.
    ::testing::AssertionResult open(const std::string& address, const std::string& caption);
    bool waitForExit(int ms = 20000);
    // The captions of the program's visible windows, one per line. Qt may replace a
    // native window, so windows are looked up afresh each time rather than kept by id.
    std::string caption() const;
    bool waitForCaption(const std::string& caption, int ms = 20000);
    // The program's visible top-level windows: the main window, dialogs, open menus and lists.
    int visibleWindows() const;
    bool waitForWindows(int count, int ms = 20000) const;

    // Real input, relative to the main window.
    void click(int x, int y, int button = 1) const;
    void drag(int x1, int y1, int x2, int y2) const;
    void key(const QStringList& keys) const;
    void type(const std::string& text) const;

    // Where the address box and the tool-bar buttons are, found on the screen.
    int toolBarY() const { return ToolBarY; }
    void clickAddressBox() const;
    // Replaces the text of the address box and presses Key.
    void enterAddress(const std::string& text, const char* key = "Return") const;
    // 0 Home, 1 Open URL, 2 Reload, 3 Back, 4 Forward, 5 Stop.
    void clickToolButton(int index) const;
    // Opens a menu of the menu bar by its position (0 Main, 1 Edit, ...).
    void openMenu(int index) const;

    std::string cacheDir() const { return Dir.path() + "cache/" + UserName + "/"; }
    std::string tmpDir() const { return Dir.path() + "tmp/" + UserName + "/"; }

private:
    void findLayout();
    const XServer& X;
    std::unique_ptr<QProcess> Proc;
    int ToolBarY = 40;
};

// A test with an X server, a folder of pages and the program, each of its own.
class XSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x.started()) GTEST_FAIL() << x.error();
    }
    XServer x;
    testsupport::TempDir site;
    Browser b{x};
};

// What a peer has written so far, gathered across calls.
class PeerLog {
public:
    explicit PeerLog(testsupport::Peer& peer) : P(peer) {}
    const std::string& text() { return Text += P.output(); }
    bool has(const std::string& part) { return text().find(part) != std::string::npos; }

private:
    testsupport::Peer& P;
    std::string Text;
};

// An HTTP server of the folder that logs every request line.
inline testsupport::Peer httpServer(const testsupport::TempDir& site) {
    return {"python3", {testsupport::peerScript("http_server.py"),
                        QString::fromStdString(site.path()), "--log"}};
}

// "127.0.0.1:<port>/" and Path, for a peer on the loopback address.
inline std::string loopback(const testsupport::Peer& peer, const std::string& path = {}) {
    return "127.0.0.1:" + std::to_string(peer.port()) + "/" + path;
}

// A page whose whole top is one link (a 600 x 300 picture), so that a click anywhere
// there follows it.
std::string BigLinkPage(const std::string& title, const std::string& href);

// Counts pixels of Image inside Rect that are close to Colour.
int countColour(const QImage& image, const QRect& rect, QRgb colour);

} // namespace xtest
