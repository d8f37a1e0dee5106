#include "shell/cache_files.h"

#include "general/options.h"
#include "platform/files.h"
#include "shell/dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
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

// Calls Each for every plain file of Dir; false (after the message) when Dir cannot be read.
bool forEachPlainFile(const std::string& dir, const std::function<void(const std::string&)>& each) {
    DIR* d = opendir(dir.c_str());
    if (!d) {
        ShowMessage("Can not change to dir \"" + dir + "\"");
        return false;
    }
    const std::string prefix = (!dir.empty() && dir.back() == '/') ? dir : dir + "/";
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string full = prefix + name;
        if (platform::IsDirectory(full)) continue;
        each(full);
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
    forEachPlainFile(dir, [](const std::string& f) { platform::DeleteFile(f); });
}

int CountFilesInDir(const std::string& dir) {
    int n = 0;
    if (!forEachPlainFile(dir, [&](const std::string&) { ++n; })) return -1;
    return n;
}

} // namespace shell
