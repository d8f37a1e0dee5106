#include "general/records.h"
#include "general/url.h"
#include "shell/http_retrieval.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {

general::THTTPThings things() {
    general::THTTPThings h;
    h.Version = "HTTP/1.0";
    h.Agent = "Webling 1.0";
    h.Accept = "*/*";
    h.AcceptLanguage = "*";
    return h;
}

general::TRECURL url(const std::string& a, uint8_t method = general::MethodGet) {
    general::TRECURL r;
    general::ParseUrl(a, r, {});
    r.Method = method;
    return r;
}

struct Split {
    general::THTTPThings h = things();
    std::string body;
    int completions = 0;
};

// Feeds Response in pieces cut at the given offsets.
Split feed(const std::string& response, const std::vector<size_t>& cuts) {
    Split s;
    TResponseSplitter sp(s.h);
    sp.Reset();
    size_t from = 0;
    auto put = [&](size_t to) {
        if (to > from)
            s.completions += sp.Process(response.data() + from, to - from,
                                        [&](const char* p, size_t n) { s.body.append(p, n); });
        from = to;
    };
    for (size_t c : cuts) put(c);
    put(response.size());
    return s;
}

} // namespace

// A plain GET is checked byte for byte as a real server reads it, in navigation_test.cpp.
TEST(ComposeRequest, GetAndPostDirectAndThroughAProxy) {
    EXPECT_EQ(ComposeRequest(url("http://host/a?b=1"), things(), true).substr(0, 47),
              "GET http://host:80/a?b=1 HTTP/1.0\r\nHost: host\r\n");
    EXPECT_EQ(ComposeRequest(url("http://host:8080/"), things(), false).substr(0, 32),
              "GET / HTTP/1.0\r\nHost: host\r\nAcce")
        << "the Host header never carries the port";

    // A post carries its data and their length.
    general::TRECURL u = url("http://host/cgi", general::MethodPost);
    u.PostData = "q=x&r=y";
    u.PostDataLength = 7;
    EXPECT_EQ(ComposeRequest(u, things(), false),
              "POST /cgi HTTP/1.0\r\nHost: host\r\nConnection: Keep-Alive\r\nAccept: */*\r\n"
              "Accept-Encoding: \r\nAccept-Language: *\r\nUser-Agent: Webling 1.0\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n\r\n"
              "q=x&r=y\r\n");
    EXPECT_EQ(ComposeRequest(url("http://host/", general::MethodNone), things(), false), "")
        << "no request for another method";
}

TEST(ResponseSplitter, HeaderAndBodyAtEveryCut) {
    const std::string header = "HTTP/1.0 302 Found\r\nContent-Type: text/html\r\nLocation: /x\r\n"
                               "Content-Length: 11\r\n\r\n";
    const std::string response = header + "hello world";
    for (size_t cut = 0; cut <= response.size(); ++cut) {
        SCOPED_TRACE(cut);
        Split s = feed(response, {cut});
        EXPECT_EQ(s.h.Header, header);
        EXPECT_EQ(s.body, "hello world");
        EXPECT_EQ(s.h.Location, "/x");
        EXPECT_EQ(s.h.Status, 302);
        EXPECT_EQ(s.h.ContentType, "text/html");
        EXPECT_EQ(s.h.ContentLength, 11);
        EXPECT_EQ(s.completions, 1);
        EXPECT_FALSE(s.h.InHeader);
    }
    // And at every pair of cuts around the separator.
    for (size_t a = header.size() - 5; a < header.size(); ++a)
        for (size_t b = a; b <= header.size() + 1; ++b) {
            SCOPED_TRACE(std::to_string(a) + "," + std::to_string(b));
            Split s = feed(response, {a, b});
            EXPECT_EQ(s.body, "hello world");
        }
}

TEST(ResponseSplitter, OddResponses) {
    Split lf = feed("HTTP/1.0 200 OK\nContent-Type: text/html\n\nbody", {});
    EXPECT_EQ(lf.body, "body") << "two line feeds end a header too";

    Split none = feed("<html>no header</html>", {6});
    EXPECT_EQ(none.body, "<html>no header</html>");
    EXPECT_EQ(none.h.Header, "");

    Split hello = feed("Hello world\r\nmore\r\n\r\nrest", {});
    EXPECT_EQ(hello.h.Header, "Hello world\r\nmore\r\n\r\n") << "a header until the blank line";
    EXPECT_EQ(hello.body, "rest");

    Split lower = feed("HTTP/1.0 200 OK\r\ncontent-type: text/html\r\n\r\n", {});
    EXPECT_EQ(lower.h.ContentType, "text/html");

    Split never = feed("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n", {10});
    EXPECT_TRUE(never.h.InHeader);
    EXPECT_EQ(never.body, "");

    const std::string pad(6000, 'p');
    Split longHeader = feed("HTTP/1.0 200 OK\r\nX-Pad: " + pad + "\r\n\r\nthe body", {1000, 4500});
    EXPECT_EQ(longHeader.h.Header.size(), 4000u) << "a long header is cut";
    EXPECT_EQ(longHeader.body, "the body");
}
