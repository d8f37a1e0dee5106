// What the window tests share: a window on a program directory of the test's own, and a
// tinyproxy of its own on a free loopback port.
#pragma once

#include "shell/access_rules.h"
#include "shell/browser_window.h"
#include "test_support.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <string>

namespace shelltest {

// A further window whose webling.ini keeps its per-user directories inside Dir, with Ini
// added (it must not hold [users], [tmp] or [cache]); first activation done, no start page.
inline std::unique_ptr<shell::TFMain> Window(const testsupport::TempDir& dir, const std::string& ini) {
    dir.write("webling.ini", "[users]\nusersrootdir=" + dir.path() + "users\n[tmp]\ntmpdir=" + dir.path() +
                                 "tmp\n[cache]\ncachedir=" + dir.path() + "cache\n" + ini);
    shell::TWindowParams p;
    p.ProgramDir = dir.path();
    p.IsMainWindow = false;
    // Each test's restrictions are its own, not the first window's of the program.
    shell::ResetSharedRestrictions();
    auto w = std::make_unique<shell::TFMain>(p);
    // First activation makes the request method GET; there is no start page here.
    w->StartUrl.clear();
    w->FirstActivate();
    return w;
}

// tinyproxy on a free port, allowing CONNECT to ConnectPort when given; Port is 0 when
// tinyproxy is not installed or did not start.
class Tinyproxy {
public:
    Tinyproxy(const testsupport::TempDir& dir, int connectPort = 0) {
        if (!QFile::exists("/usr/bin/tinyproxy")) return;
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const int port = probe.serverPort();
        probe.close();
        std::string conf = "Port " + std::to_string(port) +
                           "\nListen 127.0.0.1\nTimeout 30\nMaxClients 10\nAllow 127.0.0.1\nLogLevel Error\n";
        if (connectPort > 0) conf += "ConnectPort " + std::to_string(connectPort) + "\n";
        Proc.start("/usr/bin/tinyproxy", {"-d", "-c", QString::fromStdString(dir.write("tinyproxy.conf", conf))});
        if (!Proc.waitForStarted()) return;
        if (testsupport::waitUntil([&] {
                QTcpSocket check;
                check.connectToHost("127.0.0.1", static_cast<quint16>(port));
                return check.waitForConnected(100);
            }))
            Port = port;
    }
    ~Tinyproxy() {
        Proc.terminate();
        Proc.waitForFinished(3000);
    }
    int Port = 0;

private:
    QProcess Proc;
};

} // namespace shelltest
