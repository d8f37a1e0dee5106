// Turning a server's directory listing into lines of the browser's listing page: each
// entry becomes its kind (d or f) and name, and for UNIX servers a link to
// ftp://host:port/path/name. How an entry is read depends on the server's system type.
#pragma once

#include <string>
#include <vector>

namespace ftp {

// System types found by SYST.
enum TFtpSystem {
    fsUnknown = 0,
    fsUnix = 1,
    fsWindowsNT = 2,
    fsVMS = 3,
    fsMVS = 4,
    fsNCSA = 5,
    fsVM = 6,
};

// The N-th word (from 1) of S, words separated by runs of spaces; empty when missing.
std::string SpaceWord(const std::string& s, int n);

// Converts Lines (as received, without line ends) for a server of type System. RemotePath
// gets a trailing "/" when it has none (the caller's property changes with it). With
// AsHtml the result is a whole page; type 0 is never converted (the caller skips it).
std::vector<std::string> ConvertListing(const std::vector<std::string>& lines, int system,
                                        const std::string& host, int port,
                                        std::string& remotePath, bool asHtml);

} // namespace ftp
