// The headless mode: start as usual, open the address, wait until the page and its
// pictures have been handled, write the document area as a PNG and exit.
#pragma once

#include "shell/command_line.h"

namespace shell {

class TFMain;

// Prints "caption: " and "status: " on standard output and returns the exit code.
int RunScreenshot(TFMain* window, const TCommandLine& cl);

} // namespace shell
