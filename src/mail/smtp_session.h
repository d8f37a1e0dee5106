// The SMTP dialogue without its socket: the reply reader (multi-line replies, replies split
// over any number of chunks), the states from the greeting to QUIT, and the message file
// streamed in 8192-byte blocks that resume whenever the connection takes more. It is fed
// with what the connection delivers and asks its surroundings (the virtual operations
// below) to send bytes, run the timer and close. TClientsmtp provides them with a real
// socket; tests provide them with a script.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mail {

enum TSmtpState {
    smGreeting = 0,
    smHelo = 1,
    smMailFrom = 2, // the MAIL FROM reply, then every RCPT reply but the last
    smLastRcpt = 3,
    smData = 4,      // the DATA reply, then the message file going out
    smEndOfData = 5, // the reply to the end of the data
    smQuit = 100,
};

// Texts left in Error.
extern const char* const SmtpTimeOutText;      // "Time out"
extern const char* const SmtpNoConnectionText; // "No connection"
extern const char* const SmtpDisconnectedText; // the server closed before the end

class TSmtpSession {
public:
    // The size of the blocks the message file is read and sent in.
    static constexpr size_t BlockSize = 8192;

    TSmtpSession();
    virtual ~TSmtpSession();
    TSmtpSession(const TSmtpSession&) = delete;
    TSmtpSession& operator=(const TSmtpSession&) = delete;

    // Properties.
    std::string Host;
    std::string From;
    std::string ToAddress; // the first recipient, sent as it stands
    std::string FileToSend;
    std::string Error;
    std::string SUBJECT; // sent as a header line of its own ahead of the file
    int Port = 25;
    int TimeOut = 10;         // seconds of silence; above 30 becomes 30 when sending starts
    bool ShowProgress = true; // kept for the caller; nothing depends on it
    bool AddEndOfDAta = true; // append CR LF "." CR LF to the file before sending

    // Further recipients after ToAddress; the caller fills it before sending.
    std::vector<std::string> Recipients;
    // Adds the addresses of a text to Recipients: every "," ends one, spaces are dropped,
    // and the text after the last comma is the last one (empty after a trailing comma).
    void SplitRecipients(const std::string& text);

    // Results and state.
    bool Finished() const { return IsFinished; }
    bool Succeeded() const { return Success; }
    int State() const { return St; }
    int64_t FileSize() const { return Size; }
    int64_t BytesSent() const { return Sent; }
    size_t RecipientIndex() const { return Index; }
    // The recipients the dialogue names, in order: ToAddress, then Recipients, without
    // empty entries.
    const std::vector<std::string>& Targets() const { return Rcpts; }
    const std::string& LastCommand() const { return Command; }
    // How often the connection took nothing and the file waited for the next write
    // notification.
    int StalledSends() const { return Stalls; }

    // Prepares a delivery: checks and opens the message file, appends the end of the data
    // when asked to and checks the settings. True when the connection is to be opened and
    // the dialogue awaited; false when the delivery ended already (Error says why, and is
    // empty when FileToSend names no file).
    bool StartSending();

    // What the connection delivers.
    void Connected();
    void ReplyData(const char* data, size_t count);
    void WriteReady();
    void ConnectionClosed();
    void TimedOut();
    // Ends the delivery with a failure of the connection itself.
    void Fail(const std::string& error);

protected:
    // Offers Count bytes to the connection; returns how many it took (0 when it would
    // block: a write notification follows), or -1 when it is not open. May raise.
    virtual int SendBytes(const char* data, size_t count) = 0;
    virtual void CloseConnection() = 0;
    // Starts (or restarts) and stops the silence timer of TimeOut seconds.
    virtual void SetTimer(bool running) = 0;
    // The dotted local address of the connection, announced with HELO.
    virtual std::string LocalAddress() = 0;
    // Called whenever Finished becomes true.
    virtual void OperationFinished() {}

private:
    void handleLine(std::string line);
    void handleReply(char code);
    void sendCommand(const std::string& command);
    // Sends what is queued of the commands; false while some of it waits for the connection.
    bool flushCommands();
    void sendFile();
    bool fillBlock();
    void sendRecipient();
    void succeed();
    void failWith(const std::string& error);
    void finish();
    void closeFile();

    int St = smGreeting;
    bool IsFinished = true, Success = false;
    bool Streaming = false; // the file has begun to go out
    std::string Carry;      // the incomplete last line of the connection
    std::string ReplyCode;  // the first line's code of the reply being read
    bool NewReply = true;
    std::string Command;
    std::string Outgoing; // commands not yet taken by the connection
    std::vector<std::string> Rcpts;
    size_t Index = 0;

    int File = -1;
    int64_t Size = 0, Sent = 0;
    std::vector<char> Buffer;
    size_t Pending = 0, Offset = 0;
    int Stalls = 0;
};

} // namespace mail
