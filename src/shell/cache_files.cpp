#include "shell/cache_files.h"

#include "general/options.h"
#include "platform/files.h"
#include "shell/dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <functional>

namespace shell {

namespace {

constexpr size_t LongNameLimit = 200;
constexpr size_t LongNameKeep = 180;

uint64_t stableHash(const std::string& s) {
    uint64_t h = 1469598103934665603ull; // FNV-1a, stable across runs and machines
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// Calls Each with the directory's descriptor and the name of every entry that is not a
// directory. The directory is opened without following a link and must be the user's own:
// a cache or temporary directory replaced by a link to someone's home is never emptied.
// False (after the message) when Dir cannot be used.
bool forEachPlainFile(const std::string& dir, const std::function<void(int, const char*)>& each) {
    const int fd = platform::OpenPrivateDirectory(dir);
    DIR* d = fd < 0 ? nullptr : fdopendir(fd);
    if (!d) {
        if (fd >= 0) ::close(fd);
        ShowMessage("Can not change to dir \"" + dir + "\"");
        return false;
    }
    while (dirent* e = readdir(d)) {
        const char* name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        struct stat st;
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)) continue;
        each(fd, name);
    }
    closedir(d);
    return true;
}

} // namespace

std::string CacheFileName(const std::string& url, const general::TOptions& options) {
    std::string r;
    r.reserve(url.size());
    for (char c : url)
        if (options.InvalidFileChars.find(c) == std::string::npos) r += c;
    if (r.size() > LongNameLimit) {
        char hash[20];
        std::snprintf(hash, sizeof hash, "-%016llx",
                      static_cast<unsigned long long>(stableHash(r)));
        r = r.substr(0, LongNameKeep) + hash;
    }
    return options.CacheDir + r;
}

void AutoDeleteCache(const general::TOptions& options) {
    if (!options.AutoDelCacheFiles) return;
    if (std::rand() % 10 >= 3) return;
    int n = CountFilesInDir(options.CacheDir);
    if (n >= options.MaxCacheFiles) DeleteFilesInDir(options.CacheDir);
}

void DeleteFilesInDir(const std::string& dir) {
    // A link is removed itself; what it points to is never touched.
    forEachPlainFile(dir, [](int fd, const char* name) { ::unlinkat(fd, name, 0); });
}

int CountFilesInDir(const std::string& dir) {
    int n = 0;
    if (!forEachPlainFile(dir, [&](int, const char*) { ++n; })) return -1;
    return n;
}

int OpenCacheFile(const std::string& fileName) {
    return platform::OpenInPrivateDirectory(fileName, O_WRONLY | O_CREAT | O_TRUNC, 0600);
}

} // namespace shell
