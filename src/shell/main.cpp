// Program start: the splash, the application title, the main window and the dialogs
// shared by every window, then the message loop (or the headless rendering).
#include "mail/address_book.h"
#include "mail/send_mail.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "shell/access_rules.h"
#include "shell/about_box.h"
#include "shell/browser_window.h"
#include "shell/command_line.h"
#include "shell/dialogs.h"
#include "shell/forms.h"
#include "shell/headless.h"
#include "shell/memo_display.h"
#include "shell/splash.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt's notes about the missing session bus directory or the offscreen platform's limits say
// nothing a user of the browser can act on.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtDebugMsg || msg.contains("XDG_RUNTIME_DIR") || msg.contains("propagateSizeHints"))
        return;
    std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
}

constexpr const char* Usage =
    "usage: webling [ADDRESS]\n"
    "       webling --screenshot=FILE.png [--window-size=W,H] [--wait=SECONDS] [ADDRESS]\n"
    "       webling --check-url=ADDRESS\n"
    "       webling --help | --version\n"
    "\n"
    "ADDRESS is an address (http://, ftp://, file://, mailto:) or the name of a local file.\n"
    "--screenshot renders the page into FILE.png without opening a window and prints the\n"
    "caption and the status line.\n"
    "--check-url prints whether ADDRESS may be opened under webling.ini and the lists beside\n"
    "the program, and which rule decided; it exits with 0 when allowed and 1 when refused.\n";

// The verdict on an address under the restrictions of the program's directory.
int checkUrl(const std::string& address) {
    const shell::TRestrictions rules = shell::ReadRestrictions(platform::ProgramDirectory());
    const shell::TUrlVerdict v = shell::CheckAddress(address, rules);
    std::printf("address: %s\n", address.c_str());
    if (v.Allowed)
        std::printf("verdict: allowed\n");
    else
        std::printf("verdict: refused (%s)\n", v.Message.c_str());
    std::printf("rule: %s\n", v.Rule.c_str());
    return v.Allowed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    shell::TCommandLine cl = shell::ParseCommandLine(argc, argv);
    if (!cl.Error.empty()) {
        std::fprintf(stderr, "webling: %s\n%s", cl.Error.c_str(), Usage);
        return 2;
    }
    if (cl.Help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (cl.Version) {
        std::puts("Webling v. 1.0");
        return 0;
    }
    if (cl.CheckUrl) return checkUrl(*cl.CheckUrl);
    const bool headless = !cl.Screenshot.empty();
    const bool noDisplay = !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
    if (headless && noDisplay && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!headless && noDisplay && !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "webling: no display found; starting on the offscreen platform "
                             "(use --screenshot=FILE.png to see a page)\n");
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    shell::SetHeadless(headless);
    if (headless)
        platform::SetErrorReporter(
            [](const std::string& t) { std::fprintf(stderr, "error: %s\n", t.c_str()); });

    // The splash, painted at once.
    shell::TFSplash* splash = nullptr;
    if (!headless) {
        splash = new shell::TFSplash;
        splash->show();
        QApplication::processEvents();
    }
    // Only the application name: a display name would be appended to every window's
    // caption, which is the page's title or address and nothing else.
    QApplication::setApplicationName("Webling v. 1.0");

    // The windows, in this order; only the main window is shown.
    shell::TWindowParams params;
    params.StartArgument = cl.Address;
    shell::TFMain* mainWindow = nullptr;
    try {
        mainWindow = new shell::TFMain(params);
    } catch (const std::exception& e) {
        // The window refused to start (a per-user directory it cannot trust).
        if (splash) splash->close();
        if (headless)
            std::fprintf(stderr, "webling: %s\n", e.what());
        else
            QMessageBox::critical(nullptr, "Webling v. 1.0", QString::fromLatin1(e.what()));
        delete splash;
        return 1;
    }
    shell::Forms().FMiAbout = new shell::TFMiAbout(mainWindow);
    shell::Forms().FAddressBook = new mail::TFAddressBook(mainWindow);
    shell::Forms().FMemoDisplay = new shell::TFMemoDisplay(mainWindow);
    shell::Forms().FSendMail = new mail::TFSendMail(mainWindow);

    int code;
    if (headless) {
        code = shell::RunScreenshot(mainWindow, cl);
    } else {
        mainWindow->show();
        // The splash goes once the main window is up.
        splash->finish(mainWindow);
        splash->deleteLater();
        splash = nullptr;
        code = QApplication::exec();
    }
    shell::TFMain::FurtherWindows().clear();
    shell::Forms() = {};
    delete mainWindow;
    return code;
}
