// Page retrieval over HTTP/1.0: the request text, and the splitting of the response into
// its header (kept as text, with Location and Content-Type noted) and its body (written
// to the page's cache file). The window drives these from its HTTP client's events.
#pragma once

#include "general/records.h"
#include "general/url.h"

#include <cstddef>
#include <functional>
#include <string>

namespace shell {

// The request for Url with its Method and PostData; through a proxy the target is the
// whole address. Empty for a method other than GET or POST (nothing is sent then).
std::string ComposeRequest(const general::TRECURL& url, const general::THTTPThings& http,
                           bool useProxy);

// What asks a proxy for a tunnel to Url's server, for TLS inside it.
std::string TunnelRequest(const general::TRECURL& url);
// Whether the status line of the proxy's answer opens the tunnel (status 200).
bool TunnelOpened(const std::string& statusLine);

// Header and body splitting across any number of reads.
class TResponseSplitter {
public:
    // ImageRule: the image retrieval's own test of whether a response has a header
    // ("H" first, or "T" second, "T" third, "P" fourth or "/" fifth).
    explicit TResponseSplitter(general::THTTPThings& http, bool imageRule = false)
        : Http(http), ImageRule(imageRule) {}

    // Starts a new response: InHeader set, Header, Location emptied, Status 200.
    void Reset();
    // Feeds received bytes; body bytes go to WriteBody. Returns true when this call
    // completed the header (Location, Status, ContentType and ContentLength are set).
    bool Process(const char* data, size_t count,
                 const std::function<void(const char*, size_t)>& writeBody);

private:
    general::THTTPThings& Http;
    bool ImageRule;
    bool FirstByte = true;
    std::string Tail; // the last bytes of the header so far, for separators split over reads
};

} // namespace shell
