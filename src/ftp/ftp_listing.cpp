#include "ftp/ftp_listing.h"

#include <algorithm>
#include <cctype>

namespace ftp {

namespace {

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Characters First..Last of S, counted from 1; what exists of them.
std::string chars(const std::string& s, size_t first, size_t last) {
    if (s.size() < first) return {};
    return s.substr(first - 1, last - first + 1);
}

// Names come from the server: markup in them must stay text and must not end the link.
std::string escaped(const std::string& name) {
    std::string out;
    for (char c : name) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

struct Entry {
    std::string name;
    char kind = 'f';
};

Entry entryOf(const std::string& line, int system) {
    Entry e;
    switch (system) {
    case fsUnix:
        e.name = SpaceWord(line, 9);
        e.kind = line[0] == '-' ? 'f' : line[0];
        break;
    case fsWindowsNT:
        e.name = line.size() >= 39 ? line.substr(38) : std::string();
        e.kind = upper(chars(line, 26, 28)) == "DIR" ? 'd' : 'f';
        break;
    case fsVMS: {
        e.name = line.substr(0, line.find('\t'));
        const size_t dot = e.name.find('.');
        const size_t semi = e.name.find(';');
        const bool dir = dot != std::string::npos && semi != std::string::npos && semi > dot &&
                         upper(e.name.substr(dot + 1, semi - dot - 1)) == "DIR";
        e.kind = dir ? 'd' : 'f';
        break;
    }
    case fsMVS: {
        const size_t space = line.rfind(' ');
        e.name = space == std::string::npos ? line : line.substr(space + 1);
        e.kind = upper(chars(line, 51, 52)) == "PO" ? 'd' : 'f';
        break;
    }
    default: // fsNCSA
        e.name = SpaceWord(line, 1);
        e.kind = upper(chars(line, 21, 23)) == "DIR" ? 'd' : 'f';
        break;
    }
    return e;
}

// Some UNIX servers open their listing with "total N" and others do not; only that line
// is a header, and taking a real first entry for one would hide it from the page.
bool isUnixHeader(const std::string& line) { return upper(line.substr(0, 5)) == "TOTAL"; }

} // namespace

std::string SpaceWord(const std::string& s, int n) {
    size_t p = 0;
    for (int i = 1;; ++i) {
        p = s.find_first_not_of(' ', p);
        if (p == std::string::npos) return {};
        const size_t end = s.find(' ', p);
        if (i == n) return s.substr(p, end == std::string::npos ? std::string::npos : end - p);
        if (end == std::string::npos) return {};
        p = end;
    }
}

std::vector<std::string> ConvertListing(const std::vector<std::string>& lines, int system,
                                        const std::string& host, int port,
                                        std::string& remotePath, bool asHtml) {
    size_t first = 0, end = lines.size();
    if (system == fsUnix && !lines.empty() && isUnixHeader(lines[0])) first = 1;
    if (system == fsVMS) {
        first = std::min<size_t>(3, end);
        end = std::max(first, end >= 2 ? end - 2 : 0);
    }
    if (system == fsMVS) first = std::min<size_t>(1, end);

    std::vector<std::string> out;
    if (asHtml) out.push_back("<HTML><HEAD></HEAD><BODY>");
    if (remotePath.empty() || remotePath.back() != '/') remotePath += '/';
    const std::string base = "ftp://" + host + ":" + std::to_string(port) + remotePath;
    for (size_t i = first; i < end && system != fsVM; ++i) {
        const std::string& line = lines[i];
        if (line.size() < 2) continue;
        const Entry e = entryOf(line, system);
        if (system == fsUnix && asHtml) {
            const std::string name = escaped(e.name);
            out.push_back((e.kind == 'f' ? "<B>FILE:</B> <A HREF=" : "<B>DIR:</B>  <A HREF=") +
                          escaped(base) + name + ">" + name + "</A><BR>");
        } else {
            out.push_back(std::string(1, e.kind) + " " + (asHtml ? escaped(e.name) : e.name) +
                          (asHtml && system != fsUnix ? "<BR>" : ""));
        }
    }
    if (asHtml) out.push_back("</BODY></HTML>");
    return out;
}

} // namespace ftp
