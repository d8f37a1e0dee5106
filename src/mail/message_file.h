// The outgoing message file of the mail dialog: its text, line by line, and its creation
// under a fresh name in the temporary directory, which others may be able to write to.
#pragma once

#include <string>
#include <vector>

namespace mail {

struct TOutgoingMessage {
    std::string To, From, Subject, Cc, Bcc;
    std::vector<std::string> Body; // the lines as typed
};

// The header lines (To, From, Subject, X-Mailer, Cc, Bcc, each written even when empty),
// an empty line, the body, an empty line and the end-of-data line ".", every line ending
// in CR LF. The server takes the first dot off any line that begins with one, so a body
// line "." is written " ." and any other body line beginning with "." gets a second one.
// A line end inside a header value becomes a space.
std::string MessageFileText(const TOutgoingMessage& message);

// Writes Contents to a new file in Dir named the classic way: the first three characters
// of Prefix, a unique hexadecimal number and ".TMP". The file is created only where no
// entry of that name exists (a link planted there is neither followed nor replaced, the
// next name is tried instead) and is readable by its owner alone. Returns the full name,
// or an empty text on failure.
std::string CreateFreshFile(const std::string& dir, const std::string& prefix,
                            const std::string& contents);

// Text that stays one line: a line end in a header value would start a header, or end
// the data, of the sender's choosing. Each CR and LF becomes a space.
std::string OneLine(std::string text);

// Writes all Count bytes to a descriptor; false when it takes no more.
bool WriteAll(int fd, const char* data, size_t count);

// The number the next fresh name starts from (tests plant entries under known names).
void SetFreshNameCounter(unsigned value);

} // namespace mail
