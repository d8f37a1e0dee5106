// The server component: listens on a port and accepts incoming TCP connections, judging
// each peer against a connection limit and a list of host patterns. Every accepted
// connection is a socket object of its own that reports through the component's events,
// as a client connection does. With a datagram socket class it binds one UDP socket and
// reports its datagrams instead.
#pragma once

#include "net/socket_components.h"

#include <memory>
#include <string>
#include <vector>

namespace net {

enum THostRestriction { hrAccept, hrDeny };

// The accepted connections, owned, found by their socket handle.
class TSocketList {
public:
    TSocketBase* Add(std::unique_ptr<TSocketBase> socket);
    TSocketBase* Find(TSocket handle) const;
    bool Contains(const TSocketBase* socket) const;
    // Frees the object and packs the list; false when it is not in the list.
    bool Remove(const TSocketBase* socket);
    size_t Count() const { return Items.size(); }
    TSocketBase* operator[](size_t i) const { return Items[i].get(); }
    void Clear() { Items.clear(); }

private:
    std::vector<std::unique_ptr<TSocketBase>> Items;
};

class TCustomBasicServerSocket : public TSockCtrl {
public:
    TCustomBasicServerSocket();
    ~TCustomBasicServerSocket() override;

    // Creates a socket object of the given class and makes it listen on the component's
    // address and port (Port 0 takes one the system chooses, stored back into Port).
    void Listen(TSocketFactory socketClass, const char* className);
    void Listen(); // with the stream socket class
    void Close();

    void Notify(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    void SocketClosed(TSocketBase* socket) override;
    virtual void AcceptConnection();
    virtual void RejectConnection(TSocketBase* socket);
    // Whether Address (dotted) matches one line of RestrictedHosts: components separated
    // by dots, "*" matching any one; a line with fewer components matches every address
    // that begins with them. Lines with a name component are compared with the peer's
    // host name, found by a reverse look-up (which raises when it fails).
    virtual bool HostListed(const std::string& address);

    const TSocketList& Accepted() const { return Connections; }
    // The listening socket object, if any.
    TSocketBase* ListeningSocket() const { return SocketObj.get(); }

    TSocketEvent OnAccept;
    TSocketEvent OnReject;
    int MaxConnections = 16;
    TAsyncOptions ClientOptions = csoRead | csoWrite;
    int QueueLength = 5;
    std::vector<std::string> RestrictedHosts;
    THostRestriction Restriction = hrDeny;
    bool AllowOnlyIfReverseDNS = false;

private:
    bool judgeRejects(TSocketBase* socket);
    bool matchesLine(const std::string& line, const std::string& address, std::string& hostName,
                     bool& hostNameKnown);

    TSocketList Connections;
};

class TBasicServerSocket : public TCustomBasicServerSocket {};

} // namespace net
