// Time until a 1 MB page and its 30 pictures, served locally, are shown in a browser
// window: several runs, median printed.
#include "bench_support.h"
#include "shell/browser_window.h"
#include "shell/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string gif(int seed) {
    // A 64 x 48 GIF of one colour: index 0 everywhere, written with clear codes only.
    std::string g = "GIF89a";
    auto u16 = [&](int v) { g += static_cast<char>(v & 255); g += static_cast<char>(v >> 8); };
    u16(64);
    u16(48);
    g += static_cast<char>(0x80);
    g += '\0';
    g += '\0';
    g += static_cast<char>(seed * 37 % 256);
    g += static_cast<char>(seed * 91 % 256);
    g += static_cast<char>(seed * 53 % 256);
    g += std::string(3, '\0');
    g += ',';
    u16(0);
    u16(0);
    u16(64);
    u16(48);
    g += '\0';
    g += '\2';
    std::string codes;
    unsigned bits = 0;
    int nb = 0;
    auto putCode = [&](int code) {
        bits |= static_cast<unsigned>(code) << nb;
        nb += 3;
        while (nb >= 8) {
            codes += static_cast<char>(bits & 255);
            bits >>= 8;
            nb -= 8;
        }
    };
    putCode(4);
    for (int i = 0; i < 64 * 48; ++i) {
        putCode(0);
        if (i % 2 == 1) putCode(4);
    }
    putCode(5);
    if (nb) codes += static_cast<char>(bits & 255);
    for (size_t i = 0; i < codes.size(); i += 255) {
        std::string part = codes.substr(i, 255);
        g += static_cast<char>(part.size());
        g += part;
    }
    g += '\0';
    g += ';';
    return g;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    shell::SetHeadless(true);
    const std::string dir = "/tmp/webling-bench-page/";
    QDir().mkpath(QString::fromStdString(dir + "site"));
    std::string page = "<HTML><HEAD><TITLE>Big page</TITLE></HEAD><BODY>\n";
    for (int i = 0; i < 30; ++i) {
        bench::WriteFile(dir + "site/p" + std::to_string(i) + ".gif", gif(i));
        page += "<P><IMG SRC=\"p" + std::to_string(i) + ".gif\"> Picture " + std::to_string(i) + "</P>\n";
    }
    int n = 0;
    while (page.size() < 1000000) {
        page += "<P>Paragraph " + std::to_string(n++) +
                " of running text with <B>bold</B>, <I>italic</I> and <A HREF=\"x.html\">a link</A> in it, long "
                "enough to wrap over a couple of lines in a window of the usual width.</P>\n";
    }
    page += "</BODY></HTML>\n";
    bench::WriteFile(dir + "site/big.html", page);
    bench::WriteFile(dir + "webling.ini", "[users]\nusersrootdir=" + dir + "users\n[tmp]\ntmpdir=" + dir + "tmp\n[cache]\ncachedir=" +
                                   dir + "cache\n");

    QProcess server;
    server.start("python3", {QString(TEST_PEERS_DIR) + "/http_server.py", QString::fromStdString(dir + "site")});
    server.waitForStarted(10000);
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    const int port = server.readLine().trimmed().mid(5).toInt();
    if (port <= 0) return 1;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/big.html";

    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    std::vector<double> pageTimes, allTimes;
    for (int r = 0; r < runs; ++r) {
        shell::TWindowParams p;
        p.ProgramDir = dir;
        p.IsMainWindow = false;
        shell::TFMain w(p);
        w.resize(731, 677);
        w.show();
        w.StartUrl.clear();
        w.FirstActivate();
        const double t0 = bench::Now();
        w.OpenUrl(url, true);
        const double t1 = bench::Now();
        while (w.ImagesPending()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
        const double t2 = bench::Now();
        pageTimes.push_back(t1 - t0);
        allTimes.push_back(t2 - t0);
        w.close();
    }
    server.terminate();
    server.waitForFinished(3000);
    std::printf("page of %zu bytes with 30 pictures, %d runs\n", page.size(), runs);
    std::printf("page shown:               median %.0f ms\n", bench::Median(pageTimes) * 1000);
    std::printf("page and all its pictures: median %.0f ms\n", bench::Median(allTimes) * 1000);
    return 0;
}
