// Fetches a 100 MB body from a local HTTP server through TBinaryClient with 4001-byte
// buffers, and the same body with curl, several times each, and prints the medians.
#include "bench_support.h"
#include "net/buffered_socket.h"
#include "platform/clock.h"

#include <QApplication>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

int64_t fetchOnce(int port) {
    net::TBinaryClient c;
    c.ReadBufferSize = 4001;
    c.WriteBufferSize = 4001;
    int64_t total = 0;
    bool done = false;
    char buf[4001];
    auto take = [&](net::TBufferedSocketBase* s) {
        int n = s->ReadBuf(buf, sizeof buf);
        if (n > 0) total += n;
    };
    c.OnConnect = [&](net::TSockCtrl*, net::TSocketBase* s) {
        auto* b = static_cast<net::TBufferedSocketBase*>(s);
        if (!s->Connected()) {
            done = true;
            return;
        }
        std::string req = "GET /big.bin HTTP/1.0\r\n\r\n";
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
    c.Connect();
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return total;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string dir = "/tmp/webling-bench-http";
    QProcess::execute("mkdir", {"-p", QString::fromStdString(dir)});
    const int64_t size = 100ll * 1024 * 1024;
    {
        std::ofstream out(dir + "/big.bin", std::ios::binary | std::ios::trunc);
        std::string block(1 << 20, 'w');
        for (int64_t i = 0; i < size; i += static_cast<int64_t>(block.size())) out << block;
    }
    QProcess server;
    server.start("python3", {QString(TEST_PEERS_DIR) + "/http_server.py", QString::fromStdString(dir)});
    server.waitForStarted(10000);
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    int port = server.readLine().trimmed().mid(5).toInt();
    if (port <= 0) {
        std::fprintf(stderr, "server did not start: %s\n", server.readAllStandardError().constData());
        return 1;
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    std::vector<double> ours, theirs;
    for (int i = 0; i < runs; ++i) {
        double t0 = bench::Now();
        int64_t got = fetchOnce(port);
        double t1 = bench::Now();
        if (got < size) std::fprintf(stderr, "short fetch: %lld\n", static_cast<long long>(got));
        ours.push_back(static_cast<double>(size) / (t1 - t0) / 1e6);
        double t2 = bench::Now();
        QProcess::execute("curl", {"-s", "-o", "/dev/null", QString("http://127.0.0.1:%1/big.bin").arg(port)});
        double t3 = bench::Now();
        theirs.push_back(static_cast<double>(size) / (t3 - t2) / 1e6);
    }
    server.terminate();
    server.waitForFinished(3000);
    const double a = bench::Median(ours), b = bench::Median(theirs);
    std::printf("TBinaryClient (4001-byte buffers): median %.1f MB/s over %d runs\n", a, runs);
    std::printf("curl:                              median %.1f MB/s over %d runs\n", b, runs);
    std::printf("ratio TBinaryClient / curl: %.2f\n", a / b);
    return 0;
}
