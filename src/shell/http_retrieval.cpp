#include "shell/http_retrieval.h"

#include "general/helpers.h"
#include "platform/ini_file.h"

namespace shell {

std::string ComposeRequest(const general::TRECURL& url, const general::THTTPThings& http,
                           bool useProxy) {
    const std::string crlf = "\r\n";
    const std::string target =
        useProxy ? "http://" + url.Host + ":" + url.Port + url.Path : url.Path;
    std::string r;
    if (url.Method == general::MethodGet) {
        r = "GET " + target + " " + http.Version + crlf;
        r += "Host: " + url.Host + crlf;
        r += "Accept: " + http.Accept + crlf;
        r += "Accept-Encoding: " + http.AcceptEncoding + crlf;
        r += "Accept-Language: " + http.AcceptLanguage + crlf;
        r += "User-Agent: " + http.Agent + crlf;
        r += crlf;
    } else if (url.Method == general::MethodPost) {
        r = "POST " + target + " " + http.Version + crlf;
        r += "Host: " + url.Host + crlf;
        r += "Connection: Keep-Alive" + crlf;
        r += "Accept: " + http.Accept + crlf;
        r += "Accept-Encoding: " + http.AcceptEncoding + crlf;
        r += "Accept-Language: " + http.AcceptLanguage + crlf;
        r += "User-Agent: " + http.Agent + crlf;
        r += "Content-Type: application/x-www-form-urlencoded" + crlf;
        r += "Content-Length: " + std::to_string(url.PostDataLength) + crlf;
        r += crlf;
        r += url.PostData + crlf;
    }
    return r;
}

std::string TunnelRequest(const general::TRECURL& url) {
    return "CONNECT " + url.Host + ":" + url.Port + " HTTP/1.0\r\n\r\n";
}

bool TunnelOpened(const std::string& statusLine) {
    const size_t sp = statusLine.find(' ');
    return sp != std::string::npos && statusLine.compare(sp + 1, 3, "200") == 0;
}

void TResponseSplitter::Reset() {
    Http.InHeader = true;
    Http.Header.clear();
    Http.Status = 200;
    Http.Location.clear();
    Http.ContentType.clear();
    Http.ContentLength = -1;
    Http.ReceivedBytes = 0;
    FirstByte = true;
    Tail.clear();
}

bool TResponseSplitter::Process(const char* data, size_t count,
                                const std::function<void(const char*, size_t)>& writeBody) {
    auto body = [&](const char* p, size_t n) {
        if (n == 0) return;
        Http.ReceivedBytes += static_cast<int64_t>(n);
        writeBody(p, n);
    };
    auto keepHeader = [&](const char* p, size_t n) {
        size_t room = general::THTTPThings::HeaderLimit - std::min(Http.Header.size(), general::THTTPThings::HeaderLimit);
        Http.Header.append(p, std::min(n, room));
    };
    if (count == 0) return false;
    if (!Http.InHeader) {
        body(data, count);
        return false;
    }
    // Only the very first byte of a response tells whether it has a header at all: a
    // header continued in a later read may begin with any letter.
    if (FirstByte) {
        FirstByte = false;
        const char c = data[0];
        auto at = [&](size_t i) { return i < count ? data[i] : '\0'; };
        const bool header = ImageRule ? (c == 'H' || at(1) == 'T' || at(2) == 'T' || at(3) == 'P' || at(4) == '/')
                                      : (c == 'H' || c == 'T' || c == 'P' || c == '/');
        if (!header) {
            Http.InHeader = false;
            Http.Header.clear();
            body(data, count);
            return false;
        }
    }
    // The separator may straddle two reads: search the last bytes seen with this read.
    const std::string window = Tail + std::string(data, count);
    size_t k = window.find("\r\n\r\n");
    size_t sep = 4;
    if (k == std::string::npos) {
        k = window.find("\n\n");
        sep = 2;
    }
    if (k == std::string::npos) {
        keepHeader(data, count);
        Tail = window.size() > 3 ? window.substr(window.size() - 3) : window;
        return false;
    }
    const size_t headerPart = k + sep - Tail.size(); // bytes of this read that are header
    Http.InHeader = false;
    keepHeader(data, headerPart);
    Tail.clear();
    Http.Location = general::GetHeaderValue(Http.Header, "\r\nLocation: ");
    if (!Http.Location.empty()) Http.Status = 302;
    Http.ContentType = general::GetHeaderValue(Http.Header, "\r\nContent-Type: ");
    int length = 0;
    std::string cl = general::GetHeaderValue(Http.Header, "\r\nContent-Length: ");
    Http.ContentLength = platform::ParseIntegerText(cl, length) && length >= 0 ? length : -1;
    body(data + headerPart, count - headerPart);
    return true;
}

} // namespace shell
