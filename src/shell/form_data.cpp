#include "shell/form_data.h"

#include <cstdio>

namespace shell {

std::string UrlEncode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '*') {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string EncodeFormData(const std::vector<std::string>& results) {
    std::string data;
    for (const std::string& entry : results) {
        if (!data.empty()) data += '&';
        const size_t eq = entry.find('=');
        if (eq == std::string::npos) {
            data += UrlEncode(entry);
        } else {
            data += UrlEncode(entry.substr(0, eq)) + "=" + UrlEncode(entry.substr(eq + 1));
        }
    }
    return data;
}

std::string AppendFormData(const std::string& action, const std::string& data) {
    std::string address = action.substr(0, action.find('#'));
    const size_t q = address.find('?');
    if (q == std::string::npos)
        address += '?';
    else if (q + 1 < address.size() && address.back() != '&')
        address += '&';
    return address + data;
}

} // namespace shell
