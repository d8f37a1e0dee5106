#include "net/socket_components.h"

#include "net/lookup_workers.h"
#include "net/server_socket.h"
#include "net/sock_error.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <deque>
#include <optional>
#include <sys/socket.h>

namespace net {

const char* const SockInfoTexts[13] = {
    "Inactive",       "Looking-up a host name", "Connecting",  "Connection",
    "Listening",      "Receiving Data",         "Sending Data", "Closed",
    "Connection timed out", "Accepting connection", "Error: No such socket",
    "Rejecting Connection", "Disconnected"};

namespace {

struct DeferredRecord {
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
    TSockCtrl* target; // cleared when the component closes its socket or goes away
};

// The process-wide state of the components: their count, the nesting of look-up waits,
// the queue of socket events deferred during a wait, the time-out chain and its timer.
struct Globals {
    int components = 0;
    int waitNesting = 0;
    std::deque<DeferredRecord> deferred;
    std::vector<TSockCtrl*> chain; // tail first, head last
    QTimer* timer = nullptr;
    int nameCounter = 0;
};

Globals& g() {
    static Globals globals;
    return globals;
}

bool terminating() { return QCoreApplication::closingDown(); }

void clearDeferredFor(TSockCtrl* c) {
    for (DeferredRecord& r : g().deferred)
        if (r.target == c) r.target = nullptr;
}

// After any message: replay the oldest deferred socket event unless a wait runs.
void replayOne(const QPointer<platform::TMessageTarget>& window) {
    Globals& st = g();
    if (st.waitNesting != 0 || st.deferred.empty()) return;
    DeferredRecord r = st.deferred.front();
    st.deferred.pop_front();
    if (!st.deferred.empty() && window) platform::PostMessage(window, CM_REPLAY);
    if (r.target) r.target->Notify(r.msg, r.wParam, r.lParam);
}

void tick() {
    std::vector<TSockCtrl*> walk = g().chain;
    for (TSockCtrl* c : walk) {
        auto& chain = g().chain;
        if (std::find(chain.begin(), chain.end(), c) == chain.end()) continue;
        if (c->SecondsLeft > 0) --c->SecondsLeft;
        if (c->SecondsLeft == 0) {
            c->StopTimeOut();
            TSocketBase* s = c->Socket();
            c->Info(s, siTimedOut);
            c->HandleTimeOut(s);
        }
    }
}

} // namespace

// ---- Socket objects ----

int Transferred(tWinsockAPISV& api, int n, int context) {
    if (n != SOCKET_ERROR) return n;
    const int e = api.WSAGetLastError();
    if (e == WSAEWOULDBLOCK) return 0;
    RaiseSockError(e, context);
}

TSocketBase::TSocketBase(TSockCtrl* owner) : OwnerCtrl(owner) {
    Address.sin_family = AF_INET;
}

TSocketBase::~TSocketBase() {
    if (SocketHandle != INVALID_SOCKET) {
        if (OwnerCtrl) OwnerCtrl->SecondsLeft = 0;
        WinsockAPI().closesocket(SocketHandle);
    }
}

void TSocketBase::DoRead() {
    if (OwnerCtrl->OnRead) OwnerCtrl->OnRead(OwnerCtrl, this);
}
void TSocketBase::DoWrite() {
    if (OwnerCtrl->OnWrite) OwnerCtrl->OnWrite(OwnerCtrl, this);
}
void TSocketBase::DoAccept() {
    if (auto* c = dynamic_cast<TCustomBasicServerSocket*>(OwnerCtrl); c && c->OnAccept) c->OnAccept(c, this);
}
void TSocketBase::DoConnect() {
    if (auto* c = dynamic_cast<TCustomClientSocket*>(OwnerCtrl); c && c->OnConnect) c->OnConnect(c, this);
}
void TSocketBase::DoDisconnect(int) {
    DoInfo(siDisconnected);
    if (OwnerCtrl->OnDisconnect) OwnerCtrl->OnDisconnect(OwnerCtrl, this);
    Close();
}
void TSocketBase::DoInfo(TSockInfo code) {
    if (code == siListen) State = ssListening;
    if (code == siClosed) State = ssClosed;
    if (OwnerCtrl->OnInfo) OwnerCtrl->OnInfo(OwnerCtrl, code, this);
}
void TSocketBase::DoTimeOut() {
    if (OwnerCtrl->OnTimeOut) OwnerCtrl->OnTimeOut(OwnerCtrl, this);
}
void TSocketBase::DoReject() {
    if (auto* c = dynamic_cast<TCustomBasicServerSocket*>(OwnerCtrl); c && c->OnReject) c->OnReject(c, this);
}

std::string TSocketBase::GetName() {
    if (Name.empty()) Name = "socket" + std::to_string(g().nameCounter++);
    return Name;
}

void TSocketBase::SetSocketType(int type) { Type = type; }

void TSocketBase::Attach(TSocket handle, TAsyncOptions options) {
    tWinsockAPISV& api = WinsockAPI();
    if (SocketHandle != INVALID_SOCKET) api.closesocket(SocketHandle);
    SocketHandle = handle;
    State = ssConnected;
    api.WSAAsyncSelect(handle, OwnerCtrl->Window(), CM_SOCKETMESSAGE,
                       static_cast<long>(options & 7) | FD_CLOSE);
}

void TSocketBase::BindAndTakePort(const sockaddr_in& addr) {
    tWinsockAPISV& api = WinsockAPI();
    BeforeBind();
    if (api.bind(SocketHandle, addr) != 0) RaiseSockError(api.WSAGetLastError(), SockErrBinding);
    sockaddr_in bound{};
    if (api.getsockname(SocketHandle, &bound) != 0) RaiseSockError(api.WSAGetLastError(), SockErrGettingSockName);
    Address = bound;
    OwnerCtrl->SetBoundPort(api.ntohs(bound.sin_port));
}

TStreamSocket::TStreamSocket(TSockCtrl* owner) : TSocketBase(owner) { Type = 1; }

void TStreamSocket::SetSocketType(int type) {
    if (type != 1) RaiseSockError(0, SockErrNotStreamType);
    Type = type;
}

int TStreamSocket::Send(const char* buffer, int count) {
    if (count == 0) return 0;
    DoInfo(siSend);
    if (SocketHandle == INVALID_SOCKET || !Connected()) return 0;
    tWinsockAPISV& api = WinsockAPI();
    int n = api.send(SocketHandle, buffer, count, 0);
    return Transferred(api, n, SockErrSending);
}

int TStreamSocket::Recv(char* buffer, int count) {
    DoInfo(siRecv);
    if (SocketHandle == INVALID_SOCKET || (State != ssConnected && State != ssClosing))
        RaiseSockError(0, SockErrNotOpen);
    tWinsockAPISV& api = WinsockAPI();
    int n = api.recv(SocketHandle, buffer, count, 0);
    return Transferred(api, n, SockErrReceiving);
}

TSocket TStreamSocket::openFresh() {
    tWinsockAPISV& api = WinsockAPI();
    if (SocketHandle != INVALID_SOCKET) {
        api.closesocket(SocketHandle);
        SocketHandle = INVALID_SOCKET;
    }
    const TSocket h = api.socket(AF_INET, SOCK_STREAM, 0);
    if (h == INVALID_SOCKET) RaiseSockError(api.WSAGetLastError(), SockErrCreatingSocket);
    SocketHandle = h;
    return h;
}

void TStreamSocket::Connect(const std::string& hostName, TAsyncOptions options, uint16_t port,
                            const std::string& serviceName, const std::string& dottedAddress) {
    tWinsockAPISV& api = WinsockAPI();
    if (!api.Started()) RaiseSockError(WSANOTINITIALISED, 0);
    if (Connected()) RaiseSockError(WSAEISCONN, 0);
    const TSocket h = openFresh();
    const std::shared_ptr<const bool> alive = OwnerCtrl->Liveness();
    try {
        DoInfo(siLookUp);
        OwnerCtrl->ResolveAddress(Address, hostName, port, serviceName, dottedAddress);
        // A connect started on this object while the name was looked up has replaced the
        // socket: that attempt owns the object now, and this one is over.
        if (SocketHandle != h) return;
        api.WSAAsyncSelect(h, OwnerCtrl->Window(), CM_SOCKETMESSAGE,
                           static_cast<long>(options & 7) | FD_CONNECT | FD_CLOSE);
        OwnerCtrl->StartTimeOut();
        DoInfo(siConnect);
        if (api.connect(h, Address) != 0) {
            int e = api.WSAGetLastError();
            if (e != WSAEWOULDBLOCK) RaiseSockError(e, SockErrConnecting);
        }
    } catch (...) {
        // The component (and this object with it) went away during the look-up.
        if (!*alive) throw;
        // Closed or restarted during the look-up: this attempt is over, as on success.
        if (SocketHandle != h) return;
        OwnerCtrl->StopTimeOut();
        api.closesocket(SocketHandle);
        SocketHandle = INVALID_SOCKET;
        throw;
    }
}

void TStreamSocket::Listen(const std::string& hostName, int queueLength, uint16_t port,
                           const std::string& serviceName, const std::string& dottedAddress) {
    tWinsockAPISV& api = WinsockAPI();
    if (!api.Started()) RaiseSockError(WSANOTINITIALISED, 0);
    const TSocket h = openFresh();
    const std::shared_ptr<const bool> alive = OwnerCtrl->Liveness();
    try {
        OwnerCtrl->ResolveAddress(Address, hostName, port, serviceName, dottedAddress);
        BindAndTakePort(Address);
        api.WSAAsyncSelect(h, OwnerCtrl->Window(), CM_SOCKETMESSAGE, FD_ACCEPT | FD_CLOSE);
        if (api.listen(h, queueLength) != 0) RaiseSockError(api.WSAGetLastError(), SockErrListening);
    } catch (...) {
        // A socket that could not listen is not left half open on its port.
        if (*alive && SocketHandle == h) {
            api.closesocket(h);
            SocketHandle = INVALID_SOCKET;
        }
        throw;
    }
    DoInfo(siListen);
}

void TStreamSocket::Close() {
    tWinsockAPISV& api = WinsockAPI();
    if (!api.Started() || SocketHandle == INVALID_SOCKET) return;
    OwnerCtrl->SecondsLeft = 0;
    if (State == ssConnected) {
        State = ssClosing;
        if (OwnerCtrl->OnRead) {
            // Bytes still waiting are delivered before "Closed"; a reader that takes
            // nothing ends the loop instead of spinning on it.
            unsigned long waiting = 0, before = 0;
            while (true) {
                if (api.ioctlsocket(SocketHandle, FIONREAD_CMD, &waiting) != 0)
                    RaiseSockError(api.WSAGetLastError(), SockErrBytesWaiting);
                if (waiting == 0 || (before != 0 && waiting >= before)) break;
                before = waiting;
                OwnerCtrl->HandleRead(this);
                if (SocketHandle == INVALID_SOCKET) return;
            }
        }
    }
    api.closesocket(SocketHandle);
    SocketHandle = INVALID_SOCKET;
    DoInfo(siClosed);
    Reserved = 0;
    platform::PostMessage(OwnerCtrl->Window(), CM_SOCKETCLOSED, 0, reinterpret_cast<intptr_t>(this));
    OwnerCtrl->StopTimeOut();
}

// ---- Components ----

TSockCtrl::TSockCtrl()
    : NotifyWindow(std::make_unique<platform::TMessageForwarder>(
          [this](unsigned msg, uintptr_t w, intptr_t l) { return WindowMessage(msg, w, l); })) {
    tWinsockAPISV& api = WinsockAPI();
    ++g().components;
    if (!api.Started()) {
        TWSAData data;
        int r = api.WSAStartup(257, data);
        if (r != 0) {
            --g().components;
            RaiseSockError(r, SockErrStartingUp);
        }
    }
    SocketClass = [](TSockCtrl* o) { return std::make_unique<TStreamSocket>(o); };
    SocketClassName = "TStreamSocket";
}

TSockCtrl::~TSockCtrl() {
    *Alive = false;
    platform::WakeUp();
    StopTimeOut();
    SocketObj.reset();
    Retired.clear();
    clearDeferredFor(this);
    NotifyWindow.reset();
    if (--g().components == 0) {
        tWinsockAPISV& api = WinsockAPI();
        if (api.WSAIsBlocking()) api.WSACancelBlockingCall();
        api.WSACleanup();
        g().deferred.clear();
        delete g().timer;
        g().timer = nullptr;
        FreeWinsockAPI();
    }
}

int TSockCtrl::ComponentCount() { return g().components; }
size_t TSockCtrl::DeferredCount() { return g().deferred.size(); }
int TSockCtrl::WaitNesting() { return g().waitNesting; }

intptr_t TSockCtrl::WindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (terminating() && msg != CM_SOCKETCLOSED) return 0;
    QPointer<platform::TMessageTarget> window = NotifyWindow.get();
    try {
        switch (msg) {
        case CM_SOCKETMESSAGE:
            if (g().waitNesting > 0 || !g().deferred.empty())
                g().deferred.push_back({msg, wParam, lParam, this});
            else
                Notify(msg, wParam, lParam);
            break;
        case CM_SOCKETCLOSED: SocketClosed(reinterpret_cast<TSocketBase*>(lParam)); break;
        case CM_ASYNCCOMPLETE: AsyncComplete(wParam, lParam); break;
        case CM_LOOKUPCOMPLETE:
            LookupRecord.Handle = static_cast<int>(wParam);
            LookupRecord.Error = tWinsockAPISV::SelectError(lParam);
            LookupRecord.Length = tWinsockAPISV::SelectEvent(lParam);
            Completed.push_back(LookupRecord);
            break;
        default: break;
        }
    } catch (...) {
        replayOne(window);
        throw;
    }
    replayOne(window);
    return 0;
}

void TSockCtrl::SocketClosed(TSocketBase*) { clearDeferredFor(this); }

void TSockCtrl::AsyncComplete(uintptr_t wParam, intptr_t lParam) {
    auto it = std::find_if(AsyncRequests.begin(), AsyncRequests.end(),
                           [&](const TAsyncInfo& a) { return a.Handle == static_cast<int>(wParam); });
    if (it == AsyncRequests.end()) return;
    StopTimeOut();
    it->Error = tWinsockAPISV::SelectError(lParam);
    TAsyncInfo info = *it;
    AsyncRequests.erase(it);
    if (OnAsyncComplete) OnAsyncComplete(this, info);
}

int TSockCtrl::WaitForAsync(int request) {
    Globals& st = g();
    ++st.waitNesting;
    ++Waits;
    const std::shared_ptr<const bool> alive = Alive;
    // The socket whose connect or listen this look-up serves, if any: closing it (or
    // replacing it) ends the wait at once, since its result could only be thrown away.
    const TSocketBase* const sock = SocketObj.get();
    const TSocket handle = sock ? sock->SocketHandle : INVALID_SOCKET;
    const uint32_t generation = DescriptorGeneration(handle);
    auto socketGone = [&] {
        return handle != INVALID_SOCKET && (SocketObj.get() != sock || sock->SocketHandle != handle ||
                                            DescriptorGeneration(handle) != generation);
    };
    auto completion = [&]() -> std::optional<TLookupRecord> {
        for (auto it = Completed.begin(); it != Completed.end(); ++it)
            if (it->Handle == request) {
                TLookupRecord r = *it;
                Completed.erase(it);
                return r;
            }
        return std::nullopt;
    };
    std::optional<TLookupRecord> done;
    bool aborted = false;
    while (!(done = completion()) && !Cancel) {
        if ((SocketObj && SocketObj->State == ssClosing) || socketGone() || terminating()) {
            aborted = true;
            break;
        }
        platform::HandleMessage();
        if (!*alive) {
            // Destroyed by a handler of the nested loop: only process-wide state is left.
            TLookupWorkers::Instance().Cancel(request);
            if (--st.waitNesting < 0) st.waitNesting = 0;
            return WSAEINTR;
        }
    }
    --Waits;
    if (--st.waitNesting <= 0) {
        // Nested waits each keep events deferred until the outermost one ends.
        st.waitNesting = 0;
        platform::PostMessage(NotifyWindow.get(), CM_REPLAY);
    }
    if (done) {
        LookupRecord = *done;
    } else {
        // A time-out, or an abort: either way the look-up has no result.
        if (aborted) SecondsLeft = 0;
        LookupRecord = {request, Cancel ? WSAETIMEDOUT : WSAEINTR, 0};
        WinsockAPI().WSACancelAsyncRequest(request);
    }
    return LookupRecord.Error;
}

std::unique_ptr<TSocketBase> TSockCtrl::CreateSocket() {
    if (!SocketClass) RaiseSockError(0, SockErrNoSocketClass);
    return SocketClass(this);
}

TSocketBase* TSockCtrl::Socket() {
    if (!SocketObj) SocketObj = CreateSocket();
    return SocketObj.get();
}

void TSockCtrl::SetSocketClass(TSocketFactory factory, const char* className) {
    if (className && SocketClassName == className) return;
    int tag = SocketObj ? SocketObj->Tag : 0;
    if (Waits > 0 && SocketObj) {
        // A connect of this object may be waiting for its look-up: close it without
        // events, as destroying it would, and keep its memory for that frame.
        SocketObj->Close();
        Retired.push_back(std::move(SocketObj));
    }
    SocketObj.reset();
    SocketClass = std::move(factory);
    SocketClassName = className ? className : "";
    if (tag && SocketClass) Socket()->Tag = tag;
}

void TSockCtrl::HandleClose(TSocketBase* socket) {
    if (socket->Connected()) StopTimeOut();
    socket->DoDisconnect(socket->LastError);
}

void TSockCtrl::Info(TSocketBase* socket, TSockInfo code) { socket->DoInfo(code); }
void TSockCtrl::HandleRead(TSocketBase* socket) { socket->DoRead(); }
void TSockCtrl::HandleWrite(TSocketBase* socket) { socket->DoWrite(); }
void TSockCtrl::HandleTimeOut(TSocketBase* socket) {
    Cancel = true;
    platform::WakeUp();
    socket->DoTimeOut();
}

void TSockCtrl::SetAddress(const std::string& text) {
    AddressText = text.substr(0, 255);
    if (WinsockAPI().IsDottedAddress(AddressText)) {
        Dotted = AddressText;
        HostNameText.clear();
    } else {
        HostNameText = AddressText;
        Dotted.clear();
    }
}

void TSockCtrl::SetPort(const std::string& text) {
    PortText = text.substr(0, 255);
    const bool started = WinsockAPI().Started();
    if (tWinsockAPISV::IsNumber(PortText)) {
        // A number no port can have is no port at all (0, which nothing listens on),
        // rather than some other port that its lower 16 bits name.
        const size_t digits = PortText.find_first_not_of('0');
        const std::string significant = digits == std::string::npos ? "0" : PortText.substr(digits);
        const unsigned long number = significant.size() > 5 ? 65536ul : std::stoul(significant);
        PortNo = number > 65535 ? 0 : static_cast<uint16_t>(number);
        // The look-up waits in a message loop in which the component may be destroyed:
        // its result is stored only into a component that is still there.
        const std::shared_ptr<const bool> alive = Alive;
        std::string service = started ? LookupServiceByPort(PortNo) : std::string();
        if (*alive) Service = std::move(service);
    } else {
        Service = PortText;
        const std::shared_ptr<const bool> alive = Alive;
        const uint16_t number = started ? LookupServiceByName(PortText) : 0;
        if (*alive) PortNo = number;
    }
}

void TSockCtrl::SetBoundPort(uint16_t port) {
    PortNo = port;
    PortText = std::to_string(port);
}

void TSockCtrl::SetProtocol(const std::string& text) {
    static const struct {
        const char* name;
        int number;
    } table[] = {{"IP", 0},  {"ICMP", 1}, {"GGP", 2},  {"TCP", 6},  {"PUP", 12},
                 {"UDP", 17}, {"IDP", 22}, {"ND", 77}, {"RAW", 255}};
    ProtocolText = text.substr(0, 255);
    ProtoName = ProtocolText;
    if (tWinsockAPISV::IsNumber(ProtocolText) && ProtocolText.size() < 6) {
        ProtoNo = std::stoi(ProtocolText);
        ProtoName.clear();
        for (auto& t : table)
            if (t.number == ProtoNo) ProtoName = t.name;
        return;
    }
    ProtoNo = -1;
    for (auto& t : table)
        if (strcasecmp(t.name, ProtocolText.c_str()) == 0) ProtoNo = t.number;
}

void TSockCtrl::ResolveAddress(sockaddr_in& addr, const std::string& hostName, uint16_t port,
                               const std::string& serviceName, const std::string& dottedAddress) {
    tWinsockAPISV& api = WinsockAPI();
    addr.sin_family = AF_INET;
    if (!hostName.empty()) {
        addr.sin_addr.s_addr = LookupHostByName(hostName);
        Dotted = api.inet_ntoa(addr.sin_addr.s_addr);
    } else {
        if (dottedAddress.empty()) RaiseSockError(0, SockErrNoAddress);
        addr.sin_addr.s_addr =
            dottedAddress == "0.0.0.0" ? 0u : api.inet_addr(dottedAddress);
    }
    if (!serviceName.empty()) {
        const std::shared_ptr<const bool> alive = Alive;
        port = LookupServiceByName(serviceName);
        // Gone during the look-up, and the binding with it when it was the last component.
        if (!*alive) RaiseSockError(WSAEINTR, 0);
    }
    addr.sin_port = api.htons(port);
}

namespace {
struct LookupTimeOut {
    TSockCtrl& c;
    std::shared_ptr<const bool> alive;
    explicit LookupTimeOut(TSockCtrl& ctrl) : c(ctrl), alive(ctrl.Liveness()) { c.StartTimeOut(); }
    ~LookupTimeOut() {
        if (*alive) c.StopTimeOut();
    }
};
} // namespace

uint32_t TSockCtrl::LookupHostByName(const std::string& name) {
    tWinsockAPISV& api = WinsockAPI();
    std::vector<char> buf(1024);
    LookupTimeOut t(*this);
    int h = api.WSAAsyncGetHostByName(NotifyWindow.get(), CM_LOOKUPCOMPLETE, name, buf.data(), 1024);
    if (h == 0) RaiseSockError(api.WSAGetLastError(), SockErrCallingGetHostByName);
    int err = WaitForAsync(h);
    if (err != 0) RaiseSockError(err, SockErrFindingAddress);
    uint32_t a;
    std::memcpy(&a, buf.data(), 4);
    return a;
}

std::string TSockCtrl::LookupHostByAddr(const std::string& dotted) {
    tWinsockAPISV& api = WinsockAPI();
    uint32_t a = api.inet_addr(dotted);
    if (a == 0 || dotted == "0.0.0.0") RaiseSockError(0, SockErrReverseLookupOfZero);
    std::vector<char> buf(1024);
    LookupTimeOut t(*this);
    int h = api.WSAAsyncGetHostByAddr(NotifyWindow.get(), CM_LOOKUPCOMPLETE, a, buf.data(), 1024);
    if (h == 0) RaiseSockError(api.WSAGetLastError(), SockErrCallingGetHostByAddr);
    int err = WaitForAsync(h);
    if (err != 0) RaiseSockError(err, SockErrFindingHost);
    return std::string(buf.data(), strnlen(buf.data(), 1024));
}

uint16_t TSockCtrl::LookupServiceByName(const std::string& name) {
    tWinsockAPISV& api = WinsockAPI();
    std::vector<char> buf(1024);
    LookupTimeOut t(*this);
    int h = api.WSAAsyncGetServByName(NotifyWindow.get(), CM_LOOKUPCOMPLETE, name, ProtoName,
                                      buf.data(), 1024);
    if (h == 0) RaiseSockError(api.WSAGetLastError(), SockErrCallingGetServByName);
    if (WaitForAsync(h) != 0) return 0;
    uint16_t p;
    std::memcpy(&p, buf.data(), 2);
    return api.ntohs(p);
}

std::string TSockCtrl::LookupServiceByPort(uint16_t port) {
    tWinsockAPISV& api = WinsockAPI();
    std::vector<char> buf(1024);
    LookupTimeOut t(*this);
    int h = api.WSAAsyncGetServByPort(NotifyWindow.get(), CM_LOOKUPCOMPLETE, api.htons(port),
                                      ProtoName, buf.data(), 1024);
    if (h == 0) RaiseSockError(api.WSAGetLastError(), SockErrCallingGetServByPort);
    if (WaitForAsync(h) != 0) return {};
    return std::string(buf.data(), strnlen(buf.data(), 1024));
}

void TSockCtrl::StartTimeOut() {
    if (TimeOut <= 0 || !OnTimeOut) return;
    Globals& st = g();
    if (!InChain) {
        st.chain.push_back(this);
        InChain = true;
    }
    SecondsLeft = TimeOut;
    Cancel = false;
    if (!st.timer) {
        st.timer = new QTimer;
        st.timer->setInterval(1000);
        QObject::connect(st.timer, &QTimer::timeout, [] { platform::Guard(tick); });
    }
    if (!st.timer->isActive()) st.timer->start();
}

void TSockCtrl::StopTimeOut() {
    Globals& st = g();
    if (InChain) {
        std::erase(st.chain, this);
        InChain = false;
    }
    if (st.chain.empty() && st.timer) st.timer->stop();
}

// ---- Client ----

TCustomClientSocket::TCustomClientSocket() = default;

void TCustomClientSocket::Connect() {
    if (SocketObj && SocketObj->Connected()) RaiseSockError(0, SockErrAlreadyOpen);
    Cancel = false;
    Socket()->Connect(HostNameText, Options, PortNo, Service, Dotted);
}

void TCustomClientSocket::Close() {
    StopTimeOut();
    if (SocketObj) SocketObj->Close();
}

void TCustomClientSocket::Notify(unsigned, uintptr_t wParam, intptr_t lParam) {
    TSocketBase* s = SocketObj.get();
    if (!s || static_cast<TSocket>(wParam) != s->SocketHandle) return;
    // An event of an earlier socket that had the same descriptor number.
    if (tWinsockAPISV::SelectGeneration(lParam) != DescriptorGeneration(s->SocketHandle)) return;
    s->LastError = tWinsockAPISV::SelectError(lParam);
    switch (tWinsockAPISV::SelectEvent(lParam)) {
    case FD_READ:
        if (!s->Connected()) HandleConnect(s);
        HandleRead(s);
        break;
    case FD_WRITE: HandleWrite(s); break;
    case FD_CONNECT:
        if (!s->Connected()) HandleConnect(s);
        break;
    case FD_CLOSE: HandleClose(s); break;
    default: break;
    }
}

void TCustomClientSocket::HandleConnect(TSocketBase* socket) {
    StopTimeOut();
    if (socket->LastError == 0) {
        socket->State = ssConnected;
        Info(socket, siConnected);
    }
    socket->DoConnect();
}

std::string LocalAddressOf(const TSocketBase* s) {
    if (!s) return {};
    sockaddr_in local{};
    if (WinsockAPI().getsockname(s->Handle(), &local) != 0) return {};
    return WinsockAPI().inet_ntoa(local.sin_addr.s_addr);
}

} // namespace net
