#include "net/server_socket.h"

#include "net/sock_error.h"

#include <algorithm>

namespace net {

TSocketBase* TSocketList::Add(std::unique_ptr<TSocketBase> socket) {
    Items.push_back(std::move(socket));
    return Items.back().get();
}

TSocketBase* TSocketList::Find(TSocket handle) const {
    for (const auto& s : Items)
        if (s->Handle() == handle) return s.get();
    return nullptr;
}

bool TSocketList::Contains(const TSocketBase* socket) const {
    return std::any_of(Items.begin(), Items.end(), [&](const auto& s) { return s.get() == socket; });
}

bool TSocketList::Remove(const TSocketBase* socket) {
    auto it = std::find_if(Items.begin(), Items.end(), [&](const auto& s) { return s.get() == socket; });
    if (it == Items.end()) return false;
    Items.erase(it);
    return true;
}

TCustomBasicServerSocket::TCustomBasicServerSocket() = default;

// Accepted connections go first: their destructors close their handles without events.
TCustomBasicServerSocket::~TCustomBasicServerSocket() { Connections.Clear(); }

void TCustomBasicServerSocket::Listen(TSocketFactory socketClass, const char* className) {
    SetSocketClass(std::move(socketClass), className);
    SocketObj = CreateSocket();
    SocketObj->Listen(HostNameText, QueueLength, PortNo, Service, Dotted);
}

void TCustomBasicServerSocket::Listen() {
    Listen([](TSockCtrl* o) { return std::make_unique<TStreamSocket>(o); }, "TStreamSocket");
}

void TCustomBasicServerSocket::Close() {
    StopTimeOut();
    if (SocketObj) SocketObj->Close();
}

void TCustomBasicServerSocket::Notify(unsigned, uintptr_t wParam, intptr_t lParam) {
    const auto handle = static_cast<TSocket>(wParam);
    // An event of a socket that has been closed since (its descriptor may be reused).
    if (tWinsockAPISV::SelectGeneration(lParam) != DescriptorGeneration(handle)) return;
    const int event = tWinsockAPISV::SelectEvent(lParam);
    if (event == FD_ACCEPT) {
        if (SocketObj && SocketObj->Handle() == handle) AcceptConnection();
        return;
    }
    TSocketBase* s = nullptr;
    if (SocketObj && SocketObj->SocketType() == 2)
        s = SocketObj->Handle() == handle ? SocketObj.get() : nullptr;
    else
        s = Connections.Find(handle);
    if (!s) {
        if (OnInfo) OnInfo(this, siNoSuchSocket, nullptr);
        return;
    }
    s->LastError = tWinsockAPISV::SelectError(lParam);
    switch (event) {
    case FD_READ: HandleRead(s); break;
    case FD_WRITE: HandleWrite(s); break;
    case FD_CLOSE: HandleClose(s); break;
    default: break;
    }
}

void TCustomBasicServerSocket::AcceptConnection() {
    if (!SocketObj) return;
    tWinsockAPISV& api = WinsockAPI();
    std::unique_ptr<TSocketBase> fresh = CreateSocket();
    sockaddr_in peer{};
    const TSocket h = api.accept(SocketObj->Handle(), &peer);
    if (h == INVALID_SOCKET) {
        api.WSAGetLastError(); // a connection that went away before it was taken
        return;
    }
    TSocketBase* s = Connections.Add(std::move(fresh));
    s->Address = peer;
    s->Attach(h, ClientOptions);
    if (judgeRejects(s)) {
        Info(s, siReject);
        RejectConnection(s);
    } else {
        Info(s, siAccept);
        s->DoAccept();
    }
}

bool TCustomBasicServerSocket::judgeRejects(TSocketBase* socket) {
    if (static_cast<int>(Connections.Count()) > MaxConnections) return true;
    int port = 0;
    const std::string dotted = WinsockAPI().PeerAddress(socket->Address, port);
    // A peer that cannot be judged (its reverse look-up failed) is refused: letting it in
    // would open a restricted server to every host whose name does not resolve.
    try {
        if (AllowOnlyIfReverseDNS && LookupHostByAddr(dotted).empty()) return true;
        const bool listed = HostListed(dotted);
        return Restriction == hrDeny ? listed : !listed;
    } catch (const ESockError&) {
        return true;
    }
}

void TCustomBasicServerSocket::RejectConnection(TSocketBase* socket) {
    socket->DoReject();
    socket->Close();
}

void TCustomBasicServerSocket::SocketClosed(TSocketBase* socket) {
    if (Connections.Remove(socket)) return;
    // Only the listening socket's close drops the component's deferred events; events of
    // other connections that are still open must stay queued.
    TSockCtrl::SocketClosed(socket);
}

namespace {

// Takes the leading dot-separated component off Rest.
std::string takeComponent(std::string& rest) {
    const size_t dot = rest.find('.');
    std::string part = rest.substr(0, dot);
    rest.erase(0, dot == std::string::npos ? rest.size() : dot + 1);
    return part;
}

bool componentsMatch(std::string pattern, std::string subject, bool* numeric) {
    bool matched = true;
    while ((!numeric || *numeric) && pattern != subject && !pattern.empty() && !subject.empty()) {
        const std::string p = takeComponent(pattern);
        const std::string h = takeComponent(subject);
        if (numeric) *numeric = p == "*" || tWinsockAPISV::IsNumber(p);
        if (p != h && p != "*") matched = false;
    }
    return matched;
}

} // namespace

bool TCustomBasicServerSocket::matchesLine(const std::string& line, const std::string& address,
                                           std::string& hostName, bool& hostNameKnown) {
    bool numeric = true;
    const bool matched = componentsMatch(line, address, &numeric);
    if (numeric) return matched;
    if (!hostNameKnown) {
        hostName = LookupHostByAddr(address);
        hostNameKnown = true;
    }
    return componentsMatch(line, hostName, nullptr);
}

bool TCustomBasicServerSocket::HostListed(const std::string& address) {
    std::string hostName;
    bool hostNameKnown = false;
    for (const std::string& line : RestrictedHosts) {
        // A blank line (a trailing newline of a hosts file) would match every address.
        if (line.find_first_not_of(" \t\r\n") == std::string::npos) continue;
        if (matchesLine(line, address, hostName, hostNameKnown)) return true;
    }
    return false;
}

} // namespace net
