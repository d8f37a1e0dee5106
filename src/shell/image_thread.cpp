#include "shell/image_thread.h"

#include "general/records.h"
#include "image/memory_stream.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "shell/http_retrieval.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace shell {

std::string ImageRequest(const TImageJob& job) {
    const general::TRECURL& u = job.RecUrl;
    const std::string target = job.UseProxy ? "http://" + u.Host + ":" + u.Port + u.Path : u.Path;
    return "GET " + target + " HTTP/1.0\r\nHost: " + u.Host + "\r\nAccept: */*\r\nAccept-Encoding: \r\n"
           "User-Agent: Webling 1.0\r\n\r\n";
}

namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool resolve(const std::string& host, in_addr& addr) {
    if (::inet_aton(host.c_str(), &addr)) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
    addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
    ::freeaddrinfo(res);
    return true;
}

// A connect that gives up after TimeOut seconds (never, for 0).
bool connectWithin(int fd, const sockaddr_in& a, int timeOut) {
    int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    if (r != 0 && errno != EINPROGRESS) return false;
    if (r != 0) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, timeOut > 0 ? timeOut * 1000 : -1) != 1) return false;
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) return false;
    }
    ::fcntl(fd, F_SETFL, flags);
    return true;
}

} // namespace

bool FetchImage(const TImageJob& job, std::string& bytes) {
    bytes.clear();
    Fd s;
    s.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s.fd < 0) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (::bind(s.fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return false;
    const std::string host = job.UseProxy ? job.ProxyServer : job.RecUrl.Host;
    int port = -1;
    if (!platform::ParseIntegerText(job.UseProxy ? job.ProxyPort : job.RecUrl.Port, port) || port < 0 || port > 65535)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (!resolve(host, a.sin_addr)) return false;
    if (!connectWithin(s.fd, a, job.TimeOut)) return false;
    if (job.TimeOut > 0) {
        timeval tv{job.TimeOut, 0};
        ::setsockopt(s.fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(s.fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }

    general::THTTPThings http;
    http.LocalFile = job.CacheFile;
    TResponseSplitter splitter(http, true);
    splitter.Reset();
    Fd file;
    file.fd = ::open(job.CacheFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const std::string request = ImageRequest(job);
    ::send(s.fd, request.data(), request.size(), MSG_NOSIGNAL);
    char buf[1024];
    while (true) {
        ssize_t n = ::recv(s.fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        // Redirections and content types are noted but not acted on: whatever body
        // arrives becomes the picture.
        splitter.Process(buf, static_cast<size_t>(n), [&](const char* p, size_t k) {
            if (file.fd >= 0 && ::write(file.fd, p, k) < 0) {
                ::close(file.fd);
                file.fd = -1;
            }
        });
        if (!http.InHeader && http.ContentLength >= 0 && http.ReceivedBytes >= http.ContentLength) break;
    }
    if (file.fd >= 0) {
        ::close(file.fd);
        file.fd = -1;
    }
    platform::ReadWholeFile(job.CacheFile, bytes);
    return true;
}

TImageThreads::TImageThreads(std::function<void(const std::string&, image::TMemoryStream&)> deliver)
    : Deliver(std::move(deliver)), Alive(std::make_shared<bool>(true)) {}

TImageThreads::~TImageThreads() { *Alive = false; }

void TImageThreads::Start(std::deque<TImageJob> jobs) {
    Queue = std::move(jobs);
    launchMore();
}

void TImageThreads::launchMore() {
    while (RunningCount < MaxRunning && !Queue.empty()) {
        TImageJob job = std::move(Queue.front());
        Queue.pop_front();
        ++RunningCount;
        std::weak_ptr<bool> alive = Alive;
        TImageThreads* self = this;
        std::thread([job = std::move(job), alive, self] {
            std::string bytes;
            FetchImage(job, bytes);
            // The hand-over runs on the user-interface thread; a launcher that is gone by
            // then (its window closed) receives nothing.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [alive, self, srcs = job.Srcs, bytes = std::move(bytes)]() mutable {
                    if (auto a = alive.lock(); a && *a) self->finished(srcs, std::move(bytes));
                },
                Qt::QueuedConnection);
        }).detach();
    }
}

void TImageThreads::finished(const std::vector<std::string>& srcs, std::string bytes) {
    --RunningCount;
    for (const std::string& src : srcs) {
        image::TMemoryStream stream(bytes);
        if (Deliver) Deliver(src, stream);
    }
    launchMore();
}

} // namespace shell
