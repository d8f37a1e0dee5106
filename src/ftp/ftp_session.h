// The FTP dialogue without its sockets: the reply reader (multi-line replies, replies split
// over any number of chunks), the state machine of log-in, SIZE, QUIT and the LIST and
// RETR transfers, and the halves of a transfer (final reply, data close) arriving in
// either order. It is fed with what the connections deliver and asks its surroundings
// (the virtual operations below) to send commands, run the timers and open the data port.
// TClientFTP provides them with real sockets; tests provide them with a script.
#pragma once

#include "ftp/ftp_listing.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ftp {

enum TFtpState {
    fsGreeting = 1,
    fsUserSent = 2,
    fsPassSent = 3,
    fsQuitSent = 4,
    fsSystSent = 6,
    fsSizeSent = 16,
    fsListing = 21,
    fsPortSent = 23,
    fsRetrieving = 24,
    fsTypeSent = 25,
    fsPwdSent = 27,
    fsIdle = 100,
};

class TFtpSession {
public:
    TFtpSession();
    virtual ~TFtpSession();
    TFtpSession(const TFtpSession&) = delete;
    TFtpSession& operator=(const TFtpSession&) = delete;

    // Properties.
    std::string Host;
    std::string User;
    std::string Password;
    std::string RemotePath;
    std::string Error;
    int Port = 21;
    int TimeOut = 10; // seconds; above 30 becomes 30 at each log-in

    // Results.
    const std::string& HomeDir() const { return Home; }
    const std::string& SystemName() const { return SysName; }
    int SystemType() const { return SysType; }
    bool AccountNeeded() const { return NeedsAccount; }
    bool Finished() const { return IsFinished; }
    bool Succeeded() const { return Success; }
    int State() const { return St; }
    // The lines of the last complete reply, codes removed.
    const std::vector<std::string>& ReplyTexts() const { return Texts; }
    const std::vector<std::string>& ListingLines() const { return Listing; }
    bool FileReceived() const { return Received; }
    int64_t BytesReceived() const { return ReceivedBytes; }
    const std::string& LocalFileName() const { return LocalName; }
    // The last data port used (1380..1600; the first transfer uses 1381).
    int DataPort() const { return PortCounter; }
    void SetDataPort(int port) { PortCounter = port; }
    const std::string& LastCommand() const { return Command; }

    // Starting an operation: each sends its first command (the log-in's comes with the
    // greeting) and leaves Finished false until the dialogue ends it.
    void StartLogin();
    // False when the control connection is not open: nothing is sent, nothing to wait for.
    bool StartLogout();
    void StartGetSize();
    void StartList();
    void StartGetFile(const std::string& localName);
    // After the wait of List: closes the data port and converts the listing.
    const std::vector<std::string>& EndList(bool convert, bool asHtml);
    // After the wait of GetFile: closes the data port and the local file.
    bool EndGetFile();

    // What the connections deliver.
    void ControlConnected(int error);
    void ControlData(const char* data, size_t count);
    void ControlClosed();
    void InactivityTimedOut();
    void DataAccepted();
    void DataReceived(const char* data, size_t count);
    void DataClosed();
    void DataTimedOut();
    // An operation that could not even start (no connection could be opened).
    void Fail(const std::string& error);

    // The size of a file, 64-bit; -1 when unknown.
    int64_t SizeResult() const { return Size; }

protected:
    // Writes Text (ending in CR LF) on the control connection; false when it is not open.
    virtual bool SendCommand(const std::string& text) = 0;
    virtual bool ControlOpen() = 0;
    virtual void CloseControl() = 0;
    // Starts (or restarts) and stops the inactivity timer of the control connection.
    virtual void SetInactivityTimer(bool running) = 0;
    // Listens for the data connection on Port (and starts the data timer); false when that
    // port cannot be used.
    virtual bool OpenDataPort(int port) = 0;
    // Stops the data timer and closes the data port with any connection on it.
    virtual void CloseDataPort() = 0;
    // The dotted local address of the control connection: the address the server
    // already reaches us at, so the one to announce for data connections.
    virtual std::string LocalAddress() = 0;
    // Called whenever Finished becomes true, and after every data chunk.
    virtual void OperationFinished() {}
    virtual void Progress() {}

private:
    void beginOperation();
    bool send(const std::string& command);
    void finish();
    void failWith(const std::string& error);
    void failFromReply();
    // Ends the operation with the server's text of the reply just read.
    void refused();
    void takeTexts();
    void handleLine(std::string line);
    void handleReply();
    void onGreeting(bool success);
    void onUser(bool success, bool intermediate);
    void onPass(bool success, bool intermediate);
    void onSyst(bool success);
    void onSize(bool success);
    void onPort(bool success);
    void onTransfer(bool success);
    void startTransfer(int operation);
    bool transferRunning() const;
    void endTransferHalf();
    void writeLocal(const char* data, size_t count);
    void closeLocal();
    void addListingBytes(const char* data, size_t count);

    int St = fsIdle;
    bool IsFinished = true, Success = false, NewReply = true, NeedsAccount = false;
    std::string Code;                 // the 3 characters that open the reply being read
    std::string Carry;                // the incomplete last line of the control connection
    std::vector<std::string> Lines;   // the lines of the reply being read
    std::vector<std::string> Texts;   // the last complete reply, codes removed
    std::string Command;
    std::string Home, SysName;
    int SysType = fsUnknown;
    int64_t Size = -1;

    int DataOp = 0;                   // fsListing or fsRetrieving
    int PortCounter = 1380;
    std::vector<std::string> Listing;
    std::string DataCarry;
    std::string LocalName;
    std::FILE* Local = nullptr;
    bool LocalFailed = false;
    int64_t ReceivedBytes = 0;
    bool DataDone = false, ControlDone = false, Received = false;
};

} // namespace ftp
