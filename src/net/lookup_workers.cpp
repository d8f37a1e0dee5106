#include "net/lookup_workers.h"

#include "net/winsock_api.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace net {

TLookupWorkers& TLookupWorkers::Instance() {
    static TLookupWorkers workers;
    return workers;
}

TLookupWorkers::~TLookupWorkers() {
    // Normally Shutdown has run with the application; this is for a process that ends
    // without one. Qt may be gone by now, so the notifier is left alone.
    Shutdown();
}

bool TLookupWorkers::open() {
    if (Notifier) return true;
    // A result is delivered by the application's event loop: without one (or while it is
    // being torn down) nothing could ever receive it.
    if (!QCoreApplication::instance() || QCoreApplication::closingDown()) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    WakeRead = fds[0];
    WakeWrite = fds[1];
    Notifier = std::make_unique<QSocketNotifier>(WakeRead, QSocketNotifier::Read);
    QObject::connect(Notifier.get(), &QSocketNotifier::activated, [this] { deliver(); });
    // Runs first thing in the application's destructor, while the event loop's machinery
    // still exists and before anything a worker could reach is gone.
    qAddPostRoutine([] { Instance().Shutdown(); });
    return true;
}

int TLookupWorkers::Start(platform::TMessageTarget* target, unsigned msg, char* buf, int bufLen,
                          TLookupWork work, bool onThread) {
    if (!open()) return 0;
    auto r = std::make_shared<TRequest>();
    r->Handle = NextHandle++;
    if (NextHandle <= 0) NextHandle = 1;
    r->Target = target;
    r->Msg = msg;
    r->Buf = buf;
    r->BufLen = bufLen;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Requests[r->Handle] = r;
    }
    if (!onThread) {
        finish(r, work());
        return r->Handle;
    }
    // The worker holds its request, not the requester: a requester gone before the
    // result only leaves a cancelled request behind.
    r->Worker = std::thread([this, r, work = std::move(work)] {
        TLookupResult result;
        if (!r->Cancelled) result = work();
        finish(r, std::move(result));
    });
    return r->Handle;
}

void TLookupWorkers::finish(const std::shared_ptr<TRequest>& r, TLookupResult result) {
    std::lock_guard<std::mutex> lock(Mutex);
    // After Shutdown has begun nothing is delivered; the worker just ends and is joined.
    if (Closed) return;
    r->Result = std::move(result);
    Finished.push_back(r->Handle);
    const char wake = 1;
    // A full pipe already holds a wake-up; the result itself is in Finished.
    [[maybe_unused]] ssize_t n = ::write(WakeWrite, &wake, 1);
}

void TLookupWorkers::deliver() {
    char drain[64];
    while (::read(WakeRead, drain, sizeof drain) > 0) {
    }
    std::vector<std::shared_ptr<TRequest>> done;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        for (int h : Finished) {
            auto it = Requests.find(h);
            if (it == Requests.end()) continue;
            done.push_back(std::move(it->second));
            Requests.erase(it);
        }
        Finished.clear();
    }
    for (const std::shared_ptr<TRequest>& r : done) {
        // The worker has handed its result over and only returns: this join is short.
        if (r->Worker.joinable()) r->Worker.join();
        if (r->Cancelled || !r->Target) continue;
        int len = 0;
        if (r->Result.Error == 0) {
            len = static_cast<int>(std::min<size_t>(r->Result.Bytes.size(), static_cast<size_t>(std::max(r->BufLen, 0))));
            if (len > 0) std::memcpy(r->Buf, r->Result.Bytes.data(), static_cast<size_t>(len));
        }
        platform::PostMessage(r->Target, r->Msg, static_cast<uintptr_t>(r->Handle),
                              tWinsockAPISV::MakeLong(len, r->Result.Error));
    }
}

bool TLookupWorkers::Cancel(int handle) {
    std::lock_guard<std::mutex> lock(Mutex);
    auto it = Requests.find(handle);
    if (it == Requests.end()) return false;
    it->second->Cancelled = true;
    return true;
}

size_t TLookupWorkers::Threads() {
    std::lock_guard<std::mutex> lock(Mutex);
    return static_cast<size_t>(std::count_if(Requests.begin(), Requests.end(),
                                             [](const auto& e) { return e.second->Worker.joinable(); }));
}

void TLookupWorkers::Shutdown() {
    std::vector<std::shared_ptr<TRequest>> all;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Closed = true;
        for (auto& [handle, r] : Requests) {
            r->Cancelled = true;
            all.push_back(r);
        }
        Requests.clear();
        Finished.clear();
    }
    // getaddrinfo cannot be interrupted: a worker still inside it is waited for here. A
    // look-up of the loopback or of a cached name ends at once; one waiting on a slow
    // name server holds the end of the program for at most the resolver's own time-out,
    // which is better than a thread that outlives what it reports to.
    for (const std::shared_ptr<TRequest>& r : all)
        if (r->Worker.joinable()) r->Worker.join();
    if (QCoreApplication::instance())
        Notifier.reset();
    else
        (void)Notifier.release();
    if (WakeRead >= 0) ::close(WakeRead);
    if (WakeWrite >= 0) ::close(WakeWrite);
    WakeRead = WakeWrite = -1;
    std::lock_guard<std::mutex> lock(Mutex);
    Closed = false; // a later application may look names up again
}

} // namespace net
