// The owner of the asynchronous name look-ups: each runs on a worker thread of its own and
// hands its result over under one lock, waking the user-interface thread through a pipe.
// The user-interface thread joins each worker once it has finished and delivers the result
// to the requester; when the application ends, every worker is cancelled and joined.
#pragma once

#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class QSocketNotifier;

namespace platform {
class TMessageTarget;
}

namespace net {

struct TLookupResult {
    std::string Bytes; // what the requester's buffer receives
    int Error = 0;     // a classic error code, 0 on success
};

// Runs on the worker: it must touch nothing but what it captured by value.
using TLookupWork = std::function<TLookupResult()>;

class TLookupWorkers {
public:
    static TLookupWorkers& Instance();
    ~TLookupWorkers();
    TLookupWorkers(const TLookupWorkers&) = delete;
    TLookupWorkers& operator=(const TLookupWorkers&) = delete;

    // Starts Work (on a thread of its own with OnThread, else at once) and returns the
    // request's handle. On completion at most BufLen bytes of the result are copied into
    // Buf and Msg is posted to Target with the handle and MAKELONG(length, error). 0 when
    // there is no application to deliver a result to.
    int Start(platform::TMessageTarget* target, unsigned msg, char* buf, int bufLen, TLookupWork work,
              bool onThread);
    // From now on the request touches neither its buffer nor its target. False for a
    // handle that is unknown or already delivered.
    bool Cancel(int handle);
    // Workers started and not yet joined.
    size_t Threads();
    // Cancels every request and joins every worker (run when the application ends).
    void Shutdown();

private:
    struct TRequest {
        int Handle = 0;
        QPointer<platform::TMessageTarget> Target;
        unsigned Msg = 0;
        char* Buf = nullptr;
        int BufLen = 0;
        std::atomic<bool> Cancelled{false};
        TLookupResult Result; // written under Mutex by the worker
        std::thread Worker;   // touched only by the user-interface thread
    };

    TLookupWorkers() = default;
    bool open();
    void finish(const std::shared_ptr<TRequest>& r, TLookupResult result);
    void deliver();

    std::mutex Mutex;
    // Guarded by Mutex: the requests not yet delivered, those whose result is in, and
    // whether workers may still hand results over.
    std::map<int, std::shared_ptr<TRequest>> Requests;
    std::vector<int> Finished;
    bool Closed = false;

    int NextHandle = 1;
    int WakeRead = -1, WakeWrite = -1;
    std::unique_ptr<QSocketNotifier> Notifier;
};

} // namespace net
