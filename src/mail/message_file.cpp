#include "mail/message_file.h"

#include "platform/clock.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace mail {

namespace {

std::atomic<unsigned> NameCounter{platform::TickCount() ^ static_cast<unsigned>(getpid() << 8)};

} // namespace

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

bool WriteAll(int fd, const char* data, size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

std::string MessageFileText(const TOutgoingMessage& m) {
    std::string text;
    const auto line = [&text](const std::string& s) { text += s + "\r\n"; };
    line("To: " + OneLine(m.To));
    line("From: " + OneLine(m.From));
    line("Subject: " + OneLine(m.Subject));
    line("X-Mailer: Webling 1.0");
    line("Cc: " + OneLine(m.Cc));
    line("Bcc: " + OneLine(m.Bcc));
    line("");
    for (const std::string& body : m.Body) {
        if (body == ".")
            line(" .");
        else if (!body.empty() && body[0] == '.')
            line("." + body);
        else
            line(body);
    }
    line("");
    line(".");
    return text;
}

std::string CreateFreshFile(const std::string& dir, const std::string& prefix,
                            const std::string& contents) {
    std::string d = dir;
    if (!d.empty() && d.back() != '/') d += '/';
    const int dirFd = ::open(d.empty() ? "." : d.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return {};
    const std::string pre = prefix.substr(0, 3);
    std::string result;
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        // The classic unique part is a 16-bit number; 0 is never used.
        const unsigned unique = NameCounter.fetch_add(1) & 0xFFFF;
        if (unique == 0) continue;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        const std::string base = pre + hex + ".TMP";
        const int fd = ::openat(dirFd, base.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            break;
        }
        const bool written = WriteAll(fd, contents.data(), contents.size());
        if (::close(fd) == 0 && written) {
            result = d + base;
        } else {
            ::unlinkat(dirFd, base.c_str(), 0);
        }
        break;
    }
    ::close(dirFd);
    return result;
}

void SetFreshNameCounter(unsigned value) {
    NameCounter = value;
}

} // namespace mail
