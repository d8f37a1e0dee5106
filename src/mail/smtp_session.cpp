#include "mail/smtp_session.h"

#include "mail/message_file.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mail {

const char* const SmtpTimeOutText = "Time out";
const char* const SmtpNoConnectionText = "No connection";
const char* const SmtpDisconnectedText = "Disconnected";

namespace {

const char* const ErrorInHelo = "Error in HELO";
const char* const ErrorInMailFrom = "Error in MAIL FROM";
const char* const ErrorInRcptTo = "Error in RCPT TO";
const char* const ErrorInData = "Error in DATA";
// Texts for failures the dialogue itself never had words for.
const char* const NoAddress = "No address specified";
const char* const NoRecipient = "No recipient";
const char* const NotOpen = "Socket not open";
const char* const BadCharacter = "Invalid character in SMTP command";
const char* const CannotRead = "Can not read the message file.";
const char* const CannotWrite = "Can not write the message file.";

constexpr int LongestTimeOut = 30;
constexpr int DefaultTimeOut = 10;
constexpr size_t LongestCommand = 255;
// A line longer than this is cut: a server that never ends its line must not fill memory.
constexpr size_t LongestLine = 8192;

// Opens FileToSend without following a link at its last step (the file lives in a
// directory that others may write to) and only when it is a plain file: a pipe planted
// in its place would block the reader for ever.
int openPlain(const std::string& name, int flags, struct stat& st) {
    const int fd = ::open(name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TSmtpSession::TSmtpSession() : Buffer(BlockSize) {}

TSmtpSession::~TSmtpSession() {
    closeFile();
}

void TSmtpSession::SplitRecipients(const std::string& text) {
    std::string address;
    for (char c : text) {
        if (c == ',') {
            Recipients.push_back(address);
            address.clear();
        } else if (c != ' ') {
            address += c;
        }
    }
    Recipients.push_back(address);
}

// ---- Starting ----

bool TSmtpSession::StartSending() {
    Error.clear();
    Index = 0;
    closeFile();
    Success = false;
    IsFinished = true;
    struct stat st {};
    File = openPlain(FileToSend, O_RDONLY, st);
    if (File < 0) return false;
    IsFinished = false;
    if (AddEndOfDAta) {
        struct stat wst {};
        const int out = openPlain(FileToSend, O_WRONLY | O_APPEND, wst);
        // The end goes onto the very file that is read, not onto one swapped in meanwhile.
        const bool same = out >= 0 && wst.st_dev == st.st_dev && wst.st_ino == st.st_ino;
        bool written = same && WriteAll(out, "\r\n.\r\n", 5);
        if (out >= 0 && ::close(out) != 0) written = false;
        if (!written) {
            failWith(CannotWrite);
            return false;
        }
    }
    if (::fstat(File, &st) != 0) {
        failWith(CannotRead);
        return false;
    }
    Size = st.st_size;
    Sent = 0;
    Pending = Offset = 0;
    Stalls = 0;
    Streaming = false;
    St = smGreeting;
    Carry.clear();
    ReplyCode.clear();
    NewReply = true;
    Outgoing.clear();
    Command.clear();

    Rcpts.clear();
    if (!ToAddress.empty()) Rcpts.push_back(ToAddress);
    for (const std::string& r : Recipients)
        if (!r.empty()) Rcpts.push_back(r);
    if (TimeOut > LongestTimeOut) TimeOut = LongestTimeOut;
    // Every wait is bounded: a time-out of nothing would wait for a silent server for ever.
    if (TimeOut < 1) TimeOut = DefaultTimeOut;
    if (Host.empty())
        failWith(NoAddress);
    else if (Rcpts.empty())
        failWith(NoRecipient);
    return !IsFinished;
}

// ---- What the connection delivers ----

void TSmtpSession::Connected() {
    if (!IsFinished) SetTimer(true);
}

void TSmtpSession::ReplyData(const char* data, size_t count) {
    if (IsFinished) return;
    SetTimer(true);
    for (size_t i = 0; i < count && !IsFinished; ++i) {
        const char c = data[i];
        if (c == '\n') {
            std::string line;
            line.swap(Carry);
            handleLine(std::move(line));
        } else if (c != '\r' && Carry.size() < LongestLine) {
            Carry += c;
        }
    }
}

void TSmtpSession::handleLine(std::string line) {
    if (NewReply) {
        NewReply = false;
        ReplyCode = line.substr(0, 3);
    }
    // "250-..." lines continue a reply; any other line ends it.
    if (line.size() >= 4 && line[3] == '-') return;
    NewReply = true;
    handleReply(ReplyCode.empty() ? '\0' : ReplyCode[0]);
}

void TSmtpSession::WriteReady() {
    if (IsFinished) return;
    SetTimer(true);
    if (!flushCommands()) return;
    if (St == smData && Streaming) sendFile();
}

void TSmtpSession::ConnectionClosed() {
    if (IsFinished) return;
    // The message was accepted before QUIT; a server that hangs up instead of answering
    // QUIT has still delivered it.
    if (St == smQuit) return succeed();
    failWith(SmtpDisconnectedText);
}

void TSmtpSession::TimedOut() {
    if (IsFinished) return;
    failWith(SmtpTimeOutText);
}

void TSmtpSession::Fail(const std::string& error) {
    if (IsFinished) return;
    failWith(error);
}

// ---- The dialogue ----

void TSmtpSession::handleReply(char code) {
    const bool refused = code == '5';
    switch (St) {
    case smGreeting:
        if (refused) return failWith(SmtpNoConnectionText);
        St = smHelo;
        sendCommand("helo " + LocalAddress());
        break;
    case smHelo:
        if (refused) return failWith(ErrorInHelo);
        Index = 0;
        St = smMailFrom;
        sendCommand("mail from: " + From);
        break;
    case smMailFrom:
        // The replies to every RCPT but the last are judged here too, so a refused
        // recipient other than the last is reported as the sender's error.
        if (refused) return failWith(ErrorInMailFrom);
        sendRecipient();
        break;
    case smLastRcpt:
        if (refused) return failWith(ErrorInRcptTo);
        St = smData;
        sendCommand("data");
        break;
    case smData:
        if (Streaming) {
            // A server may refuse the message before it has all of it.
            if (code == '4' || refused) failWith(ErrorInData);
            return;
        }
        // Only the go-ahead (354) lets the file follow: after any other answer the server
        // would read every line of the message as a command.
        if (code != '3') return failWith(ErrorInData);
        Sent = 0;
        SetTimer(false);
        Streaming = true;
        sendCommand("SUBJECT: " + OneLine(SUBJECT));
        if (!IsFinished) sendFile();
        break;
    case smEndOfData:
        // Anything but acceptance means the message was not taken.
        if (code != '2') return failWith(ErrorInData);
        closeFile();
        St = smQuit;
        sendCommand("quit");
        break;
    case smQuit:
        succeed();
        break;
    default:
        break;
    }
}

void TSmtpSession::sendRecipient() {
    if (Index + 1 >= Rcpts.size()) St = smLastRcpt;
    const std::string& r = Rcpts[Index++];
    sendCommand("rcpt to: <" + r + ">");
}

void TSmtpSession::sendCommand(const std::string& command) {
    // An address with a line end in it would smuggle a command of its own.
    if (command.find_first_of("\r\n") != std::string::npos) return failWith(BadCharacter);
    Command = (command + "\r\n").substr(0, LongestCommand);
    Outgoing += command + "\r\n";
    flushCommands();
}

bool TSmtpSession::flushCommands() {
    while (!Outgoing.empty() && !IsFinished) {
        int n = 0;
        try {
            n = SendBytes(Outgoing.data(), Outgoing.size());
        } catch (const std::exception& e) {
            failWith(e.what());
            return false;
        }
        if (n < 0) {
            failWith(NotOpen);
            return false;
        }
        if (n == 0) {
            SetTimer(true);
            return false;
        }
        Outgoing.erase(0, static_cast<size_t>(n));
    }
    return !IsFinished;
}

void TSmtpSession::sendFile() {
    SetTimer(false);
    if (!flushCommands()) return;
    while (!IsFinished) {
        while (Pending > 0) {
            SetTimer(true);
            int n = 0;
            try {
                n = SendBytes(Buffer.data() + Offset, Pending);
            } catch (const std::exception& e) {
                return failWith(e.what());
            }
            if (n < 0) return failWith(NotOpen);
            if (n == 0) {
                ++Stalls;
                return; // the next write notification goes on from here
            }
            Sent += n;
            Pending -= static_cast<size_t>(n);
            Offset += static_cast<size_t>(n);
        }
        if (!fillBlock()) return;
    }
}

// Reads the next block; false when the file is exhausted (the end-of-data reply is then
// awaited) or cannot be read.
bool TSmtpSession::fillBlock() {
    Offset = 0;
    ssize_t n;
    do {
        n = ::read(File, Buffer.data(), Buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        failWith(CannotRead);
        return false;
    }
    Pending = static_cast<size_t>(n);
    if (n > 0) return true;
    Streaming = false;
    St = smEndOfData;
    SetTimer(true);
    return false;
}

// ---- Ending ----

void TSmtpSession::succeed() {
    Success = true;
    finish();
}

void TSmtpSession::failWith(const std::string& error) {
    if (IsFinished) return;
    if (Error.empty()) Error = error;
    Success = false;
    finish();
}

void TSmtpSession::finish() {
    if (IsFinished) return;
    IsFinished = true;
    Streaming = false;
    Outgoing.clear();
    SetTimer(false);
    closeFile();
    CloseConnection();
    OperationFinished();
}

void TSmtpSession::closeFile() {
    if (File >= 0) ::close(File);
    File = -1;
}

} // namespace mail
