// TClientFTP: fetches files and directory listings from an FTP server. The dialogue of
// TFtpSession runs on a control connection (a client socket component) and, for each
// transfer, an active data connection (a server socket component listening on a port of
// 1380..1600 that the server connects to). Every operation blocks its caller in a nested
// message loop until the dialogue has ended it, then returns; failures leave their text
// in Error and raise nothing.
#pragma once

#include "ftp/ftp_session.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTimer;

namespace net {
class TBasicClientSocket;
class TBasicServerSocket;
class TSockCtrl;
class TSocketBase;
} // namespace net

namespace ftp {

class TClientFTP : public TFtpSession {
public:
    TClientFTP();
    ~TClientFTP() override;

    // Opens the control connection and logs in with User and Password; HomeDir and
    // SystemName are the server's answers to PWD and SYST.
    bool Login(std::string& homeDir, std::string& systemName);
    // Ends the session with QUIT (when the control connection is open).
    void Logout();
    // The size of RemotePath (SIZE), or -1 when the server gives none (a directory).
    int64_t GetSize();
    bool IsFile() { return GetSize() >= 0; }
    // The listing of RemotePath; with Convert a page of entries (with AsHtml an HTML page
    // of links). The lines belong to the component and stay until the next operation.
    const std::vector<std::string>& List(bool convert, bool asHtml);
    // Fetches RemotePath into the local file LocalName (created or truncated).
    bool GetFile(const std::string& localName);

    // Fired after every piece of a file that arrives, with the bytes received so far.
    std::function<void(TClientFTP* sender, int64_t bytesReceived)> OnProgress;

    net::TBasicClientSocket& ControlSocket() { return *Control; }
    net::TBasicServerSocket* DataSocket() { return Data.get(); }

protected:
    bool SendCommand(const std::string& text) override;
    bool ControlOpen() override;
    void CloseControl() override;
    void SetInactivityTimer(bool running) override;
    bool OpenDataPort(int port) override;
    void CloseDataPort() override;
    std::string LocalAddress() override;
    void OperationFinished() override;
    void Progress() override;

private:
    // Handles messages until the operation has finished; false when the component was
    // destroyed meanwhile (the caller must then touch nothing of it).
    bool wait();
    // False when the component was destroyed meanwhile.
    bool openControl();
    void onControlRead(net::TSocketBase* socket);
    void onControlDisconnect(net::TSocketBase* socket);
    void onDataRead(net::TSocketBase* socket);
    void onDataDisconnect(net::TSocketBase* socket);
    void restartDataTimer();

    std::unique_ptr<net::TBasicClientSocket> Control;
    std::unique_ptr<net::TBasicServerSocket> Data;
    std::unique_ptr<QTimer> Inactivity, DataTimer;
    std::vector<char> DataBuffer;
    std::shared_ptr<bool> Alive;
};

} // namespace ftp
