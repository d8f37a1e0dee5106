// The user of the session: the log-in name and logging off.
#pragma once

#include <functional>
#include <string>

namespace platform {

// The log-in name from the password database; empty when it cannot be found.
std::string LoginName();

// Ends the user's desktop session. Goes through a replaceable function so that tests
// (and the headless mode) never log anybody off.
void LogOff();
using LogOffHandler = std::function<void()>;
// Installs a replacement and returns the one it replaces; an empty handler restores the
// default (loginctl).
LogOffHandler SetLogOffHandler(LogOffHandler handler);

} // namespace platform
