// The browser window's message target: WM_OPENURL and the window's other private
// messages are sent or posted here and handed to the window.
#pragma once

#include "platform/messages.h"
#include "shell/browser_window.h"

namespace shell {

class TWindowMessages : public platform::TMessageTarget {
public:
    explicit TWindowMessages(TFMain* w) : Window(w) {}
    intptr_t handleMessage(unsigned msg, uintptr_t w, intptr_t l) override {
        return Window->handleMessage(msg, w, l);
    }
    TFMain* Window;
};

} // namespace shell
