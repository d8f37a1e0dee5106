// Event-driven socket components: socket objects (one per open socket) and the
// components that own them, each with a hidden notification target receiving readiness
// and look-up messages. Name look-ups wait in a nested message loop, and socket events
// that arrive meanwhile are queued process-wide and replayed in arrival order afterwards.
// A process-wide one-second timer drives the connect and look-up time-outs.
#pragma once

#include "net/winsock_api.h"
#include "platform/messages.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <vector>

namespace net {

class TSockCtrl;
class TSocketBase;

enum TSockInfo {
    siInactive = 0,
    siLookUp = 1,
    siConnect = 2,
    siConnected = 3,
    siListen = 4,
    siRecv = 5,
    siSend = 6,
    siClosed = 7,
    siTimedOut = 8,
    siAccept = 9,
    siNoSuchSocket = 10,
    siReject = 11,
    siDisconnected = 12,
};
extern const char* const SockInfoTexts[13];

enum TAsyncOptionsType { csoRead = 1, csoWrite = 2, csoOOB = 4 };
using TAsyncOptions = int; // a set of TAsyncOptionsType bits

struct TAsyncInfo {
    int Handle = 0;
    int Error = 0;
};

using TSocketEvent = std::function<void(TSockCtrl* sender, TSocketBase* socket)>;
using TSockInfoEvent = std::function<void(TSockCtrl* sender, TSockInfo icode, TSocketBase* socket)>;
using TSockeTAsyncEvent = std::function<void(TSockCtrl* sender, const TAsyncInfo& info)>;

// Private messages of the notification target.
constexpr unsigned CM_SOCKETMESSAGE = platform::WM_USER + 1111;
constexpr unsigned CM_SOCKETCLOSED = platform::WM_USER + 1112;
constexpr unsigned CM_ASYNCCOMPLETE = platform::WM_USER + 1113;
constexpr unsigned CM_LOOKUPCOMPLETE = platform::WM_USER + 1114;
constexpr unsigned CM_REPLAY = platform::WM_USER + 1115;

enum TSocketState : uint8_t { ssClosed = 0, ssConnected = 1, ssClosing = 2, ssListening = 3 };

class TSocketBase {
public:
    explicit TSocketBase(TSockCtrl* owner);
    virtual ~TSocketBase();
    TSocketBase(const TSocketBase&) = delete;
    TSocketBase& operator=(const TSocketBase&) = delete;

    virtual void DoRead();
    virtual void DoWrite();
    virtual void DoAccept();
    virtual void DoConnect();
    virtual void DoDisconnect(int code);
    virtual void DoInfo(TSockInfo code);
    virtual void DoTimeOut();
    virtual void DoReject();
    virtual std::string GetName();
    virtual bool Connected() const { return State == ssConnected; }
    virtual void SetSocketType(int type);
    virtual int Send(const char* buffer, int count) = 0;
    virtual int Recv(char* buffer, int count) = 0;
    virtual void BeforeBind() {}
    // Binds to the resolved address and waits for connections (stream) or datagrams.
    virtual void Listen(const std::string& hostName, int queueLength, uint16_t port,
                        const std::string& serviceName, const std::string& dottedAddress) = 0;
    virtual void Connect(const std::string& hostName, TAsyncOptions options, uint16_t port,
                         const std::string& serviceName, const std::string& dottedAddress) = 0;
    virtual void Close() = 0;

    // Takes over an already connected descriptor (an accepted connection, or one end of
    // a socket pair): the object becomes connected and reports its events to its owner.
    void Attach(TSocket handle, TAsyncOptions options);

    TSocket Handle() const { return SocketHandle; }
    TSockCtrl* Owner() const { return OwnerCtrl; }
    TSocketState GetState() const { return State; }
    int SocketType() const { return Type; }

    int LastError = 0;
    int Tag = 0;
    sockaddr_in Address{};

protected:
    friend class TSockCtrl;
    friend class TCustomClientSocket;
    // BeforeBind, bind to Addr, and hand the port actually bound to the owner.
    void BindAndTakePort(const sockaddr_in& addr);

    TSocket SocketHandle = INVALID_SOCKET;
    TSockCtrl* OwnerCtrl;
    TSocketState State = ssClosed;
    uint32_t Reserved = 0;
    int Type = 1;
    std::string Name;
};

class TStreamSocket : public TSocketBase {
public:
    explicit TStreamSocket(TSockCtrl* owner);
    void SetSocketType(int type) override;
    int Send(const char* buffer, int count) override;
    int Recv(char* buffer, int count) override;
    void Listen(const std::string& hostName, int queueLength, uint16_t port,
                const std::string& serviceName, const std::string& dottedAddress) override;
    void Connect(const std::string& hostName, TAsyncOptions options, uint16_t port,
                 const std::string& serviceName, const std::string& dottedAddress) override;
    void Close() override;

private:
    // A new socket for this object; a handle left open by an earlier failed attempt is not
    // carried into the next one.
    TSocket openFresh();
};

// The result of a send or receive: would-block counts as nothing moved, any other failure
// is raised in the given context (SockErrSending, SockErrReceiving).
int Transferred(tWinsockAPISV& api, int n, int context);

using TSocketFactory = std::function<std::unique_ptr<TSocketBase>(TSockCtrl* owner)>;

class TSockCtrl {
public:
    TSockCtrl();
    virtual ~TSockCtrl();
    TSockCtrl(const TSockCtrl&) = delete;
    TSockCtrl& operator=(const TSockCtrl&) = delete;

    virtual void SocketClosed(TSocketBase* socket);
    virtual void Notify(unsigned msg, uintptr_t wParam, intptr_t lParam) = 0;
    virtual void AsyncComplete(uintptr_t wParam, intptr_t lParam);
    virtual int WaitForAsync(int request);
    virtual std::unique_ptr<TSocketBase> CreateSocket();
    virtual void HandleClose(TSocketBase* socket);
    virtual void Info(TSocketBase* socket, TSockInfo code);
    virtual void HandleRead(TSocketBase* socket);
    virtual void HandleWrite(TSocketBase* socket);
    virtual void HandleTimeOut(TSocketBase* socket);

    // Properties.
    void SetAddress(const std::string& text);
    const std::string& GetAddress() const { return AddressText; }
    void SetPort(const std::string& text);
    const std::string& GetPort() const { return PortText; }
    void SetProtocol(const std::string& text);
    const std::string& GetProtocol() const { return ProtocolText; }
    void SetTimeOut(int seconds) { TimeOut = seconds < 0 ? 0 : seconds; }
    int GetTimeOut() const { return TimeOut; }
    const std::string& HostName() const { return HostNameText; }
    const std::string& DottedAddress() const { return Dotted; }
    const std::string& ServiceName() const { return Service; }
    uint16_t PortNumber() const { return PortNo; }
    int ProtocolNumber() const { return ProtoNo; }
    // Records the port a socket of this component was bound to (port 0 lets the system
    // choose), as the port number and as the Port text, without a service look-up.
    void SetBoundPort(uint16_t port);
    const std::string& ProtocolName() const { return ProtoName; }

    // The socket object, created on first need.
    TSocketBase* Socket();
    TSocketBase* SocketIfAny() const { return SocketObj.get(); }
    // The class of socket objects this component creates.
    void SetSocketClass(TSocketFactory factory, const char* className);

    // Resolving, as connect does it: host name (looked up), or the dotted address, then
    // the service name. Fills Addr.
    void ResolveAddress(sockaddr_in& addr, const std::string& hostName, uint16_t port,
                        const std::string& serviceName, const std::string& dottedAddress);
    uint32_t LookupHostByName(const std::string& name);
    std::string LookupHostByAddr(const std::string& dotted);
    uint16_t LookupServiceByName(const std::string& name);
    std::string LookupServiceByPort(uint16_t port);

    void StartTimeOut();
    void StopTimeOut();
    bool TimeOutActive() const { return InChain; }
    int SecondsLeft = 0;
    bool Cancel = false;

    platform::TMessageTarget* Window() const { return NotifyWindow.get(); }

    // False once the component is destroyed. A handler run by a look-up's nested loop may
    // destroy the component whose look-up it is; the frames still on the stack then look
    // at this instead of at the component.
    std::shared_ptr<const bool> Liveness() const { return Alive; }

    TSockInfoEvent OnInfo;
    TSocketEvent OnDisconnect;
    TSocketEvent OnRead;
    TSocketEvent OnWrite;
    TSocketEvent OnTimeOut;
    TSockeTAsyncEvent OnAsyncComplete;

    // Process-wide state, for tests.
    static int ComponentCount();
    static size_t DeferredCount();
    static int WaitNesting();

protected:
    friend class TSocketBase;
    intptr_t WindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

    std::unique_ptr<platform::TMessageTarget> NotifyWindow;
    std::unique_ptr<TSocketBase> SocketObj;
    TSocketFactory SocketClass;
    std::string SocketClassName;
    std::vector<TAsyncInfo> AsyncRequests;
    std::string HostNameText, Dotted = "0.0.0.0", Service, AddressText, PortText;
    uint16_t PortNo = 0;
    int TimeOut = 0;
    std::string ProtocolText = "tcp", ProtoName = "tcp";
    int ProtoNo = 6;
    struct TLookupRecord {
        int Handle = 0;
        int Error = 0;
        int Length = 0;
    };
    TLookupRecord LookupRecord; // the last look-up that completed
    // Completions not yet taken by their wait: a look-up nested inside another's wait
    // (a navigation started meanwhile) must not lose the outer one's result.
    std::vector<TLookupRecord> Completed;
    bool InChain = false;
    std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
    int Waits = 0; // look-up waits of this component in progress
    // Socket objects replaced while a look-up waited: a frame of theirs is still on the
    // stack, so they live (closed) as long as the component.
    std::vector<std::unique_ptr<TSocketBase>> Retired;
};

class TCustomClientSocket : public TSockCtrl {
public:
    TCustomClientSocket();
    // Opens the connection with a socket of the component's class (or of Factory when
    // given); the result arrives through OnConnect.
    void Connect();
    void Close();
    void Notify(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    virtual void HandleConnect(TSocketBase* socket);

    TSocketEvent OnConnect;
    TAsyncOptions Options = csoRead | csoWrite;
};

class TBasicClientSocket : public TCustomClientSocket {};

// The dotted address this end of S's connection is bound to; "" without a socket.
std::string LocalAddressOf(const TSocketBase* s);

} // namespace net
