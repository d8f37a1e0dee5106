#include "mail/client_smtp.h"

#include "net/sock_error.h"
#include "net/socket_components.h"
#include "platform/messages.h"

#include <QTimer>
#include <cstdint>

namespace mail {

namespace {
// One receive per read notification: replies are short, and what is left brings the
// next notification.
constexpr int ReplyChunk = 1024;
} // namespace

TClientsmtp::TClientsmtp()
    : Control(std::make_unique<net::TBasicClientSocket>()), Timer(std::make_unique<QTimer>()),
      Alive(std::make_shared<bool>(true)) {
    Timer->setSingleShot(true);
    QObject::connect(Timer.get(), &QTimer::timeout,
                     [this] { platform::Guard([this] { TimedOut(); }); });
    Control->OnConnect = [this](net::TSockCtrl*, net::TSocketBase* s) {
        if (s->Connected())
            Connected();
        else
            Fail(net::SockErrorMessage(s->LastError, net::SockErrConnecting));
    };
    Control->OnWrite = [this](net::TSockCtrl*, net::TSocketBase*) { WriteReady(); };
    Control->OnRead = [this](net::TSockCtrl*, net::TSocketBase* s) { onRead(s); };
    Control->OnDisconnect = [this](net::TSockCtrl*, net::TSocketBase* s) { onDisconnect(s); };
    Control->OnTimeOut = [this](net::TSockCtrl*, net::TSocketBase*) { TimedOut(); };
}

TClientsmtp::~TClientsmtp() {
    *Alive = false;
    platform::WakeUp();
    Timer->stop();
}

bool TClientsmtp::SendMail() {
    if (Sending) return false;
    if (!StartSending()) return false;
    Sending = true;
    openControl();
    const std::shared_ptr<bool> alive = Alive;
    while (*alive && !Finished())
        platform::HandleMessage();
    // Destroyed meanwhile: nothing of the component may be touched any more.
    if (!*alive) return false;
    Sending = false;
    return Succeeded();
}

void TClientsmtp::openControl() {
    net::TSocketBase* s = Control->SocketIfAny();
    if (s && s->Connected()) Control->Close();
    try {
        Control->SetAddress(Host);
        try {
            Control->SetPort(std::to_string(Port));
        } catch (const std::exception&) {
            Control->SetPort("79");
        }
        Control->SetTimeOut(TimeOut);
        Control->Connect();
    } catch (const std::exception& e) {
        Fail(e.what());
    }
}

int TClientsmtp::SendBytes(const char* data, size_t count) {
    net::TSocketBase* s = Control->SocketIfAny();
    if (!s || !s->Connected()) return -1;
    const int n = count > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(count);
    return s->Send(data, n);
}

void TClientsmtp::CloseConnection() {
    Timer->stop();
    Control->Close();
}

void TClientsmtp::SetTimer(bool running) {
    if (running)
        Timer->start(TimeOut * 1000);
    else
        Timer->stop();
}

std::string TClientsmtp::LocalAddress() { return net::LocalAddressOf(Control->SocketIfAny()); }

void TClientsmtp::OperationFinished() {
    platform::WakeUp();
}

void TClientsmtp::receive(net::TSocketBase* s, bool deliver) {
    char buf[ReplyChunk];
    int n = 0;
    try {
        n = s->Recv(buf, sizeof buf);
    } catch (const net::ESockError& e) {
        // A reset ends the delivery; it is not a reason for an error box.
        if (deliver) Fail(e.what());
        return;
    }
    if (n > 0 && deliver) ReplyData(buf, static_cast<size_t>(n));
}

void TClientsmtp::onRead(net::TSocketBase* s) {
    // Closing the connection from inside the dialogue hands the bytes still waiting to
    // this handler once more; the dialogue has ended by then and they are dropped.
    if (Reading) return receive(s, false);
    Reading = true;
    receive(s, true);
    Reading = false;
}

void TClientsmtp::onDisconnect(net::TSocketBase* s) {
    Timer->stop();
    // The last reply may come together with the close: it still counts.
    unsigned long waiting = 0, before = 0;
    while (!Finished() &&
           net::WinsockAPI().ioctlsocket(s->Handle(), net::FIONREAD_CMD, &waiting) == 0 &&
           waiting > 0 && (before == 0 || waiting < before)) {
        before = waiting;
        onRead(s);
    }
    ConnectionClosed();
    Control->Close();
}

} // namespace mail
