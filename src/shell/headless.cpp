#include "shell/headless.h"

#include "platform/clock.h"
#include "platform/messages.h"
#include "shell/browser_window.h"
#include "view/html_view.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>

namespace shell {

int RunScreenshot(TFMain* window, const TCommandLine& cl) {
    window->resize(cl.Width, cl.Height);
    window->show();
    platform::ProcessMessages();
    window->FirstActivate();

    // The page is opened synchronously; what may still arrive is its pictures.
    const uint32_t deadline = platform::TickCount() + static_cast<uint32_t>(cl.WaitSeconds) * 1000;
    while ((window->Navigating() || window->ImagesPending() || window->HTMLVisor->Processing()) &&
           static_cast<int32_t>(deadline - platform::TickCount()) > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    platform::ProcessMessages();

    std::string reason = window->LastNavigationError();
    int code = 0;
    if (reason.empty()) {
        QPixmap shot = window->HTMLVisor->grab();
        if (!shot.save(QString::fromStdString(cl.Screenshot), "PNG")) {
            reason = "cannot write " + cl.Screenshot;
        }
    }
    if (!reason.empty()) code = 1;
    std::printf("caption: %s\n", window->windowTitle().toLatin1().constData());
    std::printf("status: %s\n", window->StatusText(0).c_str());
    std::fflush(stdout);
    if (code) std::fprintf(stderr, "%s\n", reason.c_str());
    window->close();
    return code;
}

} // namespace shell
