#include "ftp/client_ftp.h"

#include "net/server_socket.h"
#include "net/sock_error.h"
#include "platform/messages.h"

#include <QTimer>
#include <arpa/inet.h>

namespace ftp {

namespace {
// One receive per notification of the control connection, as its replies are short.
constexpr int ControlChunk = 2000;
// One notification of the data connection takes everything waiting, in pieces of this
// size: a notification per 2000 bytes would cost more than the bytes themselves.
constexpr int DataChunk = 1 << 16;

// A port given as a number needs no service look-up: setting it as text would look its
// service name up, and connecting or listening would look that name up again, each in a
// nested loop that gains nothing and in which the component may be destroyed. A number no
// port can have becomes 0, on which nothing can be reached.
void setPortNumber(net::TSockCtrl& socket, int port) {
    socket.SetBoundPort(port >= 0 && port <= 65535 ? static_cast<uint16_t>(port) : 0);
}
} // namespace

TClientFTP::TClientFTP()
    : Control(std::make_unique<net::TBasicClientSocket>()), Inactivity(std::make_unique<QTimer>()),
      DataTimer(std::make_unique<QTimer>()), DataBuffer(DataChunk), Alive(std::make_shared<bool>(true)) {
    Inactivity->setSingleShot(true);
    DataTimer->setSingleShot(true);
    QObject::connect(Inactivity.get(), &QTimer::timeout, [this] { platform::Guard([this] { InactivityTimedOut(); }); });
    QObject::connect(DataTimer.get(), &QTimer::timeout, [this] { platform::Guard([this] { DataTimedOut(); }); });
    Control->OnConnect = [this](net::TSockCtrl*, net::TSocketBase* s) {
        if (s->Connected())
            ControlConnected(0);
        else
            Fail(net::SockErrorMessage(s->LastError, net::SockErrConnecting));
    };
    Control->OnWrite = [this](net::TSockCtrl*, net::TSocketBase*) {
        if (Inactivity->isActive()) SetInactivityTimer(true);
    };
    Control->OnRead = [this](net::TSockCtrl*, net::TSocketBase* s) { onControlRead(s); };
    Control->OnDisconnect = [this](net::TSockCtrl*, net::TSocketBase* s) { onControlDisconnect(s); };
    Control->OnTimeOut = [this](net::TSockCtrl*, net::TSocketBase*) { InactivityTimedOut(); };
}

TClientFTP::~TClientFTP() {
    *Alive = false;
    platform::WakeUp();
    Inactivity->stop();
    DataTimer->stop();
    Data.reset();
}

bool TClientFTP::wait() {
    const std::shared_ptr<bool> alive = Alive;
    while (*alive && !Finished()) platform::HandleMessage();
    return *alive;
}

// ---- Operations ----

bool TClientFTP::Login(std::string& homeDir, std::string& systemName) {
    StartLogin();
    if (!Finished() && !openControl()) return false;
    if (!wait()) return false;
    homeDir = HomeDir();
    systemName = SystemName();
    return Succeeded();
}

bool TClientFTP::openControl() {
    // The host name is looked up in a nested loop, in which the window that owns this
    // component may close and destroy it.
    const std::shared_ptr<bool> alive = Alive;
    if (ControlOpen()) Control->Close();
    try {
        Control->SetAddress(Host);
        setPortNumber(*Control, Port);
        Control->SetTimeOut(TimeOut);
        Control->Connect();
    } catch (const std::exception& e) {
        if (!*alive) return false;
        Fail(e.what());
    }
    return *alive;
}

void TClientFTP::Logout() {
    if (StartLogout()) wait();
}

int64_t TClientFTP::GetSize() {
    StartGetSize();
    if (!wait()) return -1;
    return SizeResult();
}

const std::vector<std::string>& TClientFTP::List(bool convert, bool asHtml) {
    static const std::vector<std::string> none;
    StartList();
    if (!wait()) return none;
    return EndList(convert, asHtml);
}

bool TClientFTP::GetFile(const std::string& localName) {
    StartGetFile(localName);
    if (!wait()) return false;
    return EndGetFile();
}

// ---- The control connection ----

bool TClientFTP::SendCommand(const std::string& text) {
    net::TSocketBase* s = Control->SocketIfAny();
    if (!s || !s->Connected()) return false;
    const int n = static_cast<int>(text.size());
    return s->Send(text.data(), n) == n;
}

bool TClientFTP::ControlOpen() {
    net::TSocketBase* s = Control->SocketIfAny();
    return s && s->Connected();
}

void TClientFTP::CloseControl() {
    Inactivity->stop();
    Control->Close();
}

void TClientFTP::SetInactivityTimer(bool running) {
    if (running && TimeOut > 0)
        Inactivity->start(TimeOut * 1000);
    else
        Inactivity->stop();
}

std::string TClientFTP::LocalAddress() { return net::LocalAddressOf(Control->SocketIfAny()); }

void TClientFTP::onControlRead(net::TSocketBase* s) {
    char buf[ControlChunk];
    int n = 0;
    try {
        n = s->Recv(buf, sizeof buf);
    } catch (const net::ESockError& e) {
        // A connection reset ends the operation; it is not a reason for an error box.
        CloseControl();
        return Fail(e.what());
    }
    if (n > 0) ControlData(buf, static_cast<size_t>(n));
}

void TClientFTP::onControlDisconnect(net::TSocketBase* s) {
    Inactivity->stop();
    try {
        unsigned long waiting = 0;
        if (net::WinsockAPI().ioctlsocket(s->Handle(), net::FIONREAD_CMD, &waiting) == 0 && waiting > 0) {
            char drop[255];
            s->Recv(drop, sizeof drop);
        }
    } catch (const net::ESockError&) {
    }
    Control->Close();
    ControlClosed();
}

// ---- The data connection ----

bool TClientFTP::OpenDataPort(int port) {
    CloseDataPort();
    auto server = std::make_unique<net::TBasicServerSocket>();
    server->MaxConnections = 1;
    server->OnAccept = [this](net::TSockCtrl*, net::TSocketBase*) {
        restartDataTimer();
        DataAccepted();
    };
    server->OnRead = [this](net::TSockCtrl*, net::TSocketBase* s) { onDataRead(s); };
    server->OnDisconnect = [this](net::TSockCtrl*, net::TSocketBase* s) { onDataDisconnect(s); };
    try {
        server->SetAddress("0.0.0.0");
        setPortNumber(*server, port);
        server->Listen();
    } catch (const std::exception&) {
        return false;
    }
    Data = std::move(server);
    restartDataTimer();
    return true;
}

void TClientFTP::CloseDataPort() {
    DataTimer->stop();
    if (!Data) return;
    Data->Close();
    Data.reset();
}

void TClientFTP::restartDataTimer() {
    if (TimeOut > 0)
        DataTimer->start(TimeOut * 1000);
    else
        DataTimer->stop();
}

void TClientFTP::onDataRead(net::TSocketBase* s) {
    restartDataTimer();
    // OnProgress may destroy the component, and the data socket with it.
    const std::shared_ptr<bool> alive = Alive;
    try {
        // Until nothing is waiting (0: would block, or the peer has closed, which its
        // close event then reports).
        while (*alive && s->Connected()) {
            const int n = s->Recv(DataBuffer.data(), static_cast<int>(DataBuffer.size()));
            if (n <= 0) break;
            DataReceived(DataBuffer.data(), static_cast<size_t>(n));
        }
    } catch (const net::ESockError&) {
        // A reset arrives as the close event that follows it.
    }
}

void TClientFTP::onDataDisconnect(net::TSocketBase* s) {
    DataTimer->stop();
    const std::shared_ptr<bool> alive = Alive;
    try {
        unsigned long waiting = 0;
        while (net::WinsockAPI().ioctlsocket(s->Handle(), net::FIONREAD_CMD, &waiting) == 0 && waiting > 0) {
            const int n = s->Recv(DataBuffer.data(), static_cast<int>(DataBuffer.size()));
            if (n <= 0) break;
            DataReceived(DataBuffer.data(), static_cast<size_t>(n));
            if (!*alive) return;
        }
    } catch (const net::ESockError&) {
    }
    DataClosed();
}

void TClientFTP::OperationFinished() { platform::WakeUp(); }

void TClientFTP::Progress() {
    if (OnProgress) OnProgress(this, BytesReceived());
}

} // namespace ftp
