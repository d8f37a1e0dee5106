// Content-type and extension tests, address text helpers, directory and file helpers,
// the user's log-in name and logging off, and the header look-up of a response.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace general {

struct TOptions;

// The media type (before any ";" parameters, blanks removed) is one of RenderableTypes.
bool IsRenderableType(const TOptions& options);
bool IsRenderableContentType(const std::string& contentType,
                             const std::vector<std::string>& renderableTypes);
// Ext without its dot: " ." + EXT + " " occurs in KnownExtensions.
bool IsKnownExtension(const TOptions& options, const std::string& ext);
bool IsKnownExtensionIn(const std::string& knownExtensions, const std::string& ext);

std::string LastPathSegment(const std::string& text);
std::string LastExtension(const std::string& text);

// Appends the separator "/" to a non-empty directory name that lacks it.
void EnsureTrailingBackslash(std::string& dir);
bool DirectoryExists(const std::string& dir);
// Creates Dir with every missing parent. Nothing is created writable by others: parents
// get 0755, Dir itself is the user's own (0700). An empty Dir raises "Unable to create
// directory"; a failed creation is not reported.
void ForceDirectories(const std::string& dir);
// Makes sure the per-user directory Dir (root + user name + "/") exists and may be used:
// created with mode 0700, or, when it exists, a real directory of the user's own that no
// one else may write. Its root must be the administrator's or the user's and writable by
// others only when sticky. A missing root is created without write access for others,
// except below SharedBase (the program's own default tree, such as /tmp/webling), which
// is created sticky and world-writable so that every user can make a directory there.
// Returns an empty text, or the reason the directory cannot be used.
std::string PreparePerUserDirectory(const std::string& dir, const std::string& sharedBase);
// 0 for a missing file; raises "I/O error" when it exists and cannot be read.
int64_t FileSizeOf(const std::string& name);

// The log-in name, or "noname" when it cannot be found or is empty.
std::string GetUserLogin();
void LogOffUser();

// The value after the first match of Name (compared without case) up to the line end;
// empty when Header or Name is empty or nothing matches.
std::string GetHeaderValue(const std::string& header, const std::string& name);

} // namespace general
