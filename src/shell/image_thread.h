// Background image retrieval: one worker per image address of a page fetches the picture
// over HTTP/1.0 with plain blocking sockets into its cache file and hands the bytes to the
// user-interface thread. The launcher keeps at most 50 workers running for a page and
// starts the next as one ends, until every address has been fetched or Stop is pressed.
#pragma once

#include "general/url.h"

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <string>
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
    int TimeOut = 10;      // seconds, for connecting and for each receive; 0 for none
    bool UseProxy = false;
};

// The request an image retrieval sends (no Accept-Language, unlike a page).
std::string ImageRequest(const TImageJob& job);

// Runs one job on the calling thread: fetch into the cache file, then read it back. The
// bytes are empty when the retrieval failed before anything was written.
bool FetchImage(const TImageJob& job, std::string& bytes);

class TImageThreads : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxRunning = 50;

    // Deliver runs on the user-interface thread for each image fetched.
    explicit TImageThreads(std::function<void(const std::string& src, image::TMemoryStream& stream)> deliver);
    ~TImageThreads() override;

    // Replaces the queue with the jobs of a new page and starts up to MaxRunning of them.
    void Start(std::deque<TImageJob> jobs);
    // Launches no further job; running ones complete.
    void Stop() { Queue.clear(); }
    int Running() const { return RunningCount; }
    bool Idle() const { return RunningCount == 0 && Queue.empty(); }

private:
    void launchMore();
    void finished(const std::vector<std::string>& srcs, std::string bytes);

    std::function<void(const std::string&, image::TMemoryStream&)> Deliver;
    std::deque<TImageJob> Queue;
    int RunningCount = 0;
    std::shared_ptr<bool> Alive;
};

} // namespace shell
