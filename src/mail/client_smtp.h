// TClientsmtp: delivers one prepared message file to an SMTP server. The dialogue of
// TSmtpSession runs on a client socket component; SendMail blocks its caller in a nested
// message loop until the dialogue has ended, then returns whether the message was taken.
// Failures leave their text in Error and raise nothing.
#pragma once

#include "mail/smtp_session.h"

#include <memory>
#include <string>

class QTimer;

namespace net {
class TBasicClientSocket;
class TSocketBase;
} // namespace net

namespace mail {

class TClientsmtp : public TSmtpSession {
public:
    TClientsmtp();
    ~TClientsmtp() override;

    // Sends FileToSend from From to ToAddress and the Recipients. False when FileToSend
    // names no file (Error empty) or the dialogue failed (Error says where). A call made
    // while another runs returns false at once.
    bool SendMail();

    net::TBasicClientSocket& ControlSocket() { return *Control; }

protected:
    int SendBytes(const char* data, size_t count) override;
    void CloseConnection() override;
    void SetTimer(bool running) override;
    std::string LocalAddress() override;
    void OperationFinished() override;

private:
    void openControl();
    void onRead(net::TSocketBase* socket);
    void onDisconnect(net::TSocketBase* socket);
    // Takes what waits on the connection; with Deliver false it is dropped.
    void receive(net::TSocketBase* socket, bool deliver);

    std::unique_ptr<net::TBasicClientSocket> Control;
    std::unique_ptr<QTimer> Timer;
    std::shared_ptr<bool> Alive;
    bool Sending = false;
    bool Reading = false;
};

} // namespace mail
