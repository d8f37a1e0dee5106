// What the window tests share: windows on a program directory of the test's own, the
// recording server's log, the built program run headless, and a tinyproxy of their own.
#pragma once

#include "shell/access_rules.h"
#include "shell/browser_window.h"
#include "shell/dialogs.h"
#include "test_support.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace shelltest {

// The [users], [tmp] and [cache] sections that keep the per-user directories inside Dir.
inline std::string DirsIni(const testsupport::TempDir& dir) {
    return "[users]\nusersrootdir=" + dir.path() + "users\n[tmp]\ntmpdir=" + dir.path() +
           "tmp\n[cache]\ncachedir=" + dir.path() + "cache\n";
}

// A further window on the program directory Dir, as its webling.ini stands.
inline std::unique_ptr<shell::TFMain> NewWindow(const testsupport::TempDir& dir,
                                                std::optional<std::string> arg = {}) {
    shell::TWindowParams p;
    p.ProgramDir = dir.path();
    p.StartArgument = std::move(arg);
    p.IsMainWindow = false;
    return std::make_unique<shell::TFMain>(p);
}

// Writes DirsIni and More as the webling.ini of the program directory Dir.
inline void WriteIni(const testsupport::TempDir& dir, const std::string& more = "") {
    dir.write("webling.ini", DirsIni(dir) + more);
}

// A loopback port nothing listens on (until someone else takes it).
inline int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// tests/peers/http_server.py serving the directory Root, logging "GET /path" lines when Log.
inline std::unique_ptr<testsupport::Peer> FileServer(const std::string& root, bool log = false) {
    QStringList args{testsupport::peerScript("http_server.py"), QString::fromStdString(root)};
    if (log) args << "--log";
    return std::make_unique<testsupport::Peer>("python3", args);
}

// A further window with DirsIni and Ini (which must not hold [users], [tmp] or [cache]);
// first activation done, no start page.
inline std::unique_ptr<shell::TFMain> Window(const testsupport::TempDir& dir,
                                             const std::string& ini) {
    WriteIni(dir, ini);
    // Each test's restrictions are its own, not the first window's of the program.
    shell::ResetSharedRestrictions();
    auto w = NewWindow(dir);
    // First activation makes the request method GET; there is no start page here.
    w->StartUrl.clear();
    w->FirstActivate();
    return w;
}

// Message boxes print to standard error and dialogs are cancelled while this lives.
struct Headless {
    Headless() { shell::SetHeadless(true); }
    ~Headless() { shell::SetHeadless(false); }
};

// The bytes of a 1 x 1 GIF.
inline std::string Gif() {
    static const char g[] = "GIF89a\1\0\1\0\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0\1\0\1\0\0\2\2D\1\0;";
    return std::string(g, sizeof g - 1);
}

// tests/peers/recording_server.py, which logs every request it has read in full.
class RecordingServer {
public:
    RecordingServer() : Peer("python3", {testsupport::peerScript("recording_server.py")}) {}
    std::string base() const { return "http://127.0.0.1:" + std::to_string(Peer.port()); }
    // The requests read so far, decoded.
    std::vector<std::string> requests() {
        Log += Peer.output();
        std::vector<std::string> out;
        for (size_t pos = 0; (pos = Log.find("REQ ", pos)) != std::string::npos;) {
            const size_t end = Log.find('\n', pos);
            const auto hex = QByteArray::fromStdString(Log.substr(pos + 4, end - pos - 4));
            out.push_back(QByteArray::fromHex(hex).toStdString());
            pos = end;
        }
        return out;
    }
    // Whether a request beginning with Start has been read (it may still be unanswered).
    bool asked(const std::string& start) {
        Log += Peer.output();
        return Log.find(QByteArray::fromStdString(start).toHex().toStdString()) !=
               std::string::npos;
    }
    testsupport::Peer Peer;

private:
    std::string Log;
};

// A copy of the built program and its start files in Dir, with DirsIni as its webling.ini.
inline bool CopyProgram(const testsupport::TempDir& dir) {
    for (const char* f : {"webling", "home.html", "about-webling.html", "webling-logo.gif"}) {
        const QString to = QString::fromStdString(dir.file(f));
        if (!QFile::copy(QString(WEBLING_BINARY_DIR) + "/" + f, to)) return false;
    }
    WriteIni(dir);
    return QFile::setPermissions(QString::fromStdString(dir.file("webling")),
                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

struct RunResult {
    int code;
    std::string out, err;
};

// Runs the copy in Dir without a display, as a person at a terminal would.
inline RunResult Run(const testsupport::TempDir& dir, const QStringList& args,
                     const std::string& workDir = "") {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(v);
    p.setProcessEnvironment(env);
    if (!workDir.empty()) p.setWorkingDirectory(QString::fromStdString(workDir));
    p.start(QString::fromStdString(dir.file("webling")), args);
    if (!p.waitForFinished(60000)) return {-1, "", "did not finish"};
    return {p.exitCode(), p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

// tinyproxy on a free port, allowing CONNECT to ConnectPort when given; Port is 0 when
// tinyproxy is not installed or did not start.
class Tinyproxy {
public:
    Tinyproxy(const testsupport::TempDir& dir, int connectPort = 0) {
        if (!QFile::exists("/usr/bin/tinyproxy")) return;
        const int port = FreePort();
        std::string conf = "Port " + std::to_string(port) + "\nListen 127.0.0.1\nTimeout 30\n"
                           "MaxClients 10\nAllow 127.0.0.1\nLogLevel Error\n";
        if (connectPort > 0) conf += "ConnectPort " + std::to_string(connectPort) + "\n";
        const std::string confFile = dir.write("tinyproxy.conf", conf);
        Proc.start("/usr/bin/tinyproxy", {"-d", "-c", QString::fromStdString(confFile)});
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
