#include "platform/user.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

void defaultLogOff() {
    // Terminate the session this program runs in; without one, every session of the user.
    const char* session = std::getenv("XDG_SESSION_ID");
    std::string arg = session && *session ? std::string(session) : std::to_string(getuid());
    const char* verb = session && *session ? "terminate-session" : "terminate-user";
    pid_t pid = fork();
    if (pid == 0) {
        execlp("loginctl", "loginctl", verb, arg.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid > 0) {
        int status;
        waitpid(pid, &status, 0);
    }
}

LogOffHandler& handler() {
    static LogOffHandler h;
    return h;
}

} // namespace

std::string LoginName() {
    struct passwd pw;
    struct passwd* result = nullptr;
    char buf[4096];
    if (getpwuid_r(geteuid(), &pw, buf, sizeof buf, &result) != 0 || !result || !pw.pw_name)
        return {};
    return pw.pw_name;
}

void LogOff() {
    if (handler())
        handler()();
    else
        defaultLogOff();
}

LogOffHandler SetLogOffHandler(LogOffHandler h) {
    LogOffHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

} // namespace platform
