#include "general/helpers.h"

#include "general/options.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/user.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

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
    platform::MakeDirectory(dir, leaf ? 0700 : 0755);
}

// The root of per-user directories may be shared, but then it must be sticky, so that no
// user can rename or remove another's directory and put a link in its place.
std::string rootProblem(const std::string& root) {
    struct stat st;
    if (::stat(root.c_str(), &st) != 0) return "its parent " + root + " does not exist";
    if (!S_ISDIR(st.st_mode)) return "its parent " + root + " is not a directory";
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        return "its parent " + root + " belongs to another user";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
        return "its parent " + root + " can be written by other users and is not sticky";
    return {};
}

} // namespace

void ForceDirectories(const std::string& dir) {
    if (dir.empty()) throw platform::Exception("Unable to create directory");
    forceDirectories(dir, true);
}

std::string PreparePerUserDirectory(const std::string& dir, const std::string& sharedBase) {
    std::string d = dir;
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    const size_t slash = d.rfind('/');
    if (d.empty() || slash == std::string::npos || slash == 0) return "is not below a root directory";
    const std::string root = d.substr(0, slash);
    std::string base = sharedBase;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::string why;
    if (!base.empty() && (root == base || root.starts_with(base + "/")))
        why = platform::MakeSharedRoot(base, root);
    else if (!DirectoryExists(root))
        forceDirectories(root, false);
    if (why.empty()) why = rootProblem(root);
    if (!why.empty()) return why;
    if (::mkdir(d.c_str(), 0700) != 0 && errno != EEXIST)
        return std::string("cannot be created: ") + std::strerror(errno);
    return platform::PrivateDirectoryProblem(d);
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
