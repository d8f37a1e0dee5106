#include "net/datagram_socket.h"

#include "net/sock_error.h"

#include <sys/socket.h>

namespace net {

TDatagramSocket::TDatagramSocket(TSockCtrl* owner) : TSocketBase(owner) {
    Type = 2;
    if (!WinsockAPI().Started()) RaiseSockError(WSANOTINITIALISED, 0);
    open();
}

void TDatagramSocket::open() {
    tWinsockAPISV& api = WinsockAPI();
    TSocket h = api.socket(AF_INET, SOCK_DGRAM, 0);
    if (h == INVALID_SOCKET) RaiseSockError(api.WSAGetLastError(), SockErrCreatingSocket);
    SocketHandle = h;
}

void TDatagramSocket::checkSize(int count) {
    const uint16_t most = WinsockAPI().Data.iMaxUdpDg;
    if (most != 0 && count > most) RaiseSockError(0, SockErrDatagramTooLarge);
}

void TDatagramSocket::SetSocketType(int type) {
    if (type != 2) RaiseSockError(0, SockErrNotDatagramType);
    Type = type;
}

void TDatagramSocket::Listen(const std::string& hostName, int, uint16_t port,
                             const std::string& serviceName, const std::string& dottedAddress) {
    tWinsockAPISV& api = WinsockAPI();
    if (!api.Started()) RaiseSockError(WSANOTINITIALISED, 0);
    if (SocketHandle == INVALID_SOCKET) open();
    OwnerCtrl->ResolveAddress(Address, hostName, port, serviceName, dottedAddress);
    BindAndTakePort(Address);
    api.WSAAsyncSelect(SocketHandle, OwnerCtrl->Window(), CM_SOCKETMESSAGE, FD_READ | FD_WRITE);
}

void TDatagramSocket::Connect(const std::string& hostName, TAsyncOptions options, uint16_t port,
                              const std::string& serviceName, const std::string& dottedAddress) {
    tWinsockAPISV& api = WinsockAPI();
    if (!api.Started()) RaiseSockError(WSANOTINITIALISED, 0);
    if (Connected()) RaiseSockError(WSAEISCONN, 0);
    if (SocketHandle == INVALID_SOCKET) open();
    DoInfo(siLookUp);
    OwnerCtrl->ResolveAddress(Address, hostName, port, serviceName, dottedAddress);
    api.WSAAsyncSelect(SocketHandle, OwnerCtrl->Window(), CM_SOCKETMESSAGE,
                       static_cast<long>(options & 7) | FD_CONNECT | FD_CLOSE);
    DoInfo(siConnect);
    if (api.connect(SocketHandle, Address) != 0) {
        const int e = api.WSAGetLastError();
        if (e != WSAEWOULDBLOCK) RaiseSockError(e, SockErrConnecting);
    }
    State = ssConnected;
}

int TDatagramSocket::Send(const char* buffer, int count) {
    if (SocketHandle == INVALID_SOCKET || !Connected()) RaiseSockError(0, SockErrNotOpen);
    DoInfo(siSend);
    checkSize(count);
    tWinsockAPISV& api = WinsockAPI();
    return Transferred(api, api.send(SocketHandle, buffer, count, 0), SockErrSending);
}

int TDatagramSocket::SendTo(const char* buffer, int count, const std::string& target) {
    return SendTo(buffer, count, target, OwnerCtrl->PortNumber());
}

int TDatagramSocket::SendTo(const char* buffer, int count, const std::string& target, uint16_t port) {
    tWinsockAPISV& api = WinsockAPI();
    if (SocketHandle == INVALID_SOCKET) RaiseSockError(0, SockErrNotOpen);
    DoInfo(siSend);
    checkSize(count);
    const bool dotted = api.IsDottedAddress(target);
    sockaddr_in to{};
    OwnerCtrl->ResolveAddress(to, dotted ? std::string() : target, port, std::string(),
                              dotted ? target : std::string());
    return Transferred(api, api.sendto(SocketHandle, buffer, count, 0, to), SockErrSending);
}

int TDatagramSocket::Recv(char* buffer, int count) {
    DoInfo(siRecv);
    if (SocketHandle == INVALID_SOCKET) RaiseSockError(0, SockErrNotOpen);
    tWinsockAPISV& api = WinsockAPI();
    return Transferred(api, api.recvfrom(SocketHandle, buffer, count, 0, nullptr), SockErrReceiving);
}

int TDatagramSocket::RecvFrom(char* buffer, int count, sockaddr_in& from) {
    DoInfo(siRecv);
    if (SocketHandle == INVALID_SOCKET) RaiseSockError(0, SockErrNotOpen);
    tWinsockAPISV& api = WinsockAPI();
    return Transferred(api, api.recvfrom(SocketHandle, buffer, count, 0, &from), SockErrReceiving);
}

void TDatagramSocket::Close() {
    tWinsockAPISV& api = WinsockAPI();
    if (!api.Started() || SocketHandle == INVALID_SOCKET) return;
    OwnerCtrl->SecondsLeft = 0;
    api.closesocket(SocketHandle);
    SocketHandle = INVALID_SOCKET;
    DoInfo(siClosed);
    Reserved = 0;
    platform::PostMessage(OwnerCtrl->Window(), CM_SOCKETCLOSED, 0, reinterpret_cast<intptr_t>(this));
    open();
}

} // namespace net
