// The program's command line: an optional start address, and the options of the headless
// mode that renders a page to a picture and exits.
#pragma once

#include <optional>
#include <string>

namespace shell {

struct TCommandLine {
    std::optional<std::string> Address; // replaces the home page of the first window
    std::string Screenshot;             // --screenshot=FILE.png; empty for a normal start
    int Width = 731, Height = 677;      // --window-size=W,H
    int WaitSeconds = 15;               // --wait=SECONDS
    bool Help = false, Version = false; // --help, --version: print and exit
    std::optional<std::string> CheckUrl; // --check-url=ADDRESS: print the verdict and exit
    std::string Error;                  // why the command line was refused
};

TCommandLine ParseCommandLine(int argc, char** argv);

// The start address for a command-line argument: a local file becomes its "file://" address.
std::string AddressFromArgument(const std::string& arg);

} // namespace shell
