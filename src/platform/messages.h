// Window messages on Qt: a message target receives numbered messages either posted
// (queued, dropped when the target is destroyed first) or sent (a direct call that
// returns the handler's result), and nested loops handle pending messages in place.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// The first user message number of the original desktop; the program's own message
// numbers keep their values relative to it (navigation 1424, sockets 2135..2139).
constexpr unsigned WM_USER = 1024;

class TMessageTarget : public QObject {
    Q_OBJECT
public:
    explicit TMessageTarget(QObject* parent = nullptr);
    ~TMessageTarget() override;

    // Called for every posted or sent message. The default does nothing and returns 0.
    virtual intptr_t handleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

protected:
    bool event(QEvent* e) override;
};

// A target that hands every message to a function: the hidden target of a window or a
// component that cannot itself be a message target.
class TMessageForwarder : public TMessageTarget {
public:
    using THandler = std::function<intptr_t(unsigned msg, uintptr_t wParam, intptr_t lParam)>;
    explicit TMessageForwarder(THandler handler) : Handler(std::move(handler)) {}
    intptr_t handleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        return Handler(msg, wParam, lParam);
    }

private:
    THandler Handler;
};

// Queues the message for the target's thread; safe from any thread. A message whose
// target is gone before it is handled is dropped.
void PostMessage(TMessageTarget* target, unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);

// Calls the target's handler at once and returns its result. An exception leaving the
// handler propagates to the caller, as a direct call would.
intptr_t SendMessage(TMessageTarget* target, unsigned msg, uintptr_t wParam = 0,
                     intptr_t lParam = 0);

// Handles every message that is waiting, then returns.
void ProcessMessages();

// Handles at least one message, waiting for one when none is waiting.
void HandleMessage();

// Wakes a HandleMessage that waits, so that a loop around it looks at its flag again.
// Code that sets the flag of such a loop calls this.
void WakeUp();

// Runs a handler body as the message dispatcher does: an exception that leaves it is
// shown with its text in an error box (or to the installed reporter) and goes no further.
void Guard(const std::function<void()>& body);

// Where exceptions caught by the dispatcher are reported. The default shows an error box
// when a GUI application runs and writes to standard error otherwise.
using ErrorReporter = std::function<void(const std::string& text)>;
void SetErrorReporter(ErrorReporter reporter);
void ReportError(const std::string& text);

} // namespace platform
