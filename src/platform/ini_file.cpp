#include "platform/ini_file.h"

#include "platform/text.h"

#include <cstdint>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

} // namespace

TIniFile::TIniFile(const std::string& fileName) : FileName_(fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return;
    std::string line, section;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string t = trim(line);
        if (t.empty() || t[0] == ';') continue;
        if (t[0] == '[') {
            size_t close = t.find(']');
            section = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inSection = true;
            continue;
        }
        if (!inSection) continue;
        size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        std::string value = trim(t.substr(eq + 1));
        // As the profile reader does, one pair of enclosing quotes is removed.
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        Entries.push_back({section, trim(t.substr(0, eq)), value});
    }
}

const std::string* TIniFile::find(const std::string& section, const std::string& key) const {
    // Only the first section of a name counts, as with the profile reader.
    const std::string* firstSection = nullptr;
    for (const Entry& e : Entries) {
        if (!EqualNoCase(e.section, section)) continue;
        if (firstSection && *firstSection != e.section) continue;
        firstSection = &e.section;
        if (EqualNoCase(e.key, key)) return &e.value;
    }
    return nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    const std::string* v = find(section, key);
    std::string result = v ? *v : def;
    if (result.size() > MaxValueLength) result.resize(MaxValueLength);
    return result;
}

bool ParseIntegerText(const std::string& text, int& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        int c = static_cast<unsigned char>(text[i]);
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * base + d;
        // Hexadecimal may spell the full 32 bits (0xFFFFFFFF is -1); decimal may not overflow.
        if (v > (base == 16 ? 0xFFFFFFFFull : 0x80000000ull)) return false;
    }
    if (base == 10) {
        if (!negative && v > 0x7FFFFFFFull) return false;
        value = negative ? static_cast<int>(-static_cast<int64_t>(v)) : static_cast<int>(v);
    } else {
        int32_t s = static_cast<int32_t>(static_cast<uint32_t>(v));
        value = negative ? -s : s;
    }
    return true;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    const std::string* v = find(section, key);
    if (!v) return def;
    int value;
    return ParseIntegerText(*v, value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

} // namespace platform
