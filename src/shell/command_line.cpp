#include "shell/command_line.h"

#include "platform/files.h"
#include "platform/ini_file.h"

#include <climits>
#include <cstdlib>

namespace shell {

std::string AddressFromArgument(const std::string& arg) {
    // A name of an existing local file is opened as that file, wherever it is given from;
    // anything else is an address as typed.
    if (arg.find("://") != std::string::npos || !platform::IsPlainFile(arg)) return arg;
    char full[PATH_MAX];
    if (!::realpath(arg.c_str(), full)) return arg;
    return std::string("file://") + full;
}

TCommandLine ParseCommandLine(int argc, char** argv) {
    TCommandLine cl;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* opt) -> std::optional<std::string> {
            std::string o = opt;
            if (a.rfind(o + "=", 0) == 0) return a.substr(o.size() + 1);
            return std::nullopt;
        };
        if (a == "--help" || a == "-h") {
            cl.Help = true;
        } else if (a == "--version") {
            cl.Version = true;
        } else if (auto v = value("--check-url")) {
            if (v->empty()) cl.Error = "--check-url needs an address";
            else cl.CheckUrl = AddressFromArgument(*v);
        } else if (auto v = value("--screenshot")) {
            cl.Screenshot = *v;
            if (cl.Screenshot.empty()) cl.Error = "--screenshot needs a file name";
        } else if (auto v = value("--window-size")) {
            size_t comma = v->find(',');
            int w = 0, h = 0;
            if (comma == std::string::npos || !platform::ParseIntegerText(v->substr(0, comma), w) ||
                !platform::ParseIntegerText(v->substr(comma + 1), h) || w < 100 || h < 100 ||
                w > 10000 || h > 10000)
                cl.Error = "--window-size must be W,H (100 to 10000 pixels each)";
            else
                cl.Width = w, cl.Height = h;
        } else if (auto v = value("--wait")) {
            int s = 0;
            if (!platform::ParseIntegerText(*v, s) || s < 0)
                cl.Error = "--wait must be a number of seconds";
            else
                cl.WaitSeconds = s;
        } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
            cl.Error = "unknown option " + a;
        } else if (!cl.Address) {
            cl.Address = AddressFromArgument(a);
        }
    }
    return cl;
}

} // namespace shell
