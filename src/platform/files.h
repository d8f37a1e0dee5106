// Files and directories as the program expects them of its desktop, on POSIX.
#pragma once

#include <string>

namespace platform {

// The directory of the running executable, ending in "/".
std::string ProgramDirectory();

// A new, empty file in Dir named: the first three characters of Prefix, a unique
// hexadecimal number and ".TMP". Returns its full name, or an empty text on failure.
std::string TempFileName(const std::string& dir, const std::string& prefix);

// Copies Source over Dest (replacing it). False when either side fails.
bool CopyFileOver(const std::string& source, const std::string& dest);

bool FileExists(const std::string& name);
bool IsDirectory(const std::string& name);
bool IsPlainFile(const std::string& name);

// Creates one directory with the given permissions (umask does not narrow them).
bool MakeDirectory(const std::string& name, unsigned mode);

bool DeleteFile(const std::string& name);

// Reads or writes a whole file as bytes; false on failure.
bool ReadWholeFile(const std::string& name, std::string& data);
bool WriteWholeFile(const std::string& name, const std::string& data);
// Renames From to To (replacing To). False when it fails.
bool RenameFile(const std::string& from, const std::string& to);

} // namespace platform
