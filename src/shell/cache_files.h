// The per-user cache and temporary directories: the file an address is stored in, the
// automatic emptying of a full cache and the clean-up of a directory's plain files.
#pragma once

#include <string>

namespace general {
struct TOptions;
}

namespace shell {

// CacheDir + the canonical address without the characters a file name may not hold.
// A name longer than 200 bytes keeps its first 180 and ends in "-" and a 16-digit
// hexadecimal hash of the whole name, so that no address exceeds the file-name limit.
std::string CacheFileName(const std::string& url, const general::TOptions& options);

// At the start of a navigation: on average three times in ten, empty the cache when it
// holds at least MaxCacheFiles files (only when AutoDelCacheFiles is set).
void AutoDeleteCache(const general::TOptions& options);

// Deletes the plain files of Dir (subdirectories stay); a file that cannot be deleted is
// passed over. A directory that cannot be opened, or that is not the user's own (a link,
// another user's, writable by others), is reported with a message box and left alone.
void DeleteFilesInDir(const std::string& dir);
// The number of plain files in Dir, or -1 (after the same message) when it cannot be read.
int CountFilesInDir(const std::string& dir);

// Opens (creating or emptying) a cache or temporary file for writing: relative to its
// directory's descriptor, only inside the user's own directory and never through a link
// planted at the name. The descriptor, or -1 with errno set.
int OpenCacheFile(const std::string& fileName);

} // namespace shell
