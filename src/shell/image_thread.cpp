#include "shell/image_thread.h"

#include "general/records.h"
#include "image/memory_stream.h"
#include "net/tls_session.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "shell/cache_files.h"
#include "shell/http_retrieval.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace shell {

std::string ImageRequest(const TImageJob& job) {
    const general::TRECURL& u = job.RecUrl;
    const std::string target = job.UseProxy ? "http://" + u.Host + ":" + u.Port + u.Path : u.Path;
    return "GET " + target + " HTTP/1.0\r\nHost: " + u.Host + "\r\nAccept: */*\r\nAccept-Encoding: \r\n"
           "User-Agent: Webling 1.0\r\n\r\n";
}

namespace {

using Clock = std::chrono::steady_clock;

// The longest a worker waits without looking at its cancel flag.
constexpr std::chrono::milliseconds CancelSlice{100};
// The whole retrieval of a picture may take this many time-outs.
constexpr int DeadlineTimeOuts = 10;

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// The limits of one retrieval: each wait ends at the next time-out or the deadline,
// whichever comes first, or when the flag is set.
struct TLimits {
    const std::atomic<bool>* Cancel;
    std::chrono::seconds TimeOut;
    Clock::time_point Deadline;

    Clock::time_point nextLimit() const {
        if (TimeOut.count() <= 0) return Clock::time_point::max();
        return std::min(Clock::now() + TimeOut, Deadline);
    }
};

// Waits until Fd is ready for Events; false when the limit passed or the flag was set.
bool waitFor(int fd, short events, Clock::time_point until, const std::atomic<bool>* cancel) {
    while (!cancelled(cancel)) {
        const auto now = Clock::now();
        if (now >= until) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now);
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::min(left, CancelSlice).count()) + 1);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
    return false;
}

// A name looked up without blocking the worker beyond one slice: the resolver works on
// its own, and the worker gives up at its limit or when cancelled.
bool resolve(const std::string& host, in_addr& addr, Clock::time_point until, const std::atomic<bool>* cancel) {
    if (::inet_aton(host.c_str(), &addr)) return true;
    struct TLookup {
        std::string Name;
        addrinfo Hints{};
        gaicb Request{};
    };
    auto* l = new TLookup;
    l->Name = host;
    l->Hints.ai_family = AF_INET;
    l->Hints.ai_socktype = SOCK_STREAM;
    l->Request.ar_name = l->Name.c_str();
    l->Request.ar_request = &l->Hints;
    gaicb* list[1] = {&l->Request};
    if (::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        delete l;
        return false;
    }
    int state = EAI_INPROGRESS;
    while ((state = ::gai_error(&l->Request)) == EAI_INPROGRESS) {
        if (cancelled(cancel) || Clock::now() >= until) {
            if (::gai_cancel(&l->Request) == EAI_NOTCANCELED) {
                // The resolver still writes into the request: it is left to it, a few
                // hundred bytes for a look-up abandoned in the middle.
                return false;
            }
            break;
        }
        timespec slice{0, std::chrono::duration_cast<std::chrono::nanoseconds>(CancelSlice).count()};
        const gaicb* waiting[1] = {&l->Request};
        ::gai_suspend(waiting, 1, &slice);
    }
    bool found = false;
    if (state == 0 && l->Request.ar_result) {
        addr = reinterpret_cast<sockaddr_in*>(l->Request.ar_result->ai_addr)->sin_addr;
        found = true;
    }
    if (l->Request.ar_result) ::freeaddrinfo(l->Request.ar_result);
    delete l;
    return found;
}

bool connectWithin(int fd, const sockaddr_in& a, const TLimits& limits) {
    int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    if (r != 0 && errno != EINPROGRESS) return false;
    if (r != 0) {
        if (!waitFor(fd, POLLOUT, limits.nextLimit(), limits.Cancel)) return false;
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) return false;
    }
    return true;
}

bool sendAll(int fd, const std::string& data, const TLimits& limits) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd, POLLOUT, limits.nextLimit(), limits.Cancel)) return false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

namespace {

// One connection of a worker, plain or through TLS: whole sends and single receives, each
// within the retrieval's limits.
class TWorkerConnection {
public:
    TWorkerConnection(int fd, const TLimits& limits) : Fd(fd), Limits(limits) {}

    // Starts TLS on the connection: false (with Failure set) when the server's
    // certificate does not hold or the handshake does not end in time.
    bool startTls(const std::string& host, const std::string& caFile) {
        Tls = std::make_unique<net::TTlsSession>(host, caFile);
        while (Tls->Handshake() == net::TTlsSession::tsHandshaking) {
            if (!flushCipher() || !receiveCipher()) {
                if (Tls->State() == net::TTlsSession::tsHandshaking) Tls->TransportClosed();
                break;
            }
        }
        Failure = Tls->Failure();
        return Tls->State() == net::TTlsSession::tsEstablished && flushCipher();
    }

    bool send(const std::string& data) {
        if (!Tls) return sendAll(Fd, data, Limits);
        for (size_t done = 0; done < data.size();) {
            const int n = Tls->Write(data.data() + done, data.size() - done);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return flushCipher();
    }

    // Bytes received: the count, 0 at the end, -1 on a failure or at the limits.
    ssize_t receive(char* buf, size_t size) {
        if (!Tls) {
            while (waitFor(Fd, POLLIN, Limits.nextLimit(), Limits.Cancel)) {
                const ssize_t n = ::recv(Fd, buf, size, 0);
                if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
                return n;
            }
            return -1;
        }
        while (true) {
            const int n = Tls->Read(buf, size);
            if (n > 0) return n;
            if (n < 0) return Tls->State() == net::TTlsSession::tsFailed ? -1 : 0;
            if (!flushCipher()) return -1;
            if (!receiveCipher()) Tls->TransportClosed();
        }
    }

    std::string Failure;

private:
    bool flushCipher() {
        std::string out(Tls->CipherPending(), '\0');
        out.resize(Tls->TakeCipher(out.data(), out.size()));
        return out.empty() || sendAll(Fd, out, Limits);
    }
    // False at the end of the transport, on an error or at the limits.
    bool receiveCipher() {
        char buf[16384];
        while (waitFor(Fd, POLLIN, Limits.nextLimit(), Limits.Cancel)) {
            const ssize_t n = ::recv(Fd, buf, sizeof buf, 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return false;
            Tls->PutCipher(buf, static_cast<size_t>(n));
            return true;
        }
        return false;
    }

    int Fd;
    const TLimits& Limits;
    std::unique_ptr<net::TTlsSession> Tls;
};

// Asks the proxy for a tunnel to the picture's server; true once it has said 200.
bool openTunnel(TWorkerConnection& c, const general::TRECURL& url) {
    if (!c.send(TunnelRequest(url))) return false;
    std::string reply;
    char ch;
    // Byte by byte, so that nothing of the TLS that follows is taken with the answer.
    while (reply.size() < general::THTTPThings::HeaderLimit && !reply.ends_with("\r\n\r\n")) {
        if (c.receive(&ch, 1) != 1) return false;
        reply += ch;
    }
    return TunnelOpened(reply);
}

} // namespace

bool FetchImage(const TImageJob& job, std::string& bytes, const std::atomic<bool>* cancel) {
    bytes.clear();
    const TLimits limits{cancel, std::chrono::seconds(job.TimeOut),
                         Clock::now() + std::chrono::seconds(job.TimeOut) * DeadlineTimeOuts};
    Fd s;
    s.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s.fd < 0) return false;
    const std::string host = job.UseProxy ? job.ProxyServer : job.RecUrl.Host;
    int port = -1;
    if (!platform::ParseIntegerText(job.UseProxy ? job.ProxyPort : job.RecUrl.Port, port) || port < 0 || port > 65535)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (!resolve(host, a.sin_addr, limits.nextLimit(), cancel)) return false;
    if (!connectWithin(s.fd, a, limits)) return false;
    TWorkerConnection connection(s.fd, limits);
    TImageJob request = job;
    if (job.Tls) {
        if (job.UseProxy && !openTunnel(connection, job.RecUrl)) return false;
        if (!connection.startTls(job.RecUrl.Host, job.CaFile)) return false;
        // Inside the tunnel the server itself is addressed.
        request.UseProxy = false;
    }
    if (!connection.send(ImageRequest(request))) return false;

    general::THTTPThings http;
    http.LocalFile = job.CacheFile;
    TResponseSplitter splitter(http, true);
    splitter.Reset();
    // The cache file is the user's own, never a link planted at its name.
    Fd file;
    file.fd = OpenCacheFile(job.CacheFile);
    if (file.fd < 0) return false;
    char buf[16384];
    bool complete = false;
    while (true) {
        const ssize_t n = connection.receive(buf, sizeof buf);
        if (n <= 0) {
            complete = n == 0;
            break;
        }
        // Redirections and content types are noted but not acted on: whatever body
        // arrives becomes the picture.
        splitter.Process(buf, static_cast<size_t>(n), [&](const char* p, size_t k) {
            if (file.fd >= 0 && ::write(file.fd, p, k) < 0) {
                ::close(file.fd);
                file.fd = -1;
            }
        });
        if (!http.InHeader && http.ContentLength >= 0 && http.ReceivedBytes >= http.ContentLength) {
            complete = true;
            break;
        }
    }
    if (file.fd >= 0) {
        ::close(file.fd);
        file.fd = -1;
    }
    if (cancelled(cancel)) return false;
    platform::ReadWholeFile(job.CacheFile, bytes);
    return complete;
}

TImageThreads::TImageThreads(std::function<void(const std::string&, image::TMemoryStream&)> deliver)
    : Deliver(std::move(deliver)), Cancel(std::make_shared<std::atomic<bool>>(false)) {}

TImageThreads::~TImageThreads() { Stop(); }

void TImageThreads::Start(std::deque<TImageJob> jobs) {
    Queue = std::move(jobs);
    launchMore();
}

void TImageThreads::Stop() {
    Queue.clear();
    Cancel->store(true);
    for (auto& [id, worker] : Workers)
        if (worker.joinable()) worker.join();
    Workers.clear();
    // Hand-overs the cancelled workers posted find their flag set and deliver nothing.
    Cancel = std::make_shared<std::atomic<bool>>(false);
}

void TImageThreads::launchMore() {
    while (Running() < MaxRunning && !Queue.empty()) {
        TImageJob job = std::move(Queue.front());
        Queue.pop_front();
        const int id = NextId++;
        std::shared_ptr<std::atomic<bool>> cancel = Cancel;
        TImageThreads* self = this;
        Workers.emplace(id, std::thread([job = std::move(job), cancel, self, id] {
            std::string bytes;
            FetchImage(job, bytes, cancel.get());
            if (cancel->load()) return;
            // The hand-over runs on the user-interface thread. A launcher that has been
            // stopped or destroyed since has joined this worker and set its flag first,
            // so the flag tells whether Self is still there to receive it.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [cancel, self, id, srcs = job.Srcs, bytes = std::move(bytes)]() mutable {
                    if (!cancel->load()) self->finished(id, srcs, std::move(bytes));
                },
                Qt::QueuedConnection);
        }));
    }
}

void TImageThreads::finished(int id, const std::vector<std::string>& srcs, std::string bytes) {
    if (auto it = Workers.find(id); it != Workers.end()) {
        // The worker has nothing left to do but return.
        if (it->second.joinable()) it->second.join();
        Workers.erase(it);
    }
    for (const std::string& src : srcs) {
        image::TMemoryStream stream(bytes);
        if (Deliver) Deliver(src, stream);
    }
    launchMore();
}

} // namespace shell
