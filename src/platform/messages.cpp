#include "platform/messages.h"

#include "platform/exception.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <cstdio>

namespace platform {

namespace {

QEvent::Type messageEventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class MessageEvent : public QEvent {
public:
    MessageEvent(unsigned m, uintptr_t w, intptr_t l)
        : QEvent(messageEventType()), msg(m), wParam(w), lParam(l) {}
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
};

ErrorReporter& reporter() {
    static ErrorReporter r;
    return r;
}

} // namespace

TMessageTarget::TMessageTarget(QObject* parent) : QObject(parent) {}

TMessageTarget::~TMessageTarget() = default;

intptr_t TMessageTarget::handleMessage(unsigned, uintptr_t, intptr_t) { return 0; }

bool TMessageTarget::event(QEvent* e) {
    if (e->type() == messageEventType()) {
        auto* m = static_cast<MessageEvent*>(e);
        Guard([&] { handleMessage(m->msg, m->wParam, m->lParam); });
        return true;
    }
    return QObject::event(e);
}

void PostMessage(TMessageTarget* target, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (!target) return;
    // Qt discards the events posted to an object when it is destroyed.
    QCoreApplication::postEvent(target, new MessageEvent(msg, wParam, lParam));
}

intptr_t SendMessage(TMessageTarget* target, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (!target) return 0;
    return target->handleMessage(msg, wParam, lParam);
}

void ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void HandleMessage() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

void WakeUp() {
    if (auto* d = QAbstractEventDispatcher::instance(QCoreApplication::instance()
                                                         ? QCoreApplication::instance()->thread()
                                                         : nullptr))
        d->wakeUp();
}

void Guard(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("Unknown error");
    }
}

void SetErrorReporter(ErrorReporter r) { reporter() = std::move(r); }

void ReportError(const std::string& text) {
    if (reporter()) {
        reporter()(text);
        return;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) &&
        QGuiApplication::platformName() != "offscreen") {
        QMessageBox::critical(nullptr, QCoreApplication::applicationName(),
                              QString::fromLatin1(text.c_str()));
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

} // namespace platform
