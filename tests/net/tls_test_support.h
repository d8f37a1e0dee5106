// For the TLS tests: a test authority and server certificates made with the openssl
// command (good for 127.0.0.1, expired, for another name, self-signed), and an HTTPS server
// on 127.0.0.1, alone or behind a relay that dribbles, stalls or closes.
#pragma once

#include "test_support.h"

#include <QProcess>
#include <memory>
#include <string>

namespace nettest {

class TestAuthority {
public:
    TestAuthority() {
        ok = openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                     "-nodes", "-keyout", key("ca"), "-out", pem("ca"), "-days", "3650", "-subj",
                     "/CN=Webling Test Authority");
        ok = ok && issue("good", "IP:127.0.0.1", "30");
        ok = ok && issue("expired", "IP:127.0.0.1", "-1");
        ok = ok && issue("other", "DNS:other.example", "30");
        ok = ok &&
             openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                     "-nodes", "-keyout", key("self"), "-out", pem("self"), "-days", "30", "-subj",
                     "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1");
    }
    testsupport::TempDir dir;
    bool ok = false;
    std::string failure;

    std::string pem(const std::string& name) const { return dir.file(name + ".pem"); }
    std::string key(const std::string& name) const { return dir.file(name + ".key"); }
    std::string caFile() const { return pem("ca"); }

private:
    static QString text(const std::string& s) { return QString::fromStdString(s); }
    static QString text(const char* s) { return QString::fromLatin1(s); }

    template <class... A> bool openssl(const A&... args) {
        QStringList l;
        (l << ... << text(args));
        QProcess p;
        p.start("openssl", l);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            failure = "openssl " + l.join(' ').toStdString() + ": " +
                      p.readAllStandardError().toStdString();
            return false;
        }
        return true;
    }
    bool issue(const std::string& name, const std::string& altName, const char* days) {
        const std::string ext = dir.write(name + ".ext", "subjectAltName=" + altName + "\n");
        const std::string csr = dir.file(name + ".csr");
        return openssl("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                       "-keyout", key(name), "-out", csr, "-subj", "/CN=" + name) &&
               openssl("x509", "-req", "-in", csr, "-CA", pem("ca"), "-CAkey", key("ca"),
                       "-CAcreateserial", "-out", pem(name), "-days", days, "-extfile", ext);
    }
};

// Made once per test program: the openssl runs are the slow part of the TLS tests.
inline const TestAuthority& authority() {
    static const TestAuthority ca;
    return ca;
}

// The HTTPS server serving Dir with the named certificate; Relay is "" or one of the
// relay modes of tls_server.py with its byte count.
inline std::unique_ptr<testsupport::Peer> startTlsServer(const TestAuthority& ca,
                                                         const std::string& cert,
                                                         const std::string& dir,
                                                         const QStringList& relay = {}) {
    QStringList args{QString(TEST_PEERS_DIR) + "/tls_server.py", QString::fromStdString(dir),
                     QString::fromStdString(ca.pem(cert)), QString::fromStdString(ca.key(cert))};
    args << relay;
    return std::make_unique<testsupport::Peer>("/usr/bin/python3", args);
}

} // namespace nettest
