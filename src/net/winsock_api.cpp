#include "net/winsock_api.h"

#include "net/lookup_workers.h"
#include "net/sock_error.h"
#include "platform/messages.h"
#include "platform/text.h"

#include <QPointer>
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace net {

namespace {

using Fn = TWinsockFunction;

thread_local int lastError = 0;

int fail(int wsaCode) {
    lastError = wsaCode;
    return SOCKET_ERROR;
}
int failErrno() { return fail(ErrnoToWsa(errno)); }

static_assert(sizeof(intptr_t) >= 8, "socket messages carry the descriptor generation above 32 bits");

std::unordered_map<TSocket, uint32_t>& generations() {
    static std::unordered_map<TSocket, uint32_t> g;
    return g;
}
uint32_t lastGeneration = 0;

void newDescriptor(TSocket s) { generations()[s] = ++lastGeneration; }

// ---- Readiness notifications on QSocketNotifier, with the classic re-arming rules ----

struct SelectEntry {
    QPointer<platform::TMessageTarget> target;
    unsigned msg = 0;
    long mask = 0;
    std::unique_ptr<QSocketNotifier> readN, writeN;
    bool connectPending = false;
    bool closeSent = false;
    bool listening = false;
    bool datagram = false; // no connection: every readable moment is a datagram, even an empty one
};

std::unordered_map<TSocket, std::unique_ptr<SelectEntry>>& registry() {
    static std::unordered_map<TSocket, std::unique_ptr<SelectEntry>> r;
    return r;
}

SelectEntry* entryOf(TSocket s) {
    auto it = registry().find(s);
    return it == registry().end() ? nullptr : it->second.get();
}

void post(TSocket s, SelectEntry* e, int event, int error) {
    if (e->target && (e->mask & event))
        platform::PostMessage(e->target, e->msg, static_cast<uintptr_t>(s),
                              tWinsockAPISV::MakeLong(event, error) |
                                  static_cast<intptr_t>(static_cast<uint64_t>(DescriptorGeneration(s)) << 32));
}

void armRead(SelectEntry* e) {
    if (e && !e->closeSent && e->readN) e->readN->setEnabled(true);
}

void onReadable(TSocket s) {
    SelectEntry* e = entryOf(s);
    if (!e) return;
    e->readN->setEnabled(false); // level-triggered: re-armed by the next receive or accept
    if (e->listening) {
        post(s, e, FD_ACCEPT, 0);
        return;
    }
    char c;
    ssize_t n = ::recv(s, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0 || (n == 0 && e->datagram)) {
        if (e->mask & FD_READ)
            post(s, e, FD_READ, 0);
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        e->readN->setEnabled(true);
        return;
    }
    // The peer closed (0) or reset the connection: one close event.
    if (!e->closeSent) {
        e->closeSent = true;
        post(s, e, FD_CLOSE, n < 0 ? ErrnoToWsa(errno) : 0);
    }
}

void onWritable(TSocket s) {
    SelectEntry* e = entryOf(s);
    if (!e) return;
    e->writeN->setEnabled(false); // re-armed only by a send that would block
    if (e->connectPending) {
        e->connectPending = false;
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len);
        post(s, e, FD_CONNECT, ErrnoToWsa(err));
        if (err == 0) {
            post(s, e, FD_WRITE, 0);
            armRead(e);
        }
        return;
    }
    post(s, e, FD_WRITE, 0);
}

bool isConnected(TSocket s) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    return ::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &len) == 0;
}

bool isDatagram(TSocket s) {
    int v = 0;
    socklen_t len = sizeof v;
    return ::getsockopt(s, SOL_SOCKET, SO_TYPE, &v, &len) == 0 && v == SOCK_DGRAM;
}

bool isListening(TSocket s) {
    int v = 0;
    socklen_t len = sizeof v;
    return ::getsockopt(s, SOL_SOCKET, SO_ACCEPTCONN, &v, &len) == 0 && v;
}

// ---- Asynchronous look-ups ----

THostResolver& hostResolver() {
    static THostResolver resolver;
    return resolver;
}

int startLookup(platform::TMessageTarget* target, unsigned msg, char* buf, int bufLen, TLookupWork work,
                bool onThread) {
    const int h = TLookupWorkers::Instance().Start(target, msg, buf, bufLen, std::move(work), onThread);
    if (h == 0) lastError = WSASYSNOTREADY;
    return h;
}

std::string withZero(const char* s) { return std::string(s) + '\0'; }

// The result of a receive: every receive re-arms the next read event.
int received(TSocket s, ssize_t n) {
    const int err = errno;
    armRead(entryOf(s));
    if (n >= 0) return static_cast<int>(n);
    errno = err;
    return failErrno();
}

// The result of a send: a send that would have blocked arms the next write event.
int sent(TSocket s, ssize_t n) {
    if (n >= 0) return static_cast<int>(n);
    const int err = errno;
    if (err == EAGAIN)
        if (SelectEntry* e = entryOf(s)) e->writeN->setEnabled(true);
    errno = err;
    return failErrno();
}

} // namespace

// ---- The binding object ----

tWinsockAPISV::tWinsockAPISV() = default;

tWinsockAPISV::~tWinsockAPISV() = default;

void tWinsockAPISV::SetLibraryName(const std::string& name) {
    if (Module) RaiseSockError(0, SockErrLibraryLoaded);
    if (!LibName.empty() && platform::EqualNoCase(LibName, name)) return;
    LibName = name;
    if (!LibName.empty() && LibName.find('.') == std::string::npos) LibName += ".DLL";
}

int tWinsockAPISV::BoundFunctions() const {
    int n = 0;
    for (bool b : Bound) n += b;
    return n;
}

void tWinsockAPISV::bindFunction(TWinsockFunction f) {
    bool& bound = Bound[static_cast<size_t>(f)];
    if (bound) return;
    // The system's sockets are always there: "loading" only fixes the library name.
    if (!Module) {
        if (LibName.empty()) LibName = "WSOCK32.DLL";
        Module = true;
    }
    bound = true;
}

TSocket tWinsockAPISV::accept(TSocket s, sockaddr_in* addr) {
    bindFunction(Fn::accept);
    socklen_t len = sizeof(sockaddr_in);
    sockaddr_in tmp{};
    TSocket r = ::accept4(s, reinterpret_cast<sockaddr*>(addr ? addr : &tmp), &len, SOCK_CLOEXEC);
    int err = errno;
    armRead(entryOf(s));
    if (r < 0) {
        errno = err;
        failErrno();
        return INVALID_SOCKET;
    }
    newDescriptor(r);
    return r;
}

int tWinsockAPISV::bind(TSocket s, const sockaddr_in& addr) {
    bindFunction(Fn::bind);
    return ::bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 ? 0 : failErrno();
}

int tWinsockAPISV::closesocket(TSocket s) {
    bindFunction(Fn::closesocket);
    registry().erase(s); // notifiers go before the descriptor they watch
    generations().erase(s);
    return ::close(s) == 0 ? 0 : failErrno();
}

int tWinsockAPISV::connect(TSocket s, const sockaddr_in& addr) {
    bindFunction(Fn::connect);
    int r = ::connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    SelectEntry* e = entryOf(s);
    if (r == 0) {
        if (e) {
            post(s, e, FD_CONNECT, 0);
            post(s, e, FD_WRITE, 0);
            armRead(e);
        }
        return 0;
    }
    const int err = errno;
    if (err == EINPROGRESS) {
        if (e) {
            e->connectPending = true;
            e->writeN->setEnabled(true);
        }
        return fail(WSAEWOULDBLOCK);
    }
    // A non-blocking connect that fails at once (a refused loopback connection) still
    // reports through the connect event, as a slower failure would.
    if (e && (err == ECONNREFUSED || err == ENETUNREACH || err == EHOSTUNREACH || err == ETIMEDOUT)) {
        post(s, e, FD_CONNECT, ErrnoToWsa(err));
        return fail(WSAEWOULDBLOCK);
    }
    errno = err;
    return failErrno();
}

int tWinsockAPISV::ioctlsocket(TSocket s, long cmd, unsigned long* arg) {
    bindFunction(Fn::ioctlsocket);
    if (cmd == FIONREAD_CMD) {
        int n = 0;
        if (::ioctl(s, FIONREAD, &n) != 0) return failErrno();
        *arg = static_cast<unsigned long>(n);
        return 0;
    }
    if (cmd == FIONBIO_CMD) {
        int flags = ::fcntl(s, F_GETFL);
        if (flags < 0) return failErrno();
        flags = *arg ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
        return ::fcntl(s, F_SETFL, flags) == 0 ? 0 : failErrno();
    }
    return fail(WSAEINVAL);
}

int tWinsockAPISV::getsockname(TSocket s, sockaddr_in* addr) {
    bindFunction(Fn::getsockname);
    socklen_t len = sizeof(sockaddr_in);
    return ::getsockname(s, reinterpret_cast<sockaddr*>(addr), &len) == 0 ? 0 : failErrno();
}

uint16_t tWinsockAPISV::htons(uint16_t v) {
    bindFunction(Fn::htons);
    return ::htons(v);
}

uint32_t tWinsockAPISV::inet_addr(const std::string& text) {
    bindFunction(Fn::inet_addr);
    in_addr a{};
    if (::inet_aton(text.c_str(), &a) == 0) return INADDR_NONE;
    // inet_aton also takes "1" or "0x7f.1"; the classic parser did too.
    return a.s_addr;
}

std::string tWinsockAPISV::inet_ntoa(uint32_t addr) {
    bindFunction(Fn::inet_ntoa);
    in_addr a{};
    a.s_addr = addr;
    char buf[INET_ADDRSTRLEN];
    return ::inet_ntop(AF_INET, &a, buf, sizeof buf) ? buf : "";
}

int tWinsockAPISV::listen(TSocket s, int backlog) {
    bindFunction(Fn::listen);
    if (::listen(s, backlog) != 0) return failErrno();
    if (SelectEntry* e = entryOf(s)) {
        e->listening = true;
        armRead(e);
    }
    return 0;
}

uint32_t tWinsockAPISV::ntohl(uint32_t v) {
    bindFunction(Fn::ntohl);
    return ::ntohl(v);
}

uint16_t tWinsockAPISV::ntohs(uint16_t v) {
    bindFunction(Fn::ntohs);
    return ::ntohs(v);
}

int tWinsockAPISV::recv(TSocket s, char* buf, int len, int flags) {
    bindFunction(Fn::recv);
    ssize_t n = ::recv(s, buf, static_cast<size_t>(len), flags | MSG_DONTWAIT | MSG_NOSIGNAL);
    return received(s, n);
}

int tWinsockAPISV::recvfrom(TSocket s, char* buf, int len, int flags, sockaddr_in* from) {
    bindFunction(Fn::recvfrom);
    socklen_t fl = sizeof(sockaddr_in);
    sockaddr_in tmp{};
    ssize_t n = ::recvfrom(s, buf, static_cast<size_t>(len), flags | MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(from ? from : &tmp), &fl);
    return received(s, n);
}

int tWinsockAPISV::send(TSocket s, const char* buf, int len, int flags) {
    bindFunction(Fn::send);
    return sent(s, ::send(s, buf, static_cast<size_t>(len), flags | MSG_DONTWAIT | MSG_NOSIGNAL));
}

int tWinsockAPISV::sendto(TSocket s, const char* buf, int len, int flags, const sockaddr_in& to) {
    bindFunction(Fn::sendto);
    return sent(s, ::sendto(s, buf, static_cast<size_t>(len), flags | MSG_DONTWAIT | MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&to), sizeof to));
}

TSocket tWinsockAPISV::socket(int af, int type, int protocol) {
    bindFunction(Fn::socket);
    TSocket s = ::socket(af, type | SOCK_CLOEXEC, protocol);
    if (s < 0) {
        failErrno();
        return INVALID_SOCKET;
    }
    newDescriptor(s);
    return s;
}

int tWinsockAPISV::gethostname(std::string& name) {
    bindFunction(Fn::gethostname);
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return failErrno();
    name = buf;
    return 0;
}

int tWinsockAPISV::WSAStartup(uint16_t version, TWSAData& data) {
    bindFunction(Fn::WSAStartup);
    int result = (version & 0xFF) < 1 ? 10092 : 0;
    data.wVersion = 0x0101;
    data.wHighVersion = 0x0101;
    data.szDescription = "Webling sockets on POSIX";
    data.szSystemStatus = "Running";
    data.iMaxSockets = 1024;
    data.iMaxUdpDg = 65467;
    data.lpVendorInfo = nullptr;
    StartedFlag = result == 0;
    Data = data;
    return result;
}

int tWinsockAPISV::WSACleanup() {
    bindFunction(Fn::WSACleanup);
    int result = StartedFlag ? 0 : SOCKET_ERROR;
    if (!StartedFlag) lastError = WSANOTINITIALISED;
    StartedFlag = result != 0;
    return result;
}

int tWinsockAPISV::WSAGetLastError() {
    bindFunction(Fn::WSAGetLastError);
    return lastError;
}

bool tWinsockAPISV::WSAIsBlocking() {
    bindFunction(Fn::WSAIsBlocking);
    return false; // nothing here ever blocks the user-interface thread
}

int tWinsockAPISV::WSACancelBlockingCall() {
    bindFunction(Fn::WSACancelBlockingCall);
    return 0;
}

int tWinsockAPISV::WSAAsyncGetServByName(platform::TMessageTarget* target, unsigned msg,
                                         const std::string& name, const std::string& proto,
                                         char* buf, int bufLen) {
    bindFunction(Fn::WSAAsyncGetServByName);
    return startLookup(target, msg, buf, bufLen, [name, proto] {
        TLookupResult r;
        servent* se = ::getservbyname(name.c_str(), proto.empty() ? nullptr : proto.c_str());
        if (!se) {
            r.Error = WSANO_DATA;
            return r;
        }
        uint16_t port = static_cast<uint16_t>(se->s_port); // already network order
        r.Bytes.assign(reinterpret_cast<const char*>(&port), 2);
        return r;
    }, false);
}

int tWinsockAPISV::WSAAsyncGetServByPort(platform::TMessageTarget* target, unsigned msg, int port,
                                         const std::string& proto, char* buf, int bufLen) {
    bindFunction(Fn::WSAAsyncGetServByPort);
    return startLookup(target, msg, buf, bufLen, [port, proto] {
        TLookupResult r;
        servent* se = ::getservbyport(port, proto.empty() ? nullptr : proto.c_str());
        if (!se) {
            r.Error = WSANO_DATA;
            return r;
        }
        r.Bytes = withZero(se->s_name);
        return r;
    }, false);
}

int tWinsockAPISV::WSAAsyncGetHostByName(platform::TMessageTarget* target, unsigned msg,
                                         const std::string& name, char* buf, int bufLen) {
    bindFunction(Fn::WSAAsyncGetHostByName);
    THostResolver resolve = hostResolver();
    if (!resolve)
        resolve = [](const char* node, const addrinfo* hints, addrinfo** res) {
            return ::getaddrinfo(node, nullptr, hints, res);
        };
    return startLookup(target, msg, buf, bufLen, [name, resolve] {
        TLookupResult r;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_CANONNAME;
        addrinfo* res = nullptr;
        int g = resolve(name.c_str(), &hints, &res);
        if (g != 0 || !res) {
            if (res) ::freeaddrinfo(res);
            r.Error = g != 0 ? ResolverToWsa(g) : WSAHOST_NOT_FOUND;
            return r;
        }
        uint32_t a = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
        r.Bytes.assign(reinterpret_cast<const char*>(&a), 4);
        r.Bytes += withZero(res->ai_canonname ? res->ai_canonname : name.c_str());
        ::freeaddrinfo(res);
        return r;
    }, true);
}

int tWinsockAPISV::WSAAsyncGetHostByAddr(platform::TMessageTarget* target, unsigned msg,
                                         uint32_t addr, char* buf, int bufLen) {
    bindFunction(Fn::WSAAsyncGetHostByAddr);
    return startLookup(target, msg, buf, bufLen, [addr] {
        TLookupResult r;
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = addr;
        char host[NI_MAXHOST];
        int g = ::getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host,
                              nullptr, 0, NI_NAMEREQD);
        if (g != 0) {
            r.Error = ResolverToWsa(g);
            return r;
        }
        r.Bytes = withZero(host);
        return r;
    }, true);
}

int tWinsockAPISV::WSACancelAsyncRequest(int handle) {
    bindFunction(Fn::WSACancelAsyncRequest);
    return TLookupWorkers::Instance().Cancel(handle) ? 0 : fail(WSAEINVAL);
}

int tWinsockAPISV::WSAAsyncSelect(TSocket s, platform::TMessageTarget* target, unsigned msg, long mask) {
    bindFunction(Fn::WSAAsyncSelect);
    registry().erase(s);
    if (mask == 0) return 0;
    int flags = ::fcntl(s, F_GETFL);
    if (flags < 0 || ::fcntl(s, F_SETFL, flags | O_NONBLOCK) != 0) return failErrno();
    auto e = std::make_unique<SelectEntry>();
    e->target = target;
    e->msg = msg;
    e->mask = mask;
    e->readN = std::make_unique<QSocketNotifier>(s, QSocketNotifier::Read);
    e->writeN = std::make_unique<QSocketNotifier>(s, QSocketNotifier::Write);
    e->readN->setEnabled(false);
    e->writeN->setEnabled(false);
    QObject::connect(e->readN.get(), &QSocketNotifier::activated, [s] { onReadable(s); });
    QObject::connect(e->writeN.get(), &QSocketNotifier::activated, [s] { onWritable(s); });
    SelectEntry* raw = e.get();
    registry()[s] = std::move(e);
    if (isListening(s)) {
        raw->listening = true;
        armRead(raw);
    } else if (isDatagram(s)) {
        raw->datagram = true;
        armRead(raw);
    } else if (isConnected(s)) {
        // An already connected socket (an accepted one) is writable at once.
        post(s, raw, FD_WRITE, 0);
        armRead(raw);
    }
    return 0;
}

bool tWinsockAPISV::IsDottedAddress(const std::string& text) {
    return !text.empty() && inet_addr(text) != INADDR_NONE;
}

bool tWinsockAPISV::IsNumber(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string tWinsockAPISV::PeerAddress(const sockaddr_in& addr, int& port) {
    port = ntohs(addr.sin_port);
    return inet_ntoa(addr.sin_addr.s_addr);
}

std::string tWinsockAPISV::LocalHostName() {
    std::string name;
    if (!StartedFlag || gethostname(name) != 0) return {};
    return name;
}

namespace {
std::unique_ptr<tWinsockAPISV>& apiInstance() {
    static std::unique_ptr<tWinsockAPISV> api;
    return api;
}
} // namespace

tWinsockAPISV& WinsockAPI() {
    if (!apiInstance()) apiInstance() = std::make_unique<tWinsockAPISV>();
    return *apiInstance();
}

bool WinsockAPIExists() { return apiInstance() != nullptr; }

void FreeWinsockAPI() { apiInstance().reset(); }

bool HasAsyncSelect(TSocket s) { return entryOf(s) != nullptr; }

size_t LookupThreads() { return TLookupWorkers::Instance().Threads(); }

void SetHostResolver(THostResolver resolver) { hostResolver() = std::move(resolver); }

uint32_t DescriptorGeneration(TSocket s) {
    auto it = generations().find(s);
    return it == generations().end() ? 0 : it->second;
}

} // namespace net
