// Program start: the splash, the application title, the main window and the dialogs
// shared by every window, then the message loop (or the headless rendering).
#include "mail/address_book.h"
#include "platform/messages.h"
#include "shell/about_box.h"
#include "shell/browser_window.h"
#include "shell/command_line.h"
#include "shell/dialogs.h"
#include "shell/forms.h"
#include "shell/headless.h"
#include "shell/memo_display.h"
#include "shell/splash.h"

#include <QApplication>
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

} // namespace

int main(int argc, char** argv) {
    shell::TCommandLine cl = shell::ParseCommandLine(argc, argv);
    if (!cl.Error.empty()) {
        std::fprintf(stderr, "webling: %s\n", cl.Error.c_str());
        std::fprintf(stderr, "usage: webling [--screenshot=FILE.png [--window-size=W,H] "
                             "[--wait=SECONDS]] [ADDRESS]\n");
        return 2;
    }
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

    // 1. The splash, painted at once.
    shell::TFSplash* splash = nullptr;
    if (!headless) {
        splash = new shell::TFSplash;
        splash->show();
        QApplication::processEvents();
    }
    // 2.
    QApplication::setApplicationName("Webling v. 1.0");
    QApplication::setApplicationDisplayName("Webling v. 1.0");

    // 3. The windows, in this order; only the main window is shown.
    shell::TWindowParams params;
    params.StartArgument = cl.Address;
    auto* mainWindow = new shell::TFMain(params);
    shell::Forms().FMiAbout = new shell::TFMiAbout(mainWindow);
    shell::Forms().FAddressBook = new mail::TFAddressBook(mainWindow);
    shell::Forms().FMemoDisplay = new shell::TFMemoDisplay(mainWindow);

    int code;
    if (headless) {
        code = shell::RunScreenshot(mainWindow, cl);
    } else {
        mainWindow->show();
        // 4. The splash goes once the main window is up.
        splash->finish(mainWindow);
        splash->deleteLater();
        splash = nullptr;
        // 5.
        code = QApplication::exec();
    }
    shell::TFMain::FurtherWindows().clear();
    shell::Forms() = {};
    delete mainWindow;
    return code;
}
