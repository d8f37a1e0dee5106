// The restrictions that lock a window down: the protocol and menu permissions of
// [restrictions], and the lists of denied and allowed address prefixes, compared in one
// canonical form so that no other spelling of an address escapes its entry.
#pragma once

#include "general/options.h"

#include <functional>
#include <string>
#include <vector>

namespace shell {

// The lines of a list file: ended by CR LF, LF or CR; taken unchanged, empty lines
// included. A missing or unreadable file gives an empty list.
std::vector<std::string> LoadUrlList(const std::string& fileName);

// The [restrictions] section and both lists as the program reads them once.
struct TRestrictions : general::TPermissions {
    // allowedonly=1: an address must match an allowed entry; an empty list refuses all.
    bool AllowedOnly = false;
    // The canonical forms of the entries, and beside each the line it came from.
    std::vector<std::string> DeniedUrls, DeniedSources;
    std::vector<std::string> AllowedUrls, AllowedSources;
};

// Reads webling.ini, denied_urls.dat and allowed_urls.dat of ProgramDir now.
TRestrictions ReadRestrictions(const std::string& programDir);
// The copy of ProgramDir's restrictions read by the first call; every later call (every
// later window) gets that same copy, whatever has happened to the files since.
const TRestrictions& SharedRestrictions(const std::string& programDir);
// Null when nothing has been read for ProgramDir.
const TRestrictions* SharedRestrictionsIfRead(const std::string& programDir);
// Forgets every copy (for tests).
void ResetSharedRestrictions();

// The canonical forms of one list entry: scheme and host in lower case, the host without
// a final dot, the port as a decimal number, unreserved %XX decoded, "//", "." and ".."
// removed, local paths resolved through links; a host name adds a form for each of its
// IPv4 addresses. An entry that cannot be put in that form is kept as written.
std::vector<std::string> CanonicalEntryForms(const std::string& entry);

// The verdict on an address and what decided it.
struct TUrlVerdict {
    bool Allowed = true;
    std::string Message; // "URL no permitida!" or "Unknown Protocol!" when refused
    std::string Rule;    // the protocol key, the entry that matched, "no entry", or the flaw
};

// The lists' verdict on a parsed address (the Url of its record).
TUrlVerdict CheckUrl(const std::string& url, const TRestrictions& restrictions);
// The protocol check and then the lists, as a navigation applies them.
TUrlVerdict CheckAddress(const std::string& address, const TRestrictions& restrictions);

// False when Url is refused by the window's lists (DeniedUrls and AllowedUrls of Options,
// already in canonical form), or by allowedonly as read for its program directory, or
// when the address cannot be put in canonical form (userinfo, a numeric host other than a
// dotted quad, an unknown port).
bool IsUrlAllowed(const std::string& url, const general::TOptions& options);

// The IPv4 addresses (dotted quads) of a host name. getaddrinfo unless replaced; tests
// install one that answers for loopback names only. An empty function restores it.
using THostResolver = std::function<std::vector<std::string>(const std::string& host)>;
THostResolver SetHostResolver(THostResolver resolver);

} // namespace shell
