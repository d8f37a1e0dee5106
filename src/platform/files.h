// Files and directories as the program expects them of its desktop, on POSIX.
#pragma once

#include <string>

namespace platform {

// The directory of the running executable, ending in "/".
std::string ProgramDirectory();

// A new, empty file in Dir named: the first three characters of Prefix, a unique
// hexadecimal number and ".TMP". Returns its full name, or an empty text on failure.
std::string TempFileName(const std::string& dir, const std::string& prefix);

// Copies Source over Dest (replacing it). A symbolic link at Dest is not followed: the copy
// fails instead. False when either side fails.
bool CopyFileOver(const std::string& source, const std::string& dest);

bool FileExists(const std::string& name);
bool IsDirectory(const std::string& name);
bool IsPlainFile(const std::string& name);

// Creates one directory with the given permissions (umask does not narrow them).
bool MakeDirectory(const std::string& name, unsigned mode);

bool DeleteFile(const std::string& name);

// Reads or writes a whole file as bytes; false on failure. Writing goes to a fresh file
// beside Name that is then renamed over it, so a failed write leaves the old contents
// whole and a symbolic link planted at Name is replaced, never followed.
bool ReadWholeFile(const std::string& name, std::string& data);
bool WriteWholeFile(const std::string& name, const std::string& data);
// Renames From to To (replacing To). False when it fails.
bool RenameFile(const std::string& from, const std::string& to);

// Directories that belong to one user in places other users can reach. Dir may end in "/".
// A private directory is a real directory (not a symbolic link) owned by the effective
// user that neither group nor others may write. The check returns an empty text when Dir
// qualifies, otherwise why it does not ("is a symbolic link", ...).
std::string PrivateDirectoryProblem(const std::string& dir);
// Opens Dir with O_NOFOLLOW|O_DIRECTORY and checks the opened directory itself, so that a
// directory swapped after a check is caught. -1 (and Reason, when given) on refusal.
int OpenPrivateDirectory(const std::string& dir, std::string* reason = nullptr);
// Opens the file Name inside its private directory, relative to that directory's
// descriptor and never through a symbolic link. Flags are open(2) flags; O_NOFOLLOW and
// O_CLOEXEC are always added. -1 on failure, with errno set.
int OpenInPrivateDirectory(const std::string& name, int flags, unsigned mode = 0600);
// A shared root such as /tmp/webling/cache: created, with its missing parents below
// Base, as sticky world-writable directories (like /tmp) without following symbolic
// links. Each level that already exists must be a real directory owned by root or the
// user, and sticky when others may write it. Empty text, or why the root cannot be used.
std::string MakeSharedRoot(const std::string& base, const std::string& root);

} // namespace platform
