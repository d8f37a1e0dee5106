// The process-wide socket API binding: the classic socket functions with their classic
// meanings (error codes, asynchronous look-ups, readiness notifications posted as window
// messages), provided over the system's BSD sockets. Each function is bound on its first
// call; the library name and start-up bookkeeping behave as they always did.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <netdb.h>
#include <netinet/in.h>
#include <string>

// The byte-order helpers are methods of the binding; the C library's macros of the same
// names would rewrite them.
#undef htons
#undef ntohs
#undef ntohl
#undef htonl

namespace platform {
class TMessageTarget;
}

namespace net {

using TSocket = int;
constexpr TSocket INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

// Event bits of WSAAsyncSelect and of the socket message's low half.
constexpr int FD_READ = 1;
constexpr int FD_WRITE = 2;
constexpr int FD_OOB = 4;
constexpr int FD_ACCEPT = 8;
constexpr int FD_CONNECT = 16;
constexpr int FD_CLOSE = 32;

constexpr long FIONREAD_CMD = 0x4004667F;
constexpr long FIONBIO_CMD = static_cast<long>(0x8004667E);

struct TWSAData {
    uint16_t wVersion = 0;
    uint16_t wHighVersion = 0;
    std::string szDescription;
    std::string szSystemStatus;
    uint16_t iMaxSockets = 0;
    uint16_t iMaxUdpDg = 0;
    const char* lpVendorInfo = nullptr;
};

// The entries of the function table, in their order; each is bound on its first call.
enum class TWinsockFunction {
    accept, bind, closesocket, connect, ioctlsocket, getsockname, htons, inet_addr, inet_ntoa,
    listen, ntohl, ntohs, recv, recvfrom, send, sendto, socket, gethostname, WSAStartup,
    WSACleanup, WSAGetLastError, WSAIsBlocking, WSACancelBlockingCall, WSAAsyncGetServByName,
    WSAAsyncGetServByPort, WSAAsyncGetHostByName, WSAAsyncGetHostByAddr, WSACancelAsyncRequest,
    WSAAsyncSelect,
    Count
};

class tWinsockAPISV {
public:
    tWinsockAPISV();
    ~tWinsockAPISV();
    tWinsockAPISV(const tWinsockAPISV&) = delete;
    tWinsockAPISV& operator=(const tWinsockAPISV&) = delete;

    // The library name: fixed once the library is loaded (raises then).
    void SetLibraryName(const std::string& name);
    const std::string& LibraryName() const { return LibName; }
    bool Loaded() const { return Module; }
    bool Started() const { return StartedFlag; }
    // How many functions have been bound so far (each once, on its first call).
    int BoundFunctions() const;

    TSocket accept(TSocket s, sockaddr_in* addr);
    int bind(TSocket s, const sockaddr_in& addr);
    int closesocket(TSocket s);
    int connect(TSocket s, const sockaddr_in& addr);
    int ioctlsocket(TSocket s, long cmd, unsigned long* arg);
    int getsockname(TSocket s, sockaddr_in* addr);
    uint16_t htons(uint16_t v);
    uint32_t inet_addr(const std::string& text);
    std::string inet_ntoa(uint32_t addr);
    int listen(TSocket s, int backlog);
    uint32_t ntohl(uint32_t v);
    uint16_t ntohs(uint16_t v);
    int recv(TSocket s, char* buf, int len, int flags);
    int recvfrom(TSocket s, char* buf, int len, int flags, sockaddr_in* from);
    int send(TSocket s, const char* buf, int len, int flags);
    int sendto(TSocket s, const char* buf, int len, int flags, const sockaddr_in& to);
    TSocket socket(int af, int type, int protocol);
    int gethostname(std::string& name);
    int WSAStartup(uint16_t version, TWSAData& data);
    int WSACleanup();
    int WSAGetLastError();
    bool WSAIsBlocking();
    int WSACancelBlockingCall();
    // Asynchronous look-ups: the result is written into Buf (at most BufLen bytes) and the
    // message Msg is posted to Target with the request handle and MAKELONG(length, error).
    // Host by name: 4 bytes of IPv4 address (network order), then the official name.
    // Host by address: the official name, zero-terminated. Service by name: 2 bytes of
    // port (network order). Service by port: the service name, zero-terminated.
    int WSAAsyncGetServByName(platform::TMessageTarget* target, unsigned msg, const std::string& name,
                              const std::string& proto, char* buf, int bufLen);
    int WSAAsyncGetServByPort(platform::TMessageTarget* target, unsigned msg, int port,
                              const std::string& proto, char* buf, int bufLen);
    int WSAAsyncGetHostByName(platform::TMessageTarget* target, unsigned msg, const std::string& name,
                              char* buf, int bufLen);
    int WSAAsyncGetHostByAddr(platform::TMessageTarget* target, unsigned msg, uint32_t addr,
                              char* buf, int bufLen);
    int WSACancelAsyncRequest(int handle);
    // Posts Msg to Target with (socket, MAKELONG(event, error)) for the events of Mask;
    // a mask of 0 stops the notifications.
    int WSAAsyncSelect(TSocket s, platform::TMessageTarget* target, unsigned msg, long mask);

    // Utility operations.
    static int SelectEvent(intptr_t lParam) { return static_cast<int>(lParam & 0xFFFF); }
    static int SelectError(intptr_t lParam) { return static_cast<int>((lParam >> 16) & 0xFFFF); }
    static intptr_t MakeLong(int low, int high) {
        return static_cast<intptr_t>((static_cast<uint32_t>(high) << 16) | (static_cast<uint32_t>(low) & 0xFFFF));
    }
    // The descriptor's generation that a socket message was posted for (above the 32 bits
    // of event and error); see DescriptorGeneration.
    static uint32_t SelectGeneration(intptr_t lParam) {
        return static_cast<uint32_t>(static_cast<uint64_t>(lParam) >> 32);
    }
    bool IsDottedAddress(const std::string& text);
    static bool IsNumber(const std::string& text);
    std::string PeerAddress(const sockaddr_in& addr, int& port);
    std::string LocalHostName();

    TWSAData Data;

private:
    void bindFunction(TWinsockFunction f);

    bool Module = false;
    std::string LibName;
    bool StartedFlag = false;
    std::array<bool, static_cast<size_t>(TWinsockFunction::Count)> Bound{};
};

// The process-wide binding, created on first need and freed with the last component.
tWinsockAPISV& WinsockAPI();
bool WinsockAPIExists();
void FreeWinsockAPI();

// Whether any asynchronous select registration exists for S (tests look at this).
bool HasAsyncSelect(TSocket s);

// Look-up threads started and not yet joined (tests look at this).
size_t LookupThreads();

// What host-by-name look-ups resolve with: getaddrinfo unless replaced, and again when
// given an empty function. Each look-up keeps the resolver it started with. Tests replace
// it to hold a look-up in progress.
using THostResolver = std::function<int(const char* name, const addrinfo* hints, addrinfo** result)>;
void SetHostResolver(THostResolver resolver);

// The system hands a closed descriptor's number to the next socket at once, while socket
// messages for the closed one may still be queued. Every descriptor the binding opens gets
// a fresh generation, carried by its socket messages; a message whose generation is not
// the descriptor's current one belongs to a closed socket. 0 for descriptors opened
// elsewhere (and in their messages).
uint32_t DescriptorGeneration(TSocket s);

} // namespace net
