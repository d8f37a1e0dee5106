#include "general/url.h"

#include "platform/text.h"

#include <cctype>
#include <filesystem>
#include <vector>

namespace general {

using platform::EqualNoCase;
using platform::FindNoCase;
using platform::Trim;
using platform::UpperCase;

uint8_t ProtocolNumber(const std::string& word) {
    const std::string w = UpperCase(word);
    if (w == "HTTP") return ProtoHttp;
    if (w == "HTTPS") return ProtoHttps;
    if (w == "FILE") return ProtoFile;
    if (w == "FTP") return ProtoFtp;
    if (w == "MAILTO") return ProtoMailto;
    if (w == "WAISS") return ProtoWaiss;
    if (w == "NEWS") return ProtoNews;
    return ProtoOther;
}

namespace {

enum class State { Scheme, Host, Port, Path, Fragment };

bool isDriveAt(const std::string& s, size_t i) {
    return i + 1 < s.size() && std::isalpha(static_cast<unsigned char>(s[i])) &&
           (s[i + 1] == '|' || s[i + 1] == ':');
}

// Everything up to and including the last "/", "\" or ":".
std::string directoryPart(const std::string& path) {
    size_t p = path.find_last_of("/\\:");
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

// A path written the DOS way: a drive ("C:", "C|") or a leading backslash.
bool isDosPath(const std::string& p) {
    return isDriveAt(p, 0) || (!p.empty() && p[0] == '\\');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Local names are written in addresses with %XX escapes; "%" not followed by two hex
// digits stays as it is.
std::string percentDecoded(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The address text of a local path: the characters that would be read back differently
// ("%" and "#") are escaped, everything else stays readable.
std::string fileAddress(const std::string& path) {
    std::string out = "file://";
    for (char c : path) {
        if (c == '%') out += "%25";
        else if (c == '#') out += "%23";
        else out += c;
    }
    return out;
}

std::string workingDirectory() {
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    if (ec || cwd.empty()) return "/";
    if (cwd.back() != '/') cwd += '/';
    return cwd;
}

} // namespace

// An absolute POSIX path without empty, "." and ".." segments. ".." at the root stays
// at the root, as the file system itself treats it.
std::string NormalisedPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string seg = path.substr(start, end - start);
        if (seg == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += "/" + p;
    // A path naming a directory keeps its final separator.
    if (out.empty() || path.back() == '/' || path.ends_with("/.") || path.ends_with("/.."))
        out += '/';
    return out;
}

namespace {

// The scheme of Address: written with "://" (read by the scan), one of the known words
// followed by a colon, or none (the base's). Pos is set past a known word.
State schemeOf(const std::string& address, const TRECURL& base, TRECURL& r, size_t& pos) {
    pos = 0;
    if (address.find("://") != std::string::npos) return State::Scheme;
    static const struct {
        const char* prefix;
        const char* word;
    } prefixes[] = {{"MAILTO:", "MAILTO"}, {"NEWS:", "NEWS"}, {"GOPHER:", "GOPHER"},
                    {"FTP:", "FTP"},       {"WAISS:", "WAISS"}, {"FILE:", "FILE"},
                    {"HTTP:", "HTTP"}};
    const std::string upper = UpperCase(address);
    for (const auto& p : prefixes) {
        if (upper.starts_with(p.prefix)) {
            r.Protocol = p.word;
            pos = std::string(p.prefix).size();
            return State::Path;
        }
    }
    r.Protocol = base.Protocol;
    return address.size() >= 2 && address[0] == '#' ? State::Fragment : State::Path;
}

// One pass over the address from Pos, filling the scheme, host, port, path and fragment.
void scanAddress(const std::string& address, size_t pos, State state, TRECURL& r) {
    const size_t len = address.size();
    for (size_t i = pos; i < len; ++i) {
        const char c = address[i];
        switch (state) {
        case State::Scheme:
            if (c == '/') {
                if (UpperCase(r.Protocol) == "FILE") {
                    state = State::Path;
                    if (i + 1 < len && address[i + 1] == '/') {
                        ++i;
                        // On POSIX the third slash begins the absolute path and stays;
                        // before a DOS drive ("C|" or "C:") it is dropped as it always was.
                        if (i + 1 < len && address[i + 1] == '/' && isDriveAt(address, i + 2))
                            ++i;
                    }
                } else {
                    state = State::Host;
                    if (i + 1 < len && address[i + 1] == '/') ++i;
                }
            } else if (c != ':') {
                r.Protocol += c;
            }
            break;
        case State::Host:
            if (c == '/') {
                r.Path = "/";
                state = State::Path;
            } else if (c == ':') {
                r.Port.clear();
                state = State::Port;
            } else {
                r.Host += c;
            }
            break;
        case State::Port:
            if (c == '/') {
                r.Path = "/";
                state = State::Path;
            } else {
                r.Port += c;
            }
            break;
        case State::Path:
            if (c == '#') {
                r.Fragment.clear();
                state = State::Fragment;
            } else {
                r.Path += c;
            }
            break;
        case State::Fragment:
            if (c != '#') r.Fragment += c;
            break;
        }
    }
}

// A file: address made whole against the page it was found on.
void resolveLocal(TRECURL& r, const TRECURL& base) {
    if (r.Path.size() >= 2 && r.Path[1] == '|') r.Path[1] = ':';
    // "#name" on a local page names a place in that same page.
    if (r.Path.empty() && !r.Fragment.empty()) r.Path = base.Path;
    const bool relative = r.Path.empty() || r.Path[0] != '/';
    if (!isDosPath(r.Path) && !(relative && isDosPath(base.Dir))) {
        // POSIX paths: every path that does not begin with "/" is relative to the folder
        // of the page it was found on (the working directory without one), and the
        // address becomes the absolute, normalised location, so that the address box,
        // the history, the cache name and the access lists all see where the file is.
        r.Path = percentDecoded(r.Path);
        if (r.Path.empty() || r.Path[0] != '/')
            r.Path = (!base.Dir.empty() && base.Dir[0] == '/' ? base.Dir : workingDirectory()) + r.Path;
        r.Path = NormalisedPath(r.Path);
        r.Dir = r.Path.substr(0, r.Path.rfind('/') + 1);
        r.Url = fileAddress(r.Path);
        return;
    }
    if (directoryPart(r.Path).empty()) r.Path = base.Dir + r.Path;
    r.Dir = directoryPart(r.Path);
    if (!r.Dir.empty() && r.Dir.back() != '/' && r.Dir.back() != '\\') r.Dir += '\\';
}

// A network address made whole against the page it was found on: its host, port and
// directory, and the protocol's default port.
void resolveNetwork(TRECURL& r, const TRECURL& base, const std::string& proto) {
    // An address without a host of its own is on the server of the page on display, port
    // included: a relative link on a server at port 8080 stays at port 8080.
    if (r.Host.empty()) {
        r.Host = base.Host;
        if (r.Port.empty() && EqualNoCase(r.Protocol, base.Protocol)) r.Port = base.Port;
    }
    if (proto == "HTTP" || proto == "HTTPS") {
        if (r.Port.empty()) r.Port = proto == "HTTP" ? "80" : "443";
        if (r.Path.empty() && !r.Fragment.empty()) r.Path = base.Path;
        if (r.Path.empty()) r.Path = "/";
    }
    if (proto == "FTP") {
        if (r.Port.empty()) r.Port = "21";
        if (r.Path.empty()) r.Path = "/";
    }
    size_t slash = base.Path.rfind('/');
    const std::string d = slash == std::string::npos ? "/" : base.Path.substr(0, slash + 1);
    if (r.Path.empty() || r.Path[0] != '/') r.Path = d + r.Path;
    r.Url = r.Protocol + "://" + r.Host + ":" + r.Port + r.Path;
}

} // namespace

uint8_t ParseUrl(const std::string& address, TRECURL& result, TRECURL base) {
    TRECURL& r = result;
    r.Url = address;
    r.Protocol.clear();
    r.Host.clear();
    r.Path.clear();
    r.Dir.clear();
    r.Port.clear();
    r.Fragment.clear();
    size_t pos = 0;
    const State state = schemeOf(address, base, r, pos);
    if (r.Protocol == "MAILTO") {
        r.Host = pos < address.size() ? address.substr(pos) : std::string();
        return ProtocolNumber(r.Protocol);
    }
    scanAddress(address, pos, state, r);
    if (r.Protocol.empty()) r.Protocol = base.Protocol.empty() ? "http" : base.Protocol;
    const std::string proto = UpperCase(r.Protocol);
    if (proto == "FILE")
        resolveLocal(r, base);
    else
        resolveNetwork(r, base, proto);
    return ProtocolNumber(r.Protocol);
}

} // namespace general
