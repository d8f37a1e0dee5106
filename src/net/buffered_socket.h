// Buffered sockets: a linear read buffer and a linear write buffer between a TCP socket
// and its user. Received bytes are pulled into the read buffer on every read event; the
// user takes them out as pieces, blocks, records or lines. Written bytes go out whenever
// the network accepts them. TBinaryClient is the client component the browser fetches
// pages with.
#pragma once

#include "net/socket_components.h"
#include "net/stream.h"
#include "platform/exception.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace net {

class TTlsSession;

class EBufferedSocketException : public platform::Exception {
public:
    using platform::Exception::Exception;
};

class TBufferedSocketBase;
using TBufferedSocketNotifyEvent = std::function<void(TBufferedSocketBase* socket)>;

struct TBufferedEvents {
    TBufferedSocketNotifyEvent OnWriteBufferEmpty, OnWriteBufferFull, OnReadBufferEmpty,
        OnReadBufferFull, OnWriteBufferChange, OnReadBufferChange, OnFileSent, OnFileReceived;
};

class TBufferedSocketBase : public TStreamSocket, public TBufferedEvents {
public:
    explicit TBufferedSocketBase(TSockCtrl* owner);
    ~TBufferedSocketBase() override;

    void DoRead() override;
    void DoWrite() override;
    void DoConnect() override;
    void DoDisconnect(int code) override;
    int Send(const char* buffer, int count) override;
    int Recv(char* buffer, int count) override;
    // Starts with both buffers empty: what a cut-off connection left unsent or unread
    // belongs to it, not to the next one (a cut-off POST's rest would precede the next
    // request). Close keeps the received bytes readable until then.
    void Connect(const std::string& hostName, TAsyncOptions options, uint16_t port,
                 const std::string& serviceName, const std::string& dottedAddress) override;
    void Close() override;

    // TLS for the next Connect: the handshake follows the TCP connect, and OnConnect comes
    // only when it has ended (see StartTls). ServerName is the host to verify; CaFile, when
    // not empty, names extra trusted authorities.
    void SetTls(bool on, const std::string& serverName, const std::string& caFile);
    // Starts TLS on this connected, plain socket (inside a proxy's tunnel, once its answer
    // has been read; bytes still in the read buffer count as the tunnel's). OnConnect fires
    // again when the handshake has ended: Connected() tells success; on failure the socket
    // is closed, LastError is WSAECONNABORTED and TlsFailure() says which check failed.
    // The component's time-out covers the handshake as it covers a connect.
    void StartTls(const std::string& serverName, const std::string& caFile);
    bool TlsActive() const { return Tls != nullptr; }
    // Why the last TLS session was refused or broke, in plain words; empty if it was not.
    const std::string& TlsFailure() const { return TlsFailureText; }

    uint32_t ReadBufferSize() const { return static_cast<uint32_t>(ReadBuffer.size()); }
    uint32_t WriteBufferSize() const { return static_cast<uint32_t>(WriteBuffer.size()); }
    void SetReadBufferSize(uint32_t n);
    void SetWriteBufferSize(uint32_t n);
    uint32_t RecordSize() const { return RecSize; }
    void SetRecordSize(uint32_t n);
    uint32_t ReadCount() const { return ReadCnt; }
    uint32_t WriteCount() const { return WriteCnt; }
    uint32_t ReadFree() const { return ReadBufferSize() - ReadCnt; }
    uint32_t WriteFree() const { return WriteBufferSize() - WriteCnt; }

    int ReadBuf(char* dest, uint32_t count);
    int ReadToStream(TStream& stream, uint32_t count);
    bool ReadBlock(char* dest, uint32_t count);
    bool ReadRecord(char* dest);
    int WriteBuf(const char* source, uint32_t count);
    int WriteFromStream(TStream& stream, uint32_t count);
    bool WriteBlock(const char* source, uint32_t count);
    bool WriteRecord(const char* source);
    bool ReadLine(std::string& text, const std::string& delimiter, bool keepDelimiter);
    bool WriteLine(const std::string& text, const std::string& delimiter);
    bool ReadLineBuf(char* dest, uint32_t maxLen, bool keepDelimiter, const std::string& delimiter);
    bool WriteLineBuf(const char* text, const std::string& delimiter);
    void FlushWriteBuffer();
    void FillReadBuffer();

    // The pumps: send a whole stream through the write buffer, or receive into a stream
    // until it reaches Total bytes. With Owns set the socket frees the stream when done.
    void StartSendStream(TStream* stream, bool owns);
    void StartReceiveStream(TStream* stream, bool owns, uint32_t total);
    TStream* SendStream() const { return SendStrm; }
    TStream* ReceiveStream() const { return ReceiveStrm; }

protected:
    void TriggerReadBufferEmpty();
    void TriggerReadBufferFull();
    void TriggerWriteBufferEmpty();
    void TriggerWriteBufferFull();
    void TriggerWriteBufferChange();
    void TriggerReadBufferChange();
    void TriggerFileSent();
    void TriggerFileReceived();

private:
    void pullUpRead(uint32_t n);
    void pullUpWrite(uint32_t n);
    void resize(std::vector<char>& buf, uint32_t count, uint32_t n);
    void releaseSend();
    void releaseReceive();
    void runReceivePump();
    int findDelimiter(const std::string& delimiter) const;
    void beginTls(const std::string& serverName, const std::string& caFile);
    void advanceHandshake();
    void failTls();
    void brokenTls();
    void sendCipher();
    void fillFromTls(bool receive);
    void flushThroughTls();
    void sentFromWriteBuffer(uint32_t n);

    std::vector<char> ReadBuffer, WriteBuffer;
    uint32_t ReadCnt = 0, WriteCnt = 0, RecSize = 16;
    TStream* SendStrm = nullptr;
    TStream* ReceiveStrm = nullptr;
    bool OwnsSend = false, OwnsReceive = false, Sending = false, Receiving = false;
    uint32_t ReceiveTotal = 0;

    struct TTlsSettings {
        bool On = false;
        std::string ServerName, CaFile;
    };
    TTlsSettings TlsWanted;
    std::unique_ptr<TTlsSession> Tls;
    std::string TlsOut;           // ciphertext the network has not taken yet
    std::vector<char> TlsIn;      // what one receive of ciphertext lands in
    std::string TlsFailureText;
};

class TBufferedSocket : public TBufferedSocketBase {
public:
    using TBufferedSocketBase::TBufferedSocketBase;
};

class TBufferedClientBase : public TCustomClientSocket, public TBufferedEvents {
public:
    TBufferedClientBase();
    std::unique_ptr<TSocketBase> CreateSocket() override;
    // The socket object as a buffered socket (created on first need).
    TBufferedSocket* BufferedSocket();
    // TLS for the connections opened from now on (see TBufferedSocketBase::SetTls).
    void SetTls(bool on, const std::string& serverName, const std::string& caFile);

    uint32_t ReadBufferSize = 1024;
    uint32_t WriteBufferSize = 1024;
    uint32_t RecordSize = 16;
};

class TBinaryClient : public TBufferedClientBase {};

} // namespace net
