#include "platform/files.h"

#include "platform/clock.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Opens a regular file only: a FIFO would block the copy for ever and a device such as
// /dev/zero would never end it.
int openRegular(const std::string& name, int flags, unsigned mode) {
    const int fd = ::open(name.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool writeAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Why a directory's status disqualifies it as the user's private directory.
std::string ownershipProblem(const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return "is a symbolic link";
    if (!S_ISDIR(st.st_mode)) return "is not a directory";
    if (st.st_uid != ::geteuid()) return "belongs to another user";
    if (st.st_mode & (S_IWGRP | S_IWOTH)) return "can be written by other users";
    return {};
}

std::string withoutTrailingSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

} // namespace

std::string ProgramDirectory() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string TempFileName(const std::string& dir, const std::string& prefix) {
    static std::atomic<unsigned> counter{TickCount() ^ static_cast<unsigned>(getpid() << 8)};
    std::string d = dir;
    if (!d.empty() && d.back() != '/') d += '/';
    const int dirFd = OpenPrivateDirectory(d);
    if (dirFd < 0) return {};
    const std::string pre = prefix.substr(0, 3);
    std::string result;
    for (int attempt = 0; attempt < 65536; ++attempt) {
        // The classic unique part is a 16-bit number; 0 is never used.
        unsigned unique = (counter.fetch_add(1) & 0xFFFF);
        if (unique == 0) continue;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        const std::string base = pre + hex + ".TMP";
        const int fd =
            ::openat(dirFd, base.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            result = d + base;
            break;
        }
        if (errno != EEXIST) break;
    }
    ::close(dirFd);
    return result;
}

bool CopyFileOver(const std::string& source, const std::string& dest) {
    const int in = openRegular(source, O_RDONLY, 0);
    if (in < 0) return false;
    const int out = openRegular(dest, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
    bool ok = out >= 0;
    char buf[65536];
    while (ok) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(out, buf, static_cast<size_t>(n));
    }
    ::close(in);
    if (out >= 0 && ::close(out) != 0) ok = false;
    return ok;
}

bool FileExists(const std::string& name) {
    struct stat st;
    return ::stat(name.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& name) {
    struct stat st;
    return ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainFile(const std::string& name) {
    struct stat st;
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirectory(const std::string& name, unsigned mode) {
    if (::mkdir(name.c_str(), mode) != 0) return false;
    ::chmod(name.c_str(), mode);
    return true;
}

bool DeleteFile(const std::string& name) { return ::unlink(name.c_str()) == 0; }

bool ReadWholeFile(const std::string& name, std::string& data) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    data = ss.str();
    return true;
}

bool WriteWholeFile(const std::string& name, const std::string& data) {
    const size_t slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.empty()) return false;
    std::string fresh = dir + "." + base + ".XXXXXX";
    const int fd = ::mkostemp(fresh.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = writeAll(fd, data.data(), data.size()) && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = ::rename(fresh.c_str(), name.c_str()) == 0;
    if (!ok) ::unlink(fresh.c_str());
    return ok;
}

bool RenameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string PrivateDirectoryProblem(const std::string& dir) {
    struct stat st;
    if (::lstat(withoutTrailingSlash(dir).c_str(), &st) != 0)
        return errno == ENOENT ? "does not exist" : std::strerror(errno);
    return ownershipProblem(st);
}

int OpenPrivateDirectory(const std::string& dir, std::string* reason) {
    const std::string d = withoutTrailingSlash(dir);
    const int fd = ::open(d.empty() ? "." : d.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::string why;
    if (fd < 0) {
        const int saved = errno;
        why = PrivateDirectoryProblem(d);
        if (why.empty()) why = std::strerror(saved);
    } else {
        struct stat st;
        why = ::fstat(fd, &st) != 0 ? std::string(std::strerror(errno)) : ownershipProblem(st);
        if (why.empty()) return fd;
        ::close(fd);
    }
    if (reason) *reason = why;
    errno = EACCES;
    return -1;
}

int OpenInPrivateDirectory(const std::string& name, int flags, unsigned mode) {
    const size_t slash = name.rfind('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.empty() || base == "." || base == "..") {
        errno = EISDIR;
        return -1;
    }
    const int dirFd = OpenPrivateDirectory(slash == std::string::npos ? "." : name.substr(0, slash + 1));
    if (dirFd < 0) return -1;
    const int fd = ::openat(dirFd, base.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
    const int saved = errno;
    ::close(dirFd);
    errno = saved;
    return fd;
}

std::string MakeSharedRoot(const std::string& base, const std::string& root) {
    const std::string b = withoutTrailingSlash(base);
    const std::string r = withoutTrailingSlash(root);
    if (b.size() < 2 || !(r == b || r.starts_with(b + "/"))) return r + " is not below " + b;
    size_t end = b.size();
    while (true) {
        const std::string level = r.substr(0, end);
        // mkdir never follows a link at its last component, and a level that exists is
        // judged by lstat, so a link planted at any level is refused, not followed.
        if (::mkdir(level.c_str(), 01777) == 0) {
            ::chmod(level.c_str(), 01777);
        } else if (errno != EEXIST) {
            return level + " cannot be created: " + std::strerror(errno);
        }
        struct stat st;
        if (::lstat(level.c_str(), &st) != 0) return level + ": " + std::strerror(errno);
        if (S_ISLNK(st.st_mode)) return level + " is a symbolic link";
        if (!S_ISDIR(st.st_mode)) return level + " is not a directory";
        if (st.st_uid != 0 && st.st_uid != ::geteuid()) return level + " belongs to another user";
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
            return level + " can be written by other users and is not sticky";
        if (end >= r.size()) return {};
        end = r.find('/', end + 1);
        if (end == std::string::npos) end = r.size();
    }
}

} // namespace platform
