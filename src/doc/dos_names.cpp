#include "doc/dos_names.h"

namespace doc {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of "file://" in any case, or npos.
size_t findFilePrefix(const std::string& s) {
    static constexpr std::string_view prefix = "file://";
    for (size_t i = 0; i + prefix.size() <= s.size(); ++i) {
        size_t k = 0;
        while (k < prefix.size() && lower(s[i + k]) == prefix[k])
            ++k;
        if (k == prefix.size()) return i;
    }
    return std::string::npos;
}

std::string decodeEscapes(std::string_view name) {
    std::string s(name);
    for (;;) {
        size_t p = s.find('%');
        if (p == std::string::npos || p == 0 || p + 2 >= s.size()) break;
        int hi = hexValue(s[p + 1]), lo = hexValue(s[p + 2]);
        if (hi < 0 || lo < 0) break;
        s.replace(p, 3, 1, static_cast<char>(hi * 16 + lo));
    }
    return s;
}

// "/C|/dir" or "C:/dir": a name with a drive letter.
bool hasDrive(const std::string& s) {
    size_t i = !s.empty() && (s[0] == '/' || s[0] == '\\') ? 1 : 0;
    return s.size() >= i + 2 && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z')) &&
           (s[i + 1] == '|' || s[i + 1] == ':');
}

} // namespace

std::string UrlToDosName(std::string_view name) {
    std::string s = decodeEscapes(name);
    if (s.find('/') == std::string::npos) return s;

    size_t prefix = findFilePrefix(s);
    bool tripleSlash = prefix != std::string::npos && prefix + 7 < s.size() && s[prefix + 7] == '/';
    std::string rest = s;
    if (prefix != std::string::npos) rest.erase(prefix, 7);

    if (hasDrive(rest)) {
        // A DOS name: the classic conversion, "file:///" removed as a whole.
        if (tripleSlash) rest.erase(prefix, 1);
        for (char& c : rest) {
            c = lower(c);
            if (c == '|')
                c = ':';
            else if (c == '/')
                c = '\\';
        }
        return rest;
    }
    for (char& c : rest)
        if (c == '|') c = ':';
    return rest;
}

std::string RootedDosName(std::string_view name, std::string_view serverRoot) {
    std::string result = UrlToDosName(name);
    bool fileAddress = findFilePrefix(std::string(name)) != std::string::npos;
    if (!result.empty() && (result[0] == '\\' || (result[0] == '/' && !fileAddress)))
        result.insert(0, serverRoot);
    return result;
}

std::string TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

} // namespace doc
