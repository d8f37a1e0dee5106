#include "shell/access_rules.h"

#include "general/options.h"
#include "general/url.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <map>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace shell {

using platform::UpperCase;

std::vector<std::string> LoadUrlList(const std::string& fileName) {
    std::vector<std::string> lines;
    std::string data;
    if (!platform::ReadWholeFile(fileName, data) || data.empty()) return lines;
    size_t start = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] != '\r' && data[i] != '\n') continue;
        lines.push_back(data.substr(start, i - start));
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < data.size()) lines.push_back(data.substr(start));
    return lines;
}

namespace {

std::vector<std::string> resolveIPv4(const std::string& host) {
    std::vector<std::string> out;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0) return out;
    for (addrinfo* a = res; a; a = a->ai_next) {
        char text[INET_ADDRSTRLEN];
        const auto* sin = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        if (inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text)) {
            std::string t = text;
            if (std::find(out.begin(), out.end(), t) == out.end()) out.push_back(t);
        }
    }
    freeaddrinfo(res);
    return out;
}

THostResolver& resolver() {
    static THostResolver r;
    return r;
}

std::vector<std::string> resolveHost(const std::string& host) {
    return resolver() ? resolver()(host) : resolveIPv4(host);
}

// The restrictions read per program directory; the real program has one.
std::map<std::string, TRestrictions>& sharedCopies() {
    static std::map<std::string, TRestrictions> copies;
    return copies;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isUnreserved(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

// %XX of an unreserved character becomes the character; other escapes get upper-case
// digits, so "%2f" and "%2F" are one spelling.
std::string decodeUnreserved(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            const auto c = static_cast<unsigned char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            if (isUnreserved(c)) {
                out += static_cast<char>(c);
            } else {
                out += '%';
                out += static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 1])));
                out += static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 2])));
            }
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool allDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

bool isDottedQuad(const std::string& host) {
    int parts = 0;
    size_t start = 0;
    while (true) {
        const size_t end = host.find('.', start);
        const std::string p = host.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!allDigits(p) || p.size() > 3 || (p.size() > 1 && p[0] == '0') || std::atoi(p.c_str()) > 255)
            return false;
        ++parts;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts == 4;
}

// A host the resolver would read as a number: the last label is a number (decimal,
// octal or hexadecimal), or the C library takes the whole as an address.
bool looksNumeric(const std::string& host) {
    const size_t dot = host.rfind('.');
    const std::string last = dot == std::string::npos ? host : host.substr(dot + 1);
    const bool hex = last.size() > 2 && last[0] == '0' && (last[1] == 'x' || last[1] == 'X') &&
                     last.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
    in_addr a;
    return allDigits(last) || hex || last == "0x" || inet_aton(host.c_str(), &a) != 0;
}

// The local path resolved through every link; a name that does not exist yet keeps its
// last parts below the deepest part that does. A directory ends in "/".
std::string resolvedPath(const std::string& path) {
    std::string head = path, tail;
    while (head.size() > 1) {
        std::string h = head;
        if (h.size() > 1 && h.back() == '/') h.pop_back();
        char full[PATH_MAX];
        if (::realpath(h.c_str(), full)) {
            std::string r = full;
            struct stat st;
            if (tail.empty() && (path.ends_with("/") || (::stat(full, &st) == 0 && S_ISDIR(st.st_mode))))
                r += '/';
            else if (!tail.empty())
                r += (r.ends_with("/") ? "" : "/") + tail;
            return r;
        }
        const size_t slash = h.rfind('/');
        if (slash == std::string::npos) break;
        tail = h.substr(slash + 1) + (tail.empty() ? (path.ends_with("/") ? "/" : "") : "/" + tail);
        head = h.substr(0, slash + 1);
    }
    return path;
}

struct TForms {
    std::string Flaw;               // why the address has no canonical form
    std::vector<std::string> Deny;  // every spelling that a denied entry may match
    std::vector<std::string> Allow; // the spellings an allowed entry may admit
};

std::string canonicalPort(const std::string& port, std::string& flaw) {
    if (port.empty()) return port;
    if (allDigits(port)) {
        const size_t nz = port.find_first_not_of('0');
        const std::string digits = nz == std::string::npos ? "0" : port.substr(nz);
        if (digits.size() > 5 || std::atoi(digits.c_str()) < 1 || std::atoi(digits.c_str()) > 65535) {
            flaw = "port " + port + " out of range";
            return {};
        }
        return digits;
    }
    if (const servent* s = getservbyname(port.c_str(), "tcp")) return std::to_string(ntohs(static_cast<uint16_t>(s->s_port)));
    flaw = "unknown port " + port;
    return {};
}

// The canonical forms of a parsed address's Url. Resolve: add the forms of the host's
// addresses.
TForms canonicalForms(const std::string& url, bool resolve) {
    TForms f;
    const size_t sep = url.find("://");
    const std::string scheme = sep == std::string::npos ? std::string() : platform::LowerCase(url.substr(0, sep));
    if (scheme == "file") {
        // The parser decodes a local name and removes its "//", "." and "..".
        general::TRECURL r;
        general::ParseUrl(url, r, {});
        if (r.Path.empty() || r.Path[0] != '/') {
            f.Deny = f.Allow = {url}; // a DOS-style name: compared as written
            return f;
        }
        const std::string& lexical = r.Path;
        const std::string real = resolvedPath(lexical);
        f.Allow = {"file://" + real};
        f.Deny = {"file://" + real};
        if (real != lexical) f.Deny.push_back("file://" + lexical);
        return f;
    }
    if (sep == std::string::npos) {
        f.Deny = f.Allow = {url}; // mailto: and the like
        return f;
    }
    const std::string rest = url.substr(sep + 3);
    const size_t slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    std::string path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (authority.find('@') != std::string::npos) {
        f.Flaw = "user name in the address";
        return f;
    }
    const size_t colon = authority.find(':');
    std::string host = platform::LowerCase(authority.substr(0, colon));
    if (host.ends_with(".")) host.pop_back();
    const std::string port =
        canonicalPort(colon == std::string::npos ? std::string() : authority.substr(colon + 1), f.Flaw);
    if (!f.Flaw.empty()) return f;
    if (host.empty() || host.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-_") != std::string::npos ||
        host.find("..") != std::string::npos || host[0] == '.') {
        f.Flaw = "host name \"" + host + "\" is not valid";
        return f;
    }
    const bool numeric = looksNumeric(host);
    if (numeric && !isDottedQuad(host)) {
        f.Flaw = "numeric host " + host + " is not a dotted quad";
        return f;
    }
    const size_t q = path.find('?');
    const std::string query = q == std::string::npos ? std::string() : path.substr(q);
    path = general::NormalisedPath(decodeUnreserved(path.substr(0, q))) + query;
    auto form = [&](const std::string& h) { return scheme + "://" + h + (port.empty() ? "" : ":" + port) + path; };
    f.Deny.push_back(form(host));
    if (resolve && !numeric)
        for (const std::string& a : resolveHost(host)) f.Deny.push_back(form(a));
    f.Allow = f.Deny;
    return f;
}

// The index of the first non-empty entry that begins one of Forms, or -1.
int firstMatch(const std::vector<std::string>& forms, const std::vector<std::string>& entries) {
    for (const std::string& form : forms) {
        const std::string u = UpperCase(form);
        for (size_t i = 0; i < entries.size(); ++i)
            if (!entries[i].empty() && u.starts_with(UpperCase(entries[i]))) return static_cast<int>(i);
    }
    return -1;
}

TUrlVerdict verdict(const std::string& url, const std::vector<std::string>& denied,
                    const std::vector<std::string>* deniedSources, const std::vector<std::string>& allowed,
                    const std::vector<std::string>* allowedSources, bool allowedOnly) {
    TUrlVerdict v;
    auto refuse = [&](const std::string& rule) {
        v.Allowed = false;
        v.Message = "URL no permitida!";
        v.Rule = rule;
        return v;
    };
    // A name only meets an address entry through its addresses: look up only when a list
    // could care.
    const TForms f = canonicalForms(url, !denied.empty() || !allowed.empty());
    if (!f.Flaw.empty()) return refuse(f.Flaw);
    auto source = [](const std::vector<std::string>* sources, const std::vector<std::string>& list, int i) {
        return sources && static_cast<size_t>(i) < sources->size() ? (*sources)[static_cast<size_t>(i)]
                                                                    : list[static_cast<size_t>(i)];
    };
    if (int i = firstMatch(f.Deny, denied); i >= 0)
        return refuse("denied entry \"" + source(deniedSources, denied, i) + "\"");
    if (int i = firstMatch(f.Allow, allowed); i >= 0) {
        v.Rule = "allowed entry \"" + source(allowedSources, allowed, i) + "\"";
        return v;
    }
    if (allowedOnly) return refuse("no entry (allowedonly=1)");
    v.Rule = "no entry";
    return v;
}

void loadList(const std::string& file, std::vector<std::string>& forms, std::vector<std::string>& sources) {
    for (const std::string& line : LoadUrlList(file)) {
        for (const std::string& form : CanonicalEntryForms(line)) {
            forms.push_back(form);
            sources.push_back(line);
        }
    }
}

} // namespace

std::vector<std::string> CanonicalEntryForms(const std::string& entry) {
    if (entry.empty()) return {};
    const std::string upper = UpperCase(entry);
    // Only an entry with a scheme and (for the network) a host is an address; anything
    // else stays a plain prefix, as it always was.
    const size_t sep = entry.find("://");
    const bool file = upper.starts_with("FILE:");
    if (!file && (sep == std::string::npos || sep + 3 >= entry.size() || entry[sep + 3] == '/' ||
                  entry[sep + 3] == ':'))
        return {entry};
    general::TRECURL r;
    general::ParseUrl(entry, r, {});
    // An entry that names only a host ("http://adsrv") gets the port and the path "/" of
    // the canonical form, so it means that host and no other whose name merely begins so.
    TForms f = canonicalForms(r.Url, true);
    if (!f.Flaw.empty()) return {entry};
    return f.Deny;
}

TRestrictions ReadRestrictions(const std::string& programDir) {
    TRestrictions r;
    const platform::TIniFile ini(programDir + "webling.ini");
    const char* s = "restrictions";
    r.AllowProtoHttp = ini.ReadBool(s, "allow_proto_http", true);
    r.AllowProtoHttps = ini.ReadBool(s, "allow_proto_https", true);
    r.AllowProtoFtp = ini.ReadBool(s, "allow_proto_ftp", true);
    r.AllowProtoMailto = ini.ReadBool(s, "allow_proto_mailto", true);
    r.AllowProtoFile = ini.ReadBool(s, "allow_proto_file", true);
    r.AllowSeeMainMenuBookmarks = ini.ReadBool(s, "allow_see_mainmenu_bookmarks", true);
    r.AllowSeeMainMenuEdit = ini.ReadBool(s, "allow_see_mainmenu_edit", true);
    r.AllowSeeMainMenuTools = ini.ReadBool(s, "allow_see_mainmenu_tools", true);
    r.AllowSeeMenuEditBookmarks = ini.ReadBool(s, "allow_see_menu_editbookmarks", true);
    r.AllowQuitProxy = ini.ReadBool(s, "allowquitproxy", true);
    r.AllowViewImages = ini.ReadBool(s, "allowviewimages", true);
    r.AllowedOnly = ini.ReadBool(s, "allowedonly", false);
    loadList(programDir + "allowed_urls.dat", r.AllowedUrls, r.AllowedSources);
    loadList(programDir + "denied_urls.dat", r.DeniedUrls, r.DeniedSources);
    return r;
}

const TRestrictions& SharedRestrictions(const std::string& programDir) {
    auto& copies = sharedCopies();
    auto it = copies.find(programDir);
    if (it == copies.end()) it = copies.emplace(programDir, ReadRestrictions(programDir)).first;
    return it->second;
}

const TRestrictions* SharedRestrictionsIfRead(const std::string& programDir) {
    auto it = sharedCopies().find(programDir);
    return it == sharedCopies().end() ? nullptr : &it->second;
}

void ResetSharedRestrictions() { sharedCopies().clear(); }

TUrlVerdict CheckUrl(const std::string& url, const TRestrictions& r) {
    return verdict(url, r.DeniedUrls, &r.DeniedSources, r.AllowedUrls, &r.AllowedSources, r.AllowedOnly);
}

TUrlVerdict CheckAddress(const std::string& address, const TRestrictions& r) {
    general::TRECURL rec;
    const uint8_t n = general::ParseUrl(address, rec, {});
    const char* key = nullptr;
    bool permitted = false;
    switch (n) {
    case general::ProtoHttp: key = "allow_proto_http", permitted = r.AllowProtoHttp; break;
    case general::ProtoHttps: key = "allow_proto_https", permitted = r.AllowProtoHttps; break;
    case general::ProtoFtp: key = "allow_proto_ftp", permitted = r.AllowProtoFtp; break;
    case general::ProtoMailto: key = "allow_proto_mailto", permitted = r.AllowProtoMailto; break;
    case general::ProtoFile: key = "allow_proto_file", permitted = r.AllowProtoFile; break;
    default: break;
    }
    if (!permitted) {
        TUrlVerdict v;
        v.Allowed = false;
        v.Message = "Unknown Protocol!";
        v.Rule = key ? std::string(key) + "=0" : "protocol \"" + rec.Protocol + "\" is never allowed";
        return v;
    }
    return CheckUrl(rec.Url, r);
}

bool IsUrlAllowed(const std::string& url, const general::TOptions& options) {
    const TRestrictions* shared = SharedRestrictionsIfRead(options.ProgramDir);
    return verdict(url, options.DeniedUrls, nullptr, options.AllowedUrls, nullptr,
                   shared && shared->AllowedOnly)
        .Allowed;
}

THostResolver SetHostResolver(THostResolver r) {
    THostResolver old = std::move(resolver());
    resolver() = std::move(r);
    return old;
}

} // namespace shell
