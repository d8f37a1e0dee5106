// Helpers shared by the tests: scratch directories and real peer processes
// (HTTP, FTP, SMTP servers and proxies) started on 127.0.0.1 with an ephemeral port.
#pragma once

#include <QColor>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

namespace testsupport {

// A fresh directory below the build tree, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The path, ending in "/".
    const std::string& path() const { return Path; }
    std::string file(const std::string& name) const { return Path + name; }
    // Writes a file below the directory (creating subdirectories) and returns its path.
    std::string write(const std::string& name, const std::string& data) const;

private:
    std::string Path;
};

// A peer program that prints "PORT <n>" on its first line of standard output once it
// listens. Stopped (and killed if need be) on destruction.
class Peer {
public:
    Peer(const QString& program, const QStringList& args, const QString& workDir = {});
    ~Peer();
    bool started() const { return Port > 0; }
    int port() const { return Port; }
    std::string errorText() const { return Error; }
    // Everything the peer wrote to standard output after the port line.
    std::string output();

private:
    std::unique_ptr<QProcess> Proc;
    int Port = 0;
    std::string Error;
};

// Path of a script in tests/peers/.
QString peerScript(const char* name);

std::string readFile(const std::string& name);

// Handles messages until Done is true or Ms milliseconds have passed; returns Done.
bool waitUntil(const std::function<bool()>& done, int ms = 20000);

// Hands a protocol reply to Deliver whole (split 0), a byte at a time (split 1) or in two
// pieces cut after Split - 1 bytes, and its last byte always alone. Quiet(bytesSoFar) runs
// before the last byte: it checks that nothing was answered before the reply was complete.
void feedSplit(const std::string& reply, size_t split, const std::function<void(const char*, size_t)>& deliver,
               const std::function<void(size_t)>& quiet);

// The bytes of a PNG picture of one colour.
std::string pngBytes(int w, int h, QColor color);

} // namespace testsupport
