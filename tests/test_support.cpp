#include "test_support.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>

namespace testsupport {

TempDir::TempDir() {
    QDir().mkpath(QString(TEST_BINARY_DIR) + "/scratch");
    QTemporaryDir t(QString(TEST_BINARY_DIR) + "/scratch/t-XXXXXX");
    t.setAutoRemove(false);
    Path = t.path().toStdString() + "/";
}

TempDir::~TempDir() { QDir(QString::fromStdString(Path)).removeRecursively(); }

std::string TempDir::write(const std::string& name, const std::string& data) const {
    std::string full = Path + name;
    QDir().mkpath(QFileInfo(QString::fromStdString(full)).absolutePath());
    std::ofstream out(full, std::ios::binary);
    out << data;
    return full;
}

Peer::Peer(const QString& program, const QStringList& args, const QString& workDir)
    : Proc(std::make_unique<QProcess>()) {
    if (!workDir.isEmpty()) Proc->setWorkingDirectory(workDir);
    Proc->setProcessChannelMode(QProcess::SeparateChannels);
    Proc->start(program, args);
    if (!Proc->waitForStarted(10000)) {
        Error = "cannot start " + program.toStdString();
        return;
    }
    QByteArray line;
    while (!line.contains('\n') && Proc->waitForReadyRead(15000)) line += Proc->readLine();
    if (!line.contains('\n')) {
        Error = "no port from " + program.toStdString() + ": " +
                Proc->readAllStandardError().toStdString();
        return;
    }
    line = line.trimmed();
    if (line.startsWith("PORT ")) Port = line.mid(5).toInt();
    if (Port <= 0) Error = "unexpected first line: " + line.toStdString();
}

Peer::~Peer() {
    if (Proc->state() != QProcess::NotRunning) {
        Proc->terminate();
        if (!Proc->waitForFinished(3000)) {
            Proc->kill();
            Proc->waitForFinished(3000);
        }
    }
}

std::string Peer::output() {
    Proc->waitForReadyRead(50);
    return Proc->readAllStandardOutput().toStdString();
}

QString peerScript(const char* name) { return QString(TEST_PEERS_DIR) + "/" + name; }

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    // Each condition is asked once per turn: asking again after it held could find it
    // gone (a caption while the window is replaced, say) and report a failure.
    while (true) {
        if (done()) return true;
        if (t.elapsed() >= ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

void feedSplit(const std::string& reply, size_t split,
               const std::function<void(const char*, size_t)>& deliver,
               const std::function<void(size_t)>& quiet) {
    if (reply.empty()) return;
    if (split == 1) {
        for (size_t i = 0; i + 1 < reply.size(); ++i) {
            deliver(&reply[i], 1);
            quiet(i + 1);
        }
    } else if (split > 1 && split < reply.size()) {
        deliver(reply.data(), split - 1);
        quiet(split - 1);
        deliver(reply.data() + split - 1, reply.size() - split);
        quiet(reply.size() - 1);
    } else {
        deliver(reply.data(), reply.size() - 1);
        quiet(reply.size() - 1);
    }
    deliver(&reply.back(), 1);
}

std::string pngBytes(int w, int h, QColor color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes.toStdString();
}

} // namespace testsupport
