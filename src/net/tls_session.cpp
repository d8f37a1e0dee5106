#include "net/tls_session.h"

#include <arpa/inet.h>
#include <climits>
#include <map>
#include <mutex>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace net {

namespace {

// Names out of a certificate are the server's words: only printable ASCII reaches a text
// the window shows, and only so much of it.
std::string printable(const unsigned char* p, size_t n, size_t maxLen = 64) {
    std::string s;
    for (size_t i = 0; i < n && s.size() < maxLen; ++i)
        s += (p[i] > 0x20 && p[i] < 0x7F) ? static_cast<char>(p[i]) : '?';
    if (n > maxLen) s += "...";
    return s;
}

std::string printable(const std::string& s) {
    return printable(reinterpret_cast<const unsigned char*>(s.data()), s.size(), 255);
}

bool isAddressLiteral(const std::string& host) {
    unsigned char buf[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

// The host names and addresses a certificate is for: its alternative names, or the
// subject's common name when it has none.
std::string namesOf(X509* cert) {
    std::string names;
    int count = 0;
    auto add = [&](const std::string& n) {
        if (++count > 3) {
            if (count == 4) names += ", ...";
            return;
        }
        if (!names.empty()) names += ", ";
        names += n;
    };
    if (auto* sans = static_cast<GENERAL_NAMES*>(
            X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr))) {
        for (int i = 0; i < sk_GENERAL_NAME_num(sans); ++i) {
            const GENERAL_NAME* g = sk_GENERAL_NAME_value(sans, i);
            if (g->type == GEN_DNS) {
                add(printable(ASN1_STRING_get0_data(g->d.dNSName),
                              static_cast<size_t>(ASN1_STRING_length(g->d.dNSName))));
            } else if (g->type == GEN_IPADD) {
                const int len = ASN1_STRING_length(g->d.iPAddress);
                char text[INET6_ADDRSTRLEN] = "";
                if (len == 4 || len == 16)
                    inet_ntop(len == 4 ? AF_INET : AF_INET6, ASN1_STRING_get0_data(g->d.iPAddress),
                              text, sizeof text);
                if (*text) add(text);
            }
        }
        GENERAL_NAMES_free(sans);
    }
    if (count == 0) {
        X509_NAME* subject = X509_get_subject_name(cert);
        const int at = subject ? X509_NAME_get_index_by_NID(subject, NID_commonName, -1) : -1;
        if (at >= 0) {
            const ASN1_STRING* cn = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, at));
            add(printable(ASN1_STRING_get0_data(cn), static_cast<size_t>(ASN1_STRING_length(cn))));
        }
    }
    return names;
}

std::string lastOpenSslReason() {
    const unsigned long e = ERR_peek_last_error();
    const char* reason = e ? ERR_reason_error_string(e) : nullptr;
    return reason ? reason : "";
}

} // namespace

TTlsSession::TTlsSession(const std::string& serverName, const std::string& caFile)
    : Host(serverName) {
    if (Host.size() > 2 && Host.front() == '[' && Host.back() == ']')
        Host = Host.substr(1, Host.size() - 2);
    if (Host.empty()) {
        fail("TLS needs the name of the host to check its certificate");
        return;
    }
    HostIsAddress = isAddressLiteral(Host);
    ERR_clear_error();
    std::string why;
    Ctx = sharedContext(caFile, why);
    if (!Ctx) {
        fail(why.empty() ? "TLS handshake with " + printable(Host) + " failed: " + lastOpenSslReason()
                         : why);
        return;
    }
    Ssl = SSL_new(Ctx);
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    if (!Ssl || !in || !out) {
        BIO_free(in);
        BIO_free(out);
        fail("TLS handshake with " + printable(Host) + " failed: out of memory");
        return;
    }
    // An empty input is "more to come", never the end: the transport's end is told apart.
    BIO_set_mem_eof_return(in, -1);
    BIO_set_mem_eof_return(out, -1);
    SSL_set_bio(Ssl, in, out);
    SSL_set_app_data(Ssl, this);
    SSL_set_connect_state(Ssl);
    if (HostIsAddress) {
        // An address is checked as an address, and is never sent as a server name.
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(Ssl), Host.c_str());
    } else {
        SSL_set_tlsext_host_name(Ssl, Host.c_str());
        SSL_set_hostflags(Ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(Ssl, Host.c_str());
    }
}

// Reading the system's store of authorities parses a bundle of a hundred-odd certificates:
// every session of the program (one per page and per picture) shares one context for each
// extra authority file instead, kept for the life of the program. Each session holds a
// reference of its own.
ssl_ctx_st* TTlsSession::sharedContext(const std::string& caFile, std::string& why) {
    static std::mutex lock;
    static std::map<std::string, SSL_CTX*> contexts;
    std::lock_guard<std::mutex> hold(lock);
    SSL_CTX*& ctx = contexts[caFile];
    if (!ctx) {
        SSL_CTX* fresh = SSL_CTX_new(TLS_client_method());
        if (!fresh) return nullptr;
        SSL_CTX_set_min_proto_version(fresh, TLS1_2_VERSION);
        // Without the system's store only the extra file is trusted, which refuses more,
        // never less.
        SSL_CTX_set_default_verify_paths(fresh);
        if (!caFile.empty() && SSL_CTX_load_verify_locations(fresh, caFile.c_str(), nullptr) != 1) {
            SSL_CTX_free(fresh);
            why = "The trusted authorities in " + printable(caFile) + " could not be read";
            return nullptr;
        }
        SSL_CTX_set_verify(fresh, SSL_VERIFY_PEER, verifyCallback);
        ctx = fresh;
    }
    SSL_CTX_up_ref(ctx);
    return ctx;
}

TTlsSession::~TTlsSession() {
    SSL_free(Ssl);
    SSL_CTX_free(Ctx);
}

void TTlsSession::fail(std::string text) {
    St = tsFailed;
    if (FailureText.empty()) FailureText = std::move(text);
}

int TTlsSession::verifyCallback(int ok, x509_store_ctx_st* storeCtx) {
    auto* ssl = static_cast<SSL*>(
        X509_STORE_CTX_get_ex_data(storeCtx, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* self = ssl ? static_cast<TTlsSession*>(SSL_get_app_data(ssl)) : nullptr;
    if (!ok && self && self->VerifyError == 0) {
        self->VerifyError = X509_STORE_CTX_get_error(storeCtx);
        if (self->VerifyError == 0) self->VerifyError = X509_V_ERR_UNSPECIFIED;
        if (X509* leaf = X509_STORE_CTX_get0_cert(storeCtx)) self->CertNames = namesOf(leaf);
    }
    return ok;
}

std::string TTlsSession::verifyFailureText() const {
    const std::string host = printable(Host);
    switch (VerifyError) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "The certificate of " + host + " has expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "The certificate of " + host + " is not valid yet";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        if (CertNames.empty()) return "The certificate of " + host + " names no host";
        return "The certificate is for " + CertNames + ", not for " + host;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
        return "The certificate of " + host + " is not signed by a trusted authority";
    default:
        return "The certificate of " + host +
               " was refused: " + X509_verify_cert_error_string(VerifyError);
    }
}

void TTlsSession::failHandshake() {
    if (VerifyError != 0) {
        fail(verifyFailureText());
        return;
    }
    std::string reason = lastOpenSslReason();
    if (reason.empty())
        reason = TransportEnded ? "the server closed the connection" : "the server broke off";
    fail("TLS handshake with " + printable(Host) + " failed: " + reason);
}

void TTlsSession::PutCipher(const char* data, size_t count) {
    if (!Ssl || St == tsFailed) return;
    BIO* in = SSL_get_rbio(Ssl);
    while (count > 0) {
        const int n = BIO_write(in, data, static_cast<int>(std::min<size_t>(count, INT_MAX)));
        if (n <= 0) return;
        data += n;
        count -= static_cast<size_t>(n);
    }
}

void TTlsSession::TransportClosed() {
    TransportEnded = true;
    // An alert that came with the end says more than the end itself.
    if (St == tsHandshaking) Handshake();
}

size_t TTlsSession::CipherPending() const {
    return Ssl ? BIO_ctrl_pending(SSL_get_wbio(Ssl)) : 0;
}

size_t TTlsSession::TakeCipher(char* dest, size_t max) {
    if (!Ssl || max == 0) return 0;
    const int n =
        BIO_read(SSL_get_wbio(Ssl), dest, static_cast<int>(std::min<size_t>(max, INT_MAX)));
    return n > 0 ? static_cast<size_t>(n) : 0;
}

TTlsSession::TState TTlsSession::Handshake() {
    if (St != tsHandshaking) return St;
    ERR_clear_error();
    const int r = SSL_do_handshake(Ssl);
    if (r == 1) {
        // The verification already refused anything else; an established session without
        // a verified certificate must never be handed on, whatever changes around it.
        if (SSL_get_verify_result(Ssl) != X509_V_OK || !SSL_get0_peer_certificate(Ssl)) {
            if (VerifyError == 0) VerifyError = X509_V_ERR_UNSPECIFIED;
            fail(verifyFailureText());
            return St;
        }
        St = tsEstablished;
        return St;
    }
    const int e = SSL_get_error(Ssl, r);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
        if (TransportEnded) failHandshake();
        return St;
    }
    failHandshake();
    return St;
}

int TTlsSession::Read(char* dest, size_t max) {
    if (St == tsFailed || St == tsClosed) return -1;
    if (St != tsEstablished || max == 0) return 0;
    ERR_clear_error();
    const int r = SSL_read(Ssl, dest, static_cast<int>(std::min<size_t>(max, INT_MAX)));
    if (r > 0) return r;
    switch (SSL_get_error(Ssl, r)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        // HTTP/1.0 servers often end with the connection alone, without a close_notify;
        // the end of the body is then the end of the transport, as it is without TLS.
        if (!TransportEnded) return 0;
        St = tsClosed;
        return -1;
    case SSL_ERROR_ZERO_RETURN:
        St = tsClosed;
        return -1;
    default: {
        std::string reason = lastOpenSslReason();
        fail("TLS connection with " + printable(Host) +
             " failed: " + (reason.empty() ? "damaged data" : reason));
        return -1;
    }
    }
}

int TTlsSession::Write(const char* src, size_t count) {
    if (St != tsEstablished || count == 0) return 0;
    ERR_clear_error();
    const int r = SSL_write(Ssl, src, static_cast<int>(std::min<size_t>(count, INT_MAX / 2)));
    if (r > 0) return r;
    const int e = SSL_get_error(Ssl, r);
    if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE)
        fail("TLS connection with " + printable(Host) + " failed: " + lastOpenSslReason());
    return 0;
}

void TTlsSession::Abort(const std::string& why) {
    if (St == tsFailed) return;
    fail((St == tsHandshaking ? "TLS handshake with " : "TLS connection with ") + printable(Host) +
         " failed: " + why);
}

} // namespace net
