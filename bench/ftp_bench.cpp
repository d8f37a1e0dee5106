// Fetches a 100 MB file over active FTP from a local pyftpdlib server with TClientFTP and
// with curl (also active, also into a file), several times each, and prints the medians
// and their ratio. Each run is a whole session: log-in, the transfer, log-out.
#include "bench_support.h"
#include "ftp/client_ftp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool haveCurl() { return QProcess::execute("curl", {"--version"}) == 0; }

int64_t fetchOnce(int port, const std::string& local) {
    ftp::TClientFTP c;
    c.Host = "127.0.0.1";
    c.Port = port;
    c.User = "anonymous";
    c.Password = "bench@webling";
    c.TimeOut = 30;
    std::string home, system;
    if (!c.Login(home, system)) {
        std::fprintf(stderr, "log-in failed: %s\n", c.Error.c_str());
        return -1;
    }
    c.RemotePath = "/big.bin";
    const bool ok = c.GetFile(local);
    if (!ok) std::fprintf(stderr, "transfer failed: %s\n", c.Error.c_str());
    c.Logout();
    return ok ? QFileInfo(QString::fromStdString(local)).size() : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // curl belongs to the benchmark's set-up, not to the tests: the bootstrap installs it.
    if (!haveCurl()) {
        QProcess::execute(QString(PROJECT_SOURCE_DIR) + "/scripts/bootstrap", {});
        if (!haveCurl()) {
            std::fprintf(stderr, "curl is missing and could not be installed\n");
            return 1;
        }
    }
    const std::string dir = "/tmp/webling-bench-ftp";
    QProcess::execute("mkdir", {"-p", QString::fromStdString(dir)});
    const int64_t size = 100ll * 1024 * 1024;
    {
        std::ofstream out(dir + "/big.bin", std::ios::binary | std::ios::trunc);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 % 251);
        for (int64_t i = 0; i < size; i += static_cast<int64_t>(block.size())) out << block;
    }
    QProcess server;
    server.start("/usr/bin/python3", {QString(TEST_PEERS_DIR) + "/ftp_server.py", QString::fromStdString(dir)});
    server.waitForStarted(10000);
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    const int port = server.readLine().trimmed().mid(5).toInt();
    if (port <= 0) {
        std::fprintf(stderr, "server did not start: %s\n", server.readAllStandardError().constData());
        return 1;
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const std::string ours = dir + "/ours.bin", theirs = dir + "/curl.bin";
    std::vector<double> oursRate, curlRate;
    for (int i = 0; i < runs; ++i) {
        double t0 = bench::Now();
        const int64_t got = fetchOnce(port, ours);
        double t1 = bench::Now();
        if (got != size) std::fprintf(stderr, "TClientFTP fetched %lld bytes\n", static_cast<long long>(got));
        oursRate.push_back(static_cast<double>(size) / (t1 - t0) / 1e6);
        double t2 = bench::Now();
        QProcess::execute("curl", {"-s", "--ftp-port", "127.0.0.1", "-o", QString::fromStdString(theirs),
                                   QString("ftp://127.0.0.1:%1/big.bin").arg(port)});
        double t3 = bench::Now();
        if (QFileInfo(QString::fromStdString(theirs)).size() != size) std::fprintf(stderr, "curl fetched too little\n");
        curlRate.push_back(static_cast<double>(size) / (t3 - t2) / 1e6);
    }
    server.terminate();
    server.waitForFinished(3000);
    QProcess::execute("rm", {"-f", QString::fromStdString(ours), QString::fromStdString(theirs),
                             QString::fromStdString(dir + "/big.bin")});
    const double a = bench::Median(oursRate), b = bench::Median(curlRate);
    std::printf("TClientFTP (active):   median %.1f MB/s over %d runs\n", a, runs);
    std::printf("curl --ftp-port:       median %.1f MB/s over %d runs\n", b, runs);
    std::printf("ratio TClientFTP / curl: %.2f\n", a / b);
    return 0;
}
