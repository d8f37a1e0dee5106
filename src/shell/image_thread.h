// Background image retrieval: one worker per image address of a page fetches the picture
// over HTTP/1.0 with plain sockets into its cache file and hands the bytes to the
// user-interface thread. The launcher keeps at most 50 workers running for a page and
// starts the next as one ends, until every address has been fetched or Stop is pressed.
// Every worker is owned and joined: Stop and the launcher's end cancel the running ones,
// which notice within a fraction of a second, since no wait of theirs is longer.
#pragma once

#include "general/url.h"

#include <QObject>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace image {
class TMemoryStream;
}

namespace shell {

struct TImageJob {
    // The addresses as written in the page (the viewer's keys) that name this picture.
    std::vector<std::string> Srcs;
    general::TRECURL RecUrl;
    std::string CacheFile;
    std::string ProxyServer;
    std::string ProxyPort; // decimal text
    // Seconds allowed for the look-up and connection, and between two reads; the whole
    // retrieval gets ten times as long. 0: no limit (Stop still ends it).
    int TimeOut = 10;
    bool UseProxy = false;
    // https: verified TLS (through a proxy's tunnel when UseProxy), with CaFile's
    // authorities trusted beside the system's.
    bool Tls = false;
    std::string CaFile;
};

// The request an image retrieval sends (no Accept-Language, unlike a page).
std::string ImageRequest(const TImageJob& job);

// Runs one job on the calling thread: fetch into the cache file, then read it back. The
// bytes are empty when the retrieval failed before anything was written. Cancel, set by
// another thread, ends it within a fraction of a second (false then).
bool FetchImage(const TImageJob& job, std::string& bytes, const std::atomic<bool>* cancel = nullptr);

class TImageThreads : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxRunning = 50;

    // Deliver runs on the user-interface thread for each image fetched.
    explicit TImageThreads(std::function<void(const std::string& src, image::TMemoryStream& stream)> deliver);
    // Cancels and joins every worker: none outlives its launcher.
    ~TImageThreads() override;

    // Replaces the queue with the jobs of a new page and starts up to MaxRunning of them.
    void Start(std::deque<TImageJob> jobs);
    // Launches no further job, cancels the running ones and returns once they have all
    // ended: none of them writes a file or delivers a picture afterwards.
    void Stop();
    int Running() const { return static_cast<int>(Workers.size()); }
    bool Idle() const { return Workers.empty() && Queue.empty(); }

private:
    void launchMore();
    void finished(int id, const std::vector<std::string>& srcs, std::string bytes);

    std::function<void(const std::string&, image::TMemoryStream&)> Deliver;
    std::deque<TImageJob> Queue;
    std::map<int, std::thread> Workers;
    int NextId = 0;
    // Shared with the workers launched since the last Stop; set to cancel them.
    std::shared_ptr<std::atomic<bool>> Cancel;
};

} // namespace shell
