// A window's configuration read from webling.ini and the program's restrictions: values
// only, with no window, directory or file touched, so that what an administrator writes
// can be checked on its own.
#pragma once

#include "general/options.h"

#include <string>

namespace platform {
class TIniFile;
}

namespace shell {

struct TRestrictions;

// The program's own tree for the built-in directory defaults. Only below it are shared
// parents created (sticky, like /tmp); configured roots are the administrator's.
inline constexpr const char* DefaultTree = "/tmp/webling";

// Which per-user directories are the built-in defaults (and so may have their parents
// created under DefaultTree).
struct TDefaultDirs {
    bool Users = false, Tmp = false, Cache = false;
};

// Fills O from Ini and Rules for the user O.UserName, whose program directory is
// O.ProgramDir (ending in "/"). The per-user directories are named, not created.
TDefaultDirs ReadWindowOptions(general::TOptions& o, const platform::TIniFile& ini, const TRestrictions& rules);

} // namespace shell
