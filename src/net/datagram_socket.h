// The UDP sibling of the stream socket: a socket object that is open from its creation
// (and again right after every close), sends datagrams to its connected peer or to any
// address, and receives them with their sender. A client component connects it; a server
// component listening with this class binds it and reports its datagrams.
#pragma once

#include "net/socket_components.h"

namespace net {

class TDatagramSocket : public TSocketBase {
public:
    explicit TDatagramSocket(TSockCtrl* owner);
    void SetSocketType(int type) override;
    int Send(const char* buffer, int count) override;
    int Recv(char* buffer, int count) override;
    void Listen(const std::string& hostName, int queueLength, uint16_t port,
                const std::string& serviceName, const std::string& dottedAddress) override;
    void Connect(const std::string& hostName, TAsyncOptions options, uint16_t port,
                 const std::string& serviceName, const std::string& dottedAddress) override;
    void Close() override;

    // Sends to Target (a dotted address or a host name) at the owner's port, or at Port.
    virtual int SendTo(const char* buffer, int count, const std::string& target);
    virtual int SendTo(const char* buffer, int count, const std::string& target, uint16_t port);
    // Receives one datagram (at most Count bytes of it) and the address it came from.
    virtual int RecvFrom(char* buffer, int count, sockaddr_in& from);

private:
    void open();
    void checkSize(int count);
};

} // namespace net
