// One TLS client session without a socket of its own: ciphertext goes in and out through
// memory, plaintext likewise, so the same session serves the event-driven buffered client
// and a worker thread's blocking poll loop. The peer's certificate is verified against the
// system's trust store (plus an optional PEM file of extra authorities) and the host name;
// a failure leaves a plain-words text naming the check and the host.
#pragma once

#include <cstddef>
#include <string>

struct ssl_st;
struct ssl_ctx_st;
struct x509_store_ctx_st;

namespace net {

class TTlsSession {
public:
    enum TState { tsHandshaking, tsEstablished, tsClosed, tsFailed };

    // ServerName is the host as the address names it: a name (sent as SNI and checked
    // against the certificate's names) or an IPv4/IPv6 literal (checked as an address).
    // CaFile, when not empty, names extra trusted authorities.
    TTlsSession(const std::string& serverName, const std::string& caFile);
    ~TTlsSession();
    TTlsSession(const TTlsSession&) = delete;
    TTlsSession& operator=(const TTlsSession&) = delete;

    TState State() const { return St; }
    // Why the session failed, in plain words; empty while it has not.
    const std::string& Failure() const { return FailureText; }

    // ---- The network side ----
    // Ciphertext received from the peer.
    void PutCipher(const char* data, size_t count);
    // The peer closed the transport: a handshake still running fails; after it, what was
    // decrypted stays readable and then Read reports the end.
    void TransportClosed();
    // Ciphertext waiting to go to the peer, and taking it (up to Max bytes).
    size_t CipherPending() const;
    size_t TakeCipher(char* dest, size_t max);

    // Advances the handshake with the ciphertext that has arrived (sending what it has to
    // say through TakeCipher); returns the state it leaves.
    TState Handshake();

    // ---- The plain side, once established ----
    // Up to Max decrypted bytes: the count, 0 when more ciphertext is needed, -1 at the end
    // (the peer's close, the transport's end or a failure; see State and Failure).
    int Read(char* dest, size_t max);
    // Encrypts up to Count bytes; returns how many were taken (0 unless established).
    int Write(const char* src, size_t count);
    // Ends the session for a reason found outside it (a reset transport, say): the
    // handshake or the connection "failed: Why".
    void Abort(const std::string& why);

private:
    void fail(std::string text);
    void failHandshake();
    std::string verifyFailureText() const;
    static int verifyCallback(int ok, x509_store_ctx_st* storeCtx);
    // A new reference to the context for CaFile, made on first use; null and Why (or the
    // library's error) when it cannot be made.
    static ssl_ctx_st* sharedContext(const std::string& caFile, std::string& why);

    ssl_ctx_st* Ctx = nullptr;
    ssl_st* Ssl = nullptr;
    TState St = tsHandshaking;
    std::string Host, FailureText;
    bool HostIsAddress = false;
    bool TransportEnded = false;
    // The first verification error the chain gave, and the names the server's own
    // certificate carries (for the mismatch text).
    int VerifyError = 0;
    std::string CertNames;
};

} // namespace net
