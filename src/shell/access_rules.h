// The address lists that lock a window down: prefixes of refused (and allowed) addresses,
// one per line, compared without regard to case with the canonical address text.
#pragma once

#include <string>
#include <vector>

namespace general {
struct TOptions;
}

namespace shell {

// The lines of a list file: ended by CR LF, LF or CR; taken unchanged, empty lines
// included. A missing or unreadable file gives an empty list.
std::vector<std::string> LoadUrlList(const std::string& fileName);

// False when Url begins with a non-empty entry of DeniedUrls. The allowed list is scanned
// too, but an address that no denied entry matches is admitted whatever it holds.
bool IsUrlAllowed(const std::string& url, const general::TOptions& options);

} // namespace shell
