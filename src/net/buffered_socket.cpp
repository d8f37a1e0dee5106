#include "net/buffered_socket.h"

#include "net/sock_error.h"
#include "net/tls_session.h"

#include <cstring>

namespace net {

namespace {
const char* const SizeLost = "Cannot change buffer size - data will be lost.";
const char* const PullUpTooLarge = "Cannot pull up buffer - amount to pull up larger than total buffer.";
// Ciphertext is taken from the network in pieces this large: several records at a time.
constexpr size_t TlsReceiveSize = 64 * 1024;
} // namespace

TBufferedSocketBase::TBufferedSocketBase(TSockCtrl* owner)
    : TStreamSocket(owner), ReadBuffer(1024), WriteBuffer(1024) {}

TBufferedSocketBase::~TBufferedSocketBase() {
    releaseSend();
    releaseReceive();
}

void TBufferedSocketBase::DoRead() {
    FillReadBuffer();
    // The owner reads only what a finished handshake has decrypted.
    if (Tls && Tls->State() != TTlsSession::tsEstablished && Tls->State() != TTlsSession::tsClosed) return;
    TStreamSocket::DoRead();
}

void TBufferedSocketBase::DoWrite() {
    FlushWriteBuffer();
    if (Tls && Tls->State() != TTlsSession::tsEstablished) return;
    TStreamSocket::DoWrite();
}

int TBufferedSocketBase::Send(const char*, int) {
    throw EBufferedSocketException("Recv or Send cannot be called on a buffered socket.");
}

int TBufferedSocketBase::Recv(char*, int) {
    throw EBufferedSocketException("Recv or Send cannot be called on a buffered socket.");
}

void TBufferedSocketBase::Connect(const std::string& hostName, TAsyncOptions options, uint16_t port,
                                  const std::string& serviceName, const std::string& dottedAddress) {
    // Connect raises on a socket that is already connected: check before anything is lost.
    if (!Connected()) {
        releaseSend();
        releaseReceive();
        ReadCnt = 0;
        WriteCnt = 0;
        Tls.reset();
        TlsOut.clear();
        TlsFailureText.clear();
    }
    TStreamSocket::Connect(hostName, options, port, serviceName, dottedAddress);
}

void TBufferedSocketBase::Close() {
    TStreamSocket::Close();
    releaseSend();
    releaseReceive();
    TlsOut.clear();
}

void TBufferedSocketBase::resize(std::vector<char>& buf, uint32_t count, uint32_t n) {
    if (n < 1 || n < count) throw EBufferedSocketException(SizeLost);
    if (n == buf.size()) return;
    std::vector<char> fresh(n);
    std::memcpy(fresh.data(), buf.data(), count);
    buf.swap(fresh);
}

void TBufferedSocketBase::SetReadBufferSize(uint32_t n) { resize(ReadBuffer, ReadCnt, n); }
void TBufferedSocketBase::SetWriteBufferSize(uint32_t n) { resize(WriteBuffer, WriteCnt, n); }

void TBufferedSocketBase::SetRecordSize(uint32_t n) {
    if (n > WriteBufferSize() || n > ReadBufferSize()) throw EBufferedSocketException(SizeLost);
    RecSize = n;
}

void TBufferedSocketBase::pullUpRead(uint32_t n) {
    if (n > ReadBufferSize()) throw EBufferedSocketException(PullUpTooLarge);
    std::memmove(ReadBuffer.data(), ReadBuffer.data() + n, ReadCnt - n);
    ReadCnt -= n;
    if (ReadCnt == 0) TriggerReadBufferEmpty();
}

void TBufferedSocketBase::pullUpWrite(uint32_t n) {
    if (n > WriteBufferSize()) throw EBufferedSocketException(PullUpTooLarge);
    std::memmove(WriteBuffer.data(), WriteBuffer.data() + n, WriteCnt - n);
    WriteCnt -= n;
    if (WriteCnt == 0) TriggerWriteBufferEmpty();
}

// ---- Event triggers ----

void TBufferedSocketBase::TriggerReadBufferEmpty() {
    if (OnReadBufferEmpty) OnReadBufferEmpty(this);
}

void TBufferedSocketBase::TriggerReadBufferFull() {
    if (OnReadBufferFull) OnReadBufferFull(this);
    if (ReadCnt >= ReadBufferSize()) throw EBufferedSocketException("Read buffer full, user did not flush");
}

void TBufferedSocketBase::TriggerWriteBufferEmpty() {
    if (Sending && SendStrm && SendStrm->Position() >= SendStrm->Size()) {
        releaseSend();
        TriggerFileSent();
    }
    if (OnWriteBufferEmpty) OnWriteBufferEmpty(this);
}

void TBufferedSocketBase::TriggerWriteBufferFull() {
    if (OnWriteBufferFull) OnWriteBufferFull(this);
}
void TBufferedSocketBase::TriggerWriteBufferChange() {
    if (OnWriteBufferChange) OnWriteBufferChange(this);
}
void TBufferedSocketBase::TriggerReadBufferChange() {
    if (OnReadBufferChange) OnReadBufferChange(this);
}
void TBufferedSocketBase::TriggerFileSent() {
    if (OnFileSent) OnFileSent(this);
}
void TBufferedSocketBase::TriggerFileReceived() {
    if (OnFileReceived) OnFileReceived(this);
}

// ---- Reading ----

int TBufferedSocketBase::ReadBuf(char* dest, uint32_t count) {
    uint32_t n = std::min(count, ReadCnt);
    if (n < 1) return static_cast<int>(n);
    std::memcpy(dest, ReadBuffer.data(), n);
    pullUpRead(n);
    return static_cast<int>(n);
}

int TBufferedSocketBase::ReadToStream(TStream& stream, uint32_t count) {
    uint32_t n = std::min(count, ReadCnt);
    if (n < 1) return static_cast<int>(n);
    stream.Write(ReadBuffer.data(), static_cast<int>(n));
    pullUpRead(n);
    return static_cast<int>(n);
}

bool TBufferedSocketBase::ReadBlock(char* dest, uint32_t count) {
    if (count > ReadCnt) return false;
    if (count == 0) throw EBufferedSocketException("Cannot read block/record - size is zero.");
    std::memcpy(dest, ReadBuffer.data(), count);
    pullUpRead(count);
    return true;
}

bool TBufferedSocketBase::ReadRecord(char* dest) { return ReadBlock(dest, RecSize); }

int TBufferedSocketBase::findDelimiter(const std::string& delimiter) const {
    if (delimiter.empty() || ReadCnt == 0) return -1;
    const char* b = ReadBuffer.data();
    const size_t d = delimiter.size();
    for (size_t i = 0; i + d <= ReadCnt; ++i)
        if (std::memcmp(b + i, delimiter.data(), d) == 0) return static_cast<int>(i + d);
    return -1;
}

bool TBufferedSocketBase::ReadLine(std::string& text, const std::string& delimiter, bool keep) {
    int e = findDelimiter(delimiter);
    if (e < 0) return false;
    text.assign(ReadBuffer.data(), static_cast<size_t>(e));
    pullUpRead(static_cast<uint32_t>(e));
    if (!keep) text.resize(text.size() - delimiter.size());
    return true;
}

bool TBufferedSocketBase::ReadLineBuf(char* dest, uint32_t maxLen, bool keep, const std::string& delimiter) {
    int e = findDelimiter(delimiter);
    if (e < 0 || maxLen == 0 || static_cast<uint32_t>(e) > maxLen - 1) return false;
    uint32_t n = static_cast<uint32_t>(e) - (keep ? 0 : static_cast<uint32_t>(delimiter.size()));
    std::memcpy(dest, ReadBuffer.data(), n);
    dest[n] = '\0';
    pullUpRead(static_cast<uint32_t>(e));
    return true;
}

// ---- Writing ----

int TBufferedSocketBase::WriteBuf(const char* source, uint32_t count) {
    if (count > WriteBufferSize()) throw EBufferedSocketException("Write buffer full, user did not flush");
    uint32_t n = std::min(count, WriteFree());
    if (n < 1) return static_cast<int>(n);
    std::memcpy(WriteBuffer.data() + WriteCnt, source, n);
    WriteCnt += n;
    if (WriteCnt == WriteBufferSize()) TriggerWriteBufferFull();
    return static_cast<int>(n);
}

int TBufferedSocketBase::WriteFromStream(TStream& stream, uint32_t count) {
    if (count > WriteBufferSize()) throw EBufferedSocketException("Write buffer full, user did not flush");
    uint32_t n = std::min(count, WriteFree());
    if (n < 1) return static_cast<int>(n);
    int got = stream.Read(WriteBuffer.data() + WriteCnt, static_cast<int>(n));
    if (got <= 0) return 0;
    WriteCnt += static_cast<uint32_t>(got);
    if (WriteCnt == WriteBufferSize()) TriggerWriteBufferFull();
    return got;
}

bool TBufferedSocketBase::WriteBlock(const char* source, uint32_t count) {
    if (count > WriteFree()) throw EBufferedSocketException("Block size is larger than buffer size.");
    if (count < 1) return true;
    std::memcpy(WriteBuffer.data() + WriteCnt, source, count);
    WriteCnt += count;
    if (WriteCnt == WriteBufferSize()) TriggerWriteBufferFull();
    return true;
}

bool TBufferedSocketBase::WriteRecord(const char* source) { return WriteBlock(source, RecSize); }

bool TBufferedSocketBase::WriteLine(const std::string& text, const std::string& delimiter) {
    if (WriteFree() < text.size() + delimiter.size()) return false;
    bool ok = WriteBlock(text.data(), static_cast<uint32_t>(text.size()));
    if (ok && !delimiter.empty()) ok = WriteBlock(delimiter.data(), static_cast<uint32_t>(delimiter.size()));
    return ok;
}

bool TBufferedSocketBase::WriteLineBuf(const char* text, const std::string& delimiter) {
    return WriteLine(std::string(text), delimiter);
}

// ---- The network side ----

void TBufferedSocketBase::sentFromWriteBuffer(uint32_t n) {
    pullUpWrite(n);
    TriggerWriteBufferChange();
    if (Sending && SendStrm) {
        int64_t r = SendStrm->Size() - SendStrm->Position();
        if (r > WriteFree()) r = WriteFree();
        if (r > 0) WriteFromStream(*SendStrm, static_cast<uint32_t>(r));
    }
}

void TBufferedSocketBase::FlushWriteBuffer() {
    if (Tls) {
        flushThroughTls();
        return;
    }
    try {
        while (WriteCnt > 0) {
            int n = TStreamSocket::Send(WriteBuffer.data(), static_cast<int>(WriteCnt));
            if (n <= 0) break;
            sentFromWriteBuffer(static_cast<uint32_t>(n));
        }
    } catch (const ESockError& e) {
        if (e.Code != WSAECONNRESET) throw;
        DoDisconnect(WSAECONNRESET);
    }
}

void TBufferedSocketBase::FillReadBuffer() {
    if (Tls) {
        fillFromTls(true);
        return;
    }
    try {
        while (true) {
            if (ReadFree() == 0) break;
            int n = TStreamSocket::Recv(ReadBuffer.data() + ReadCnt, static_cast<int>(ReadFree()));
            if (n > 0) {
                ReadCnt += static_cast<uint32_t>(n);
                TriggerReadBufferChange();
                if (Receiving && ReceiveStrm) runReceivePump();
                if (ReadCnt == ReadBufferSize()) TriggerReadBufferFull();
            }
            if (n < 1 || !Connected()) break;
        }
    } catch (const ESockError& e) {
        if (e.Code != WSAECONNRESET) throw;
        DoDisconnect(WSAECONNRESET);
    }
}

void TBufferedSocketBase::runReceivePump() {
    int64_t w = static_cast<int64_t>(ReceiveTotal) - ReceiveStrm->Position();
    if (w > 0) ReadToStream(*ReceiveStrm, static_cast<uint32_t>(std::min<int64_t>(w, ReadCnt)));
    if (ReceiveStrm && ReceiveStrm->Position() >= static_cast<int64_t>(ReceiveTotal)) {
        releaseReceive();
        TriggerFileReceived();
    }
}

void TBufferedSocketBase::StartSendStream(TStream* stream, bool owns) {
    releaseSend();
    SendStrm = stream;
    OwnsSend = owns;
    Sending = true;
    int64_t r = std::min<int64_t>(stream->Size() - stream->Position(), WriteFree());
    if (r > 0) WriteFromStream(*stream, static_cast<uint32_t>(r));
    FlushWriteBuffer();
}

void TBufferedSocketBase::StartReceiveStream(TStream* stream, bool owns, uint32_t total) {
    releaseReceive();
    ReceiveStrm = stream;
    OwnsReceive = owns;
    ReceiveTotal = total;
    Receiving = true;
    if (ReadCnt > 0) runReceivePump();
}

void TBufferedSocketBase::releaseSend() {
    if (OwnsSend) delete SendStrm;
    SendStrm = nullptr;
    OwnsSend = false;
    Sending = false;
}

void TBufferedSocketBase::releaseReceive() {
    if (OwnsReceive) delete ReceiveStrm;
    ReceiveStrm = nullptr;
    OwnsReceive = false;
    Receiving = false;
}

// ---- TLS ----

void TBufferedSocketBase::SetTls(bool on, const std::string& serverName, const std::string& caFile) {
    TlsWanted = {on, serverName, caFile};
}

void TBufferedSocketBase::DoConnect() {
    // The owner hears of a TLS connection once its handshake has ended, either way.
    if (TlsWanted.On && !Tls && LastError == 0 && State == ssConnected) {
        beginTls(TlsWanted.ServerName, TlsWanted.CaFile);
        return;
    }
    TStreamSocket::DoConnect();
}

void TBufferedSocketBase::StartTls(const std::string& serverName, const std::string& caFile) {
    if (SocketHandle == INVALID_SOCKET || !Connected()) RaiseSockError(0, SockErrNotOpen);
    if (Tls) throw EBufferedSocketException("TLS has already started on this connection.");
    // Plain bytes not yet sent would go out after the handshake, encrypted: never
    // what their writer meant.
    if (WriteCnt > 0) throw EBufferedSocketException("TLS cannot start while plain bytes wait to be sent.");
    beginTls(serverName, caFile);
}

void TBufferedSocketBase::beginTls(const std::string& serverName, const std::string& caFile) {
    Tls = std::make_unique<TTlsSession>(serverName, caFile);
    TlsOut.clear();
    TlsFailureText.clear();
    if (TlsIn.empty()) TlsIn.resize(TlsReceiveSize);
    if (ReadCnt > 0) {
        // Whatever followed the proxy's answer already belongs to the tunnel.
        Tls->PutCipher(ReadBuffer.data(), ReadCnt);
        ReadCnt = 0;
    }
    OwnerCtrl->StartTimeOut();
    advanceHandshake();
}

void TBufferedSocketBase::advanceHandshake() {
    TTlsSession* const session = Tls.get();
    session->Handshake();
    try {
        sendCipher();
    } catch (const ESockError& e) {
        session->Abort(SockErrorText(e.Code));
    }
    if (session->State() == TTlsSession::tsFailed) {
        failTls();
    } else if (session->State() == TTlsSession::tsEstablished) {
        OwnerCtrl->StopTimeOut();
        TStreamSocket::DoConnect();
    }
}

void TBufferedSocketBase::failTls() {
    TlsFailureText = Tls->Failure();
    // Nothing of a refused connection reaches the owner as data: closed without reading.
    State = ssClosed;
    Close();
    LastError = WSAECONNABORTED;
    TStreamSocket::DoConnect();
}

void TBufferedSocketBase::sendCipher() {
    char chunk[16384];
    size_t k;
    while ((k = Tls->TakeCipher(chunk, sizeof chunk)) > 0)
        TlsOut.append(chunk, k);
    if (TlsOut.empty() || SocketHandle == INVALID_SOCKET) return;
    DoInfo(siSend);
    tWinsockAPISV& api = WinsockAPI();
    size_t off = 0;
    while (off < TlsOut.size()) {
        // What the network does not take now goes on the next write event.
        const int n = Transferred(api, api.send(SocketHandle, TlsOut.data() + off, static_cast<int>(TlsOut.size() - off), 0),
                                  SockErrSending);
        if (n <= 0) break;
        off += static_cast<size_t>(n);
    }
    TlsOut.erase(0, off);
}

void TBufferedSocketBase::flushThroughTls() {
    TTlsSession* const session = Tls.get();
    try {
        sendCipher();
        // Plaintext is taken only while the network keeps up, so that what waits stays
        // within one write buffer's worth.
        while (session->State() == TTlsSession::tsEstablished && WriteCnt > 0 && TlsOut.empty()) {
            const int n = session->Write(WriteBuffer.data(), WriteCnt);
            if (n <= 0) break;
            sendCipher();
            sentFromWriteBuffer(static_cast<uint32_t>(n));
            if (Tls.get() != session) return;
        }
    } catch (const ESockError& e) {
        if (session->State() == TTlsSession::tsHandshaking) {
            session->Abort(SockErrorText(e.Code));
            failTls();
            return;
        }
        if (e.Code != WSAECONNRESET) throw;
        DoDisconnect(WSAECONNRESET);
        return;
    }
    if (session->State() == TTlsSession::tsFailed && SocketHandle != INVALID_SOCKET) brokenTls();
}

void TBufferedSocketBase::brokenTls() {
    // Like a reset connection, but the owner can tell: a page cut off by damaged data is
    // not a page that ended.
    TlsFailureText = Tls->Failure();
    LastError = WSAECONNABORTED;
    DoDisconnect(WSAECONNABORTED);
}

void TBufferedSocketBase::fillFromTls(bool receive) {
    TTlsSession* const session = Tls.get();
    // Stop during a handshake: what arrives now could only finish it after the owner left.
    if (session->State() == TTlsSession::tsHandshaking && State != ssConnected) return;
    tWinsockAPISV& api = WinsockAPI();
    const TSocket handle = SocketHandle;
    auto gone = [&] { return Tls.get() != session || SocketHandle != handle; };
    bool lastRound = !receive;
    try {
        for (;;) {
            while (ReadFree() > 0) {
                const int n = session->Read(ReadBuffer.data() + ReadCnt, ReadFree());
                if (n <= 0) break;
                ReadCnt += static_cast<uint32_t>(n);
                TriggerReadBufferChange();
                if (Receiving && ReceiveStrm) runReceivePump();
                if (ReadCnt == ReadBufferSize()) TriggerReadBufferFull();
                if (gone()) return;
            }
            if (session->State() == TTlsSession::tsFailed) {
                if (SocketHandle != INVALID_SOCKET) brokenTls();
                return;
            }
            if (lastRound || ReadFree() == 0 || handle == INVALID_SOCKET) return;
            DoInfo(siRecv);
            if (State != ssConnected && State != ssClosing) RaiseSockError(0, SockErrNotOpen);
            const int r = api.recv(handle, TlsIn.data(), static_cast<int>(TlsIn.size()), 0);
            if (r < 0) {
                const int e = api.WSAGetLastError();
                if (e == WSAEWOULDBLOCK) return;
                RaiseSockError(e, SockErrReceiving);
            }
            const bool handshaking = session->State() == TTlsSession::tsHandshaking;
            if (r == 0) {
                // The close event follows; what was decrypted is delivered first.
                session->TransportClosed();
                lastRound = true;
            } else {
                session->PutCipher(TlsIn.data(), static_cast<size_t>(r));
                lastRound = !Connected();
            }
            if (handshaking) {
                advanceHandshake();
                if (gone() || session->State() != TTlsSession::tsEstablished) return;
            }
        }
    } catch (const ESockError& e) {
        if (e.Code != WSAECONNRESET) throw;
        DoDisconnect(WSAECONNRESET);
    }
}

void TBufferedSocketBase::DoDisconnect(int code) {
    if (Tls && SocketHandle != INVALID_SOCKET) {
        if (Tls->State() == TTlsSession::tsHandshaking) {
            // A handshake cut off is a refused connection, told through OnConnect.
            if (code != 0)
                Tls->Abort(SockErrorText(code));
            else
                Tls->TransportClosed();
            if (Tls->State() == TTlsSession::tsHandshaking) Tls->Abort("the server closed the connection");
            failTls();
            return;
        }
        if (Tls->State() == TTlsSession::tsEstablished) {
            Tls->TransportClosed();
            fillFromTls(false);
            if (SocketHandle == INVALID_SOCKET) return;
        }
    }
    TStreamSocket::DoDisconnect(code);
}

// ---- The client component ----

TBufferedClientBase::TBufferedClientBase() {
    SocketClass = [](TSockCtrl* o) -> std::unique_ptr<TSocketBase> {
        return std::make_unique<TBufferedSocket>(o);
    };
    SocketClassName = "TBufferedSocket";
}

std::unique_ptr<TSocketBase> TBufferedClientBase::CreateSocket() {
    std::unique_ptr<TSocketBase> s = TCustomClientSocket::CreateSocket();
    auto* b = dynamic_cast<TBufferedSocketBase*>(s.get());
    if (!b) throw platform::Exception("Invalid class typecast");
    static_cast<TBufferedEvents&>(*b) = static_cast<const TBufferedEvents&>(*this);
    b->SetReadBufferSize(ReadBufferSize);
    b->SetWriteBufferSize(WriteBufferSize);
    b->SetRecordSize(RecordSize);
    return s;
}

TBufferedSocket* TBufferedClientBase::BufferedSocket() {
    return static_cast<TBufferedSocket*>(Socket());
}

void TBufferedClientBase::SetTls(bool on, const std::string& serverName, const std::string& caFile) {
    BufferedSocket()->SetTls(on, serverName, caFile);
}

} // namespace net
