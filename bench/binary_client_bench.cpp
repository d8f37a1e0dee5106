// Fetches a 100 MB body from a local server through TBinaryClient with 4001-byte buffers,
// and the same body with curl, alternately in the same run, over plain HTTP and then over
// HTTPS, and prints the medians and their ratios. The TLS server's certificate comes from a
// throw-away authority made with the openssl command, trusted by both clients through
// their extra CA file.
#include "bench_support.h"
#include "net/buffered_socket.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Result {
    int64_t Bytes = 0;
    std::string Failure;
};

// TLS when CaFile is not empty.
Result fetchOnce(int port, const std::string& caFile) {
    net::TBinaryClient c;
    c.ReadBufferSize = 4001;
    c.WriteBufferSize = 4001;
    Result r;
    bool done = false;
    char buf[4001];
    auto take = [&](net::TBufferedSocketBase* s) {
        int n;
        while ((n = s->ReadBuf(buf, sizeof buf)) > 0)
            r.Bytes += n;
    };
    c.OnConnect = [&](net::TSockCtrl*, net::TSocketBase* s) {
        auto* b = static_cast<net::TBufferedSocketBase*>(s);
        if (!s->Connected()) {
            r.Failure = b->TlsFailure();
            done = true;
            return;
        }
        const std::string req = "GET /big.bin HTTP/1.0\r\n\r\n";
        b->WriteBlock(req.data(), static_cast<uint32_t>(req.size()));
        b->FlushWriteBuffer();
    };
    c.OnReadBufferFull = take;
    c.OnDisconnect = [&](net::TSockCtrl*, net::TSocketBase* s) {
        take(static_cast<net::TBufferedSocketBase*>(s));
        done = true;
    };
    c.SetAddress("127.0.0.1");
    c.SetPort(std::to_string(port));
    if (!caFile.empty()) c.SetTls(true, "127.0.0.1", caFile);
    c.Connect();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return r;
}

bool openssl(const QStringList& args) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start("openssl", args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool makeCertificates(const QString& d) {
    bench::WriteFile(d.toStdString() + "/ext", "subjectAltName=IP:127.0.0.1\n");
    const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    return openssl(QStringList{"req", "-x509"} + ec +
                   QStringList{"-keyout", d + "/ca.key", "-out", d + "/ca.pem", "-days", "2", "-subj",
                               "/CN=Bench CA"}) &&
           openssl(QStringList{"req"} + ec +
                   QStringList{"-keyout", d + "/server.key", "-out", d + "/server.csr", "-subj",
                               "/CN=127.0.0.1"}) &&
           openssl({"x509", "-req", "-in", d + "/server.csr", "-CA", d + "/ca.pem", "-CAkey",
                    d + "/ca.key", "-CAcreateserial", "-out", d + "/server.pem", "-days", "2",
                    "-extfile", d + "/ext"});
}

// Starts a server script and returns its port (0 when it did not start).
int startServer(QProcess& server, const QString& script, const QStringList& args) {
    server.start("/usr/bin/python3", QStringList{QString(TEST_PEERS_DIR) + "/" + script} + args);
    server.waitForStarted(10000);
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    const int port = server.readLine().trimmed().mid(5).toInt();
    if (port <= 0) std::fprintf(stderr, "server did not start: %s\n", server.readAllStandardError().constData());
    return port;
}

// Alternate fetches by TBinaryClient and curl; prints both medians and their ratio.
bool compare(const char* name, int port, const std::string& caFile, int64_t size, int runs) {
    std::vector<double> ours, theirs;
    const QString scheme = caFile.empty() ? "http" : "https";
    for (int i = 0; i < runs; ++i) {
        const double t0 = bench::Now();
        const Result got = fetchOnce(port, caFile);
        const double t1 = bench::Now();
        if (!got.Failure.empty()) {
            std::fprintf(stderr, "refused: %s\n", got.Failure.c_str());
            return false;
        }
        if (got.Bytes < size) std::fprintf(stderr, "short fetch: %lld\n", static_cast<long long>(got.Bytes));
        ours.push_back(static_cast<double>(size) / (t1 - t0) / 1e6);
        QStringList args{"-s", "-o", "/dev/null", QString("%1://127.0.0.1:%2/big.bin").arg(scheme).arg(port)};
        if (!caFile.empty()) args << "--cacert" << QString::fromStdString(caFile);
        const double t2 = bench::Now();
        const int rc = QProcess::execute("curl", args);
        const double t3 = bench::Now();
        if (rc != 0) std::fprintf(stderr, "curl failed: %d\n", rc);
        theirs.push_back(static_cast<double>(size) / (t3 - t2) / 1e6);
    }
    const double a = bench::Median(ours), b = bench::Median(theirs);
    std::printf("%s: TBinaryClient median %.1f MB/s, curl median %.1f MB/s over %d runs; ratio %.2f\n", name, a, b,
                runs, a / b);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!bench::HaveProgram("curl") || !bench::HaveProgram("openssl")) {
        std::fprintf(stderr, "needs curl and openssl (bench/setup-peers, scripts/bootstrap)\n");
        return 1;
    }
    const std::string dir = "/tmp/webling-bench-http";
    const QString d = QString::fromStdString(dir);
    QProcess::execute("mkdir", {"-p", d});
    const int64_t size = 100ll * 1024 * 1024;
    {
        std::ofstream out(dir + "/big.bin", std::ios::binary | std::ios::trunc);
        std::string block(1 << 20, 'w');
        for (int64_t i = 0; i < size; i += static_cast<int64_t>(block.size())) out << block;
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QProcess plain;
    const int plainPort = startServer(plain, "http_server.py", {d});
    if (plainPort <= 0 || !compare("HTTP", plainPort, "", size, runs)) return 1;
    plain.terminate();
    plain.waitForFinished(3000);
    if (!makeCertificates(d)) {
        std::fprintf(stderr, "could not make the certificates\n");
        return 1;
    }
    QProcess tls;
    const int tlsPort = startServer(tls, "tls_server.py", {d, d + "/server.pem", d + "/server.key"});
    if (tlsPort <= 0 || !compare("HTTPS (goal: ratio at least 0.80)", tlsPort, dir + "/ca.pem", size, runs)) return 1;
    tls.terminate();
    tls.waitForFinished(3000);
    return 0;
}
