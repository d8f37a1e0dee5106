#include "general/helpers.h"

#include "general/options.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/user.h"

#include <fstream>
#include <sys/stat.h>

namespace general {

using platform::EqualNoCase;
using platform::FindNoCase;
using platform::Trim;
using platform::UpperCase;

bool IsRenderableContentType(const std::string& contentType,
                             const std::vector<std::string>& renderableTypes) {
    // Servers send "text/html; charset=..." nearly always: only the media type counts.
    std::string type = UpperCase(Trim(contentType.substr(0, contentType.find(';'))));
    if (type.empty()) return false;
    for (const std::string& t : renderableTypes)
        if (type == t) return true;
    return false;
}

bool IsRenderableType(const TOptions& options) {
    return IsRenderableContentType(options.HTTPThings.ContentType, options.RenderableTypes);
}

bool IsKnownExtensionIn(const std::string& knownExtensions, const std::string& ext) {
    return knownExtensions.find(" ." + UpperCase(ext) + " ") != std::string::npos;
}

bool IsKnownExtension(const TOptions& options, const std::string& ext) {
    return IsKnownExtensionIn(options.KnownExtensions, ext);
}

std::string LastPathSegment(const std::string& text) {
    size_t p = text.rfind('/');
    return p == std::string::npos ? text : text.substr(p + 1);
}

std::string LastExtension(const std::string& text) {
    size_t p = text.rfind('.');
    return p == std::string::npos ? text : text.substr(p + 1);
}

void EnsureTrailingBackslash(std::string& dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
}

bool DirectoryExists(const std::string& dir) { return platform::IsDirectory(dir); }

namespace {

void forceDirectories(std::string dir, bool leaf) {
    if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    // The root (and an empty rest) always exists.
    if (dir.empty() || dir == "/" || DirectoryExists(dir)) return;
    size_t p = dir.rfind('/');
    if (p != std::string::npos && p > 0) forceDirectories(dir.substr(0, p), false);
    platform::MakeDirectory(dir, leaf ? 0700 : 01777);
}

} // namespace

void ForceDirectories(const std::string& dir) {
    if (dir.empty()) throw platform::Exception("Unable to create directory");
    forceDirectories(dir, true);
}

int64_t FileSizeOf(const std::string& name) {
    struct stat st;
    if (::stat(name.c_str(), &st) != 0) return 0;
    std::ifstream in(name, std::ios::binary);
    if (!in) throw platform::Exception("I/O error");
    return static_cast<int64_t>(st.st_size);
}

std::string GetUserLogin() {
    std::string name = platform::LoginName();
    return name.empty() ? "noname" : name;
}

void LogOffUser() { platform::LogOff(); }

std::string GetHeaderValue(const std::string& header, const std::string& name) {
    if (header.empty() || name.empty()) return {};
    size_t p = FindNoCase(header, name);
    if (p == std::string::npos) return {};
    p += name.size();
    size_t end = header.find_first_of("\r\n", p);
    return header.substr(p, end == std::string::npos ? std::string::npos : end - p);
}

} // namespace general
