#include "platform/files.h"

#include "platform/clock.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

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
    std::string pre = prefix.substr(0, 3);
    for (int attempt = 0; attempt < 65536; ++attempt) {
        // The classic unique part is a 16-bit number; 0 is never used.
        unsigned unique = (counter.fetch_add(1) & 0xFFFF);
        if (unique == 0) continue;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        std::string name = d + pre + hex + ".TMP";
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

bool CopyFileOver(const std::string& source, const std::string& dest) {
    std::ifstream in(source, std::ios::binary);
    if (!in) return false;
    std::ofstream out(dest, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << in.rdbuf();
    return static_cast<bool>(out);
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
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

bool RenameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace platform
