#include "ftp/ftp_session.h"

#include <cctype>

namespace ftp {

namespace {

const char* const TimeOutText = "Time out";
const char* const NoDataSocket = "Can not prepare one socket to accept data.";
// Texts for failures the dialogue itself never had words for.
const char* const NoAddress = "No address specified";
const char* const NotOpen = "Socket not open";
const char* const Disconnected = "Disconnected";
const char* const BadCharacter = "Invalid character in FTP command";
const char* const NoLocalFile = "Can not create the local file.";
const char* const LocalWriteFailed = "Can not write the local file.";

constexpr int FirstDataPort = 1380;
constexpr int LastDataPort = 1600;
// A line longer than this is cut: a server that never ends its line must not fill memory.
constexpr size_t LongestLine = 8192;

// Splits bytes into lines as every FTP line arrives: LF ends a line, CR is dropped
// wherever it occurs, the rest of an unfinished line waits in Carry for the next chunk.
template <class OnLine>
void splitLines(const char* data, size_t count, std::string& carry, OnLine onLine) {
    for (size_t i = 0; i < count; ++i) {
        const char c = data[i];
        if (c == '\n') {
            std::string line;
            line.swap(carry);
            onLine(std::move(line));
        } else if (c != '\r' && carry.size() < LongestLine) {
            carry += c;
        }
    }
}

// The text of a reply line: from its fifth character on.
std::string replyText(const std::string& line) { return line.size() < 5 ? std::string() : line.substr(4); }

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool isQuote(char c) { return c == '"' || c == '\''; }

// The directory named by a PWD reply: its first word without up to two quotes each side.
std::string pwdDirectory(const std::string& line) {
    std::string dir = SpaceWord(replyText(line), 1);
    for (int i = 0; i < 2; ++i)
        if (!dir.empty() && isQuote(dir.back())) dir.pop_back();
    for (int i = 0; i < 2; ++i)
        if (!dir.empty() && isQuote(dir.front())) dir.erase(0, 1);
    return dir;
}

int systemTypeOf(const std::string& word) {
    static const struct {
        const char* name;
        int type;
    } table[] = {{"UNIX", fsUnix}, {"WINDOWS_NT", fsWindowsNT}, {"VMS", fsVMS}, {"MVS", fsMVS}, {"VM", fsVM}};
    const std::string u = upper(word);
    for (const auto& t : table)
        if (u == t.name) return t.type;
    return fsUnknown;
}

// A whole decimal number that fits 64 bits, or -1.
int64_t decimal(const std::string& text) {
    if (text.empty() || text.size() > 18) return -1;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

} // namespace

TFtpSession::TFtpSession() = default;

TFtpSession::~TFtpSession() {
    if (Local) std::fclose(Local);
}

// ---- Starting operations ----

void TFtpSession::StartLogin() {
    beginOperation();
    NeedsAccount = false;
    Home.clear();
    SysName.clear();
    Texts.clear();
    Success = false;
    SysType = fsUnknown;
    St = fsGreeting;
    if (TimeOut > 30) TimeOut = 30;
    if (Host.empty()) failWith(NoAddress);
}

bool TFtpSession::StartLogout() {
    NewReply = true;
    Error.clear();
    Carry.clear();
    Success = false;
    if (!ControlOpen()) return false;
    Lines.clear();
    Listing.clear();
    IsFinished = false;
    SetInactivityTimer(false);
    St = fsQuitSent;
    send("QUIT");
    return !IsFinished;
}

void TFtpSession::beginOperation() {
    NewReply = true;
    Lines.clear();
    Listing.clear();
    Carry.clear();
    Error.clear();
    IsFinished = false;
    SetInactivityTimer(false);
    St = fsIdle;
}

void TFtpSession::StartGetSize() {
    beginOperation();
    Size = -1;
    St = fsSizeSent;
    send("SIZE " + RemotePath);
}

void TFtpSession::StartList() {
    beginOperation();
    DataCarry.clear();
    startTransfer(fsListing);
}

void TFtpSession::StartGetFile(const std::string& localName) {
    beginOperation();
    Received = false;
    LocalName = localName;
    startTransfer(fsRetrieving);
}

void TFtpSession::startTransfer(int operation) {
    DataOp = operation;
    DataDone = ControlDone = false;
    LocalFailed = false;
    ReceivedBytes = 0;
    if (!ControlOpen()) return failWith(NotOpen);
    // The data port is opened before it is announced, so that a port another program
    // holds is passed over for the next one instead of being announced in vain.
    bool open = false;
    for (int tries = 0; tries <= LastDataPort - FirstDataPort && !open; ++tries) {
        if (++PortCounter > LastDataPort) PortCounter = FirstDataPort;
        open = OpenDataPort(PortCounter);
    }
    if (!open) return failWith(NoDataSocket);
    std::string argument = LocalAddress();
    for (char& c : argument)
        if (c == '.') c = ',';
    argument += "," + std::to_string(PortCounter / 256) + "," + std::to_string(PortCounter % 256);
    St = fsPortSent;
    send("PORT " + argument);
}

const std::vector<std::string>& TFtpSession::EndList(bool convert, bool asHtml) {
    CloseDataPort();
    if (convert && SysType != fsUnknown) Listing = ConvertListing(Listing, SysType, Host, Port, RemotePath, asHtml);
    return Listing;
}

bool TFtpSession::EndGetFile() {
    CloseDataPort();
    closeLocal();
    return Received;
}

// ---- Common steps ----

bool TFtpSession::send(const std::string& command) {
    // A path or a password with a line end in it would smuggle a command of its own.
    if (command.find_first_of("\r\n") != std::string::npos) {
        failWith(BadCharacter);
        return false;
    }
    Command = (command + "\r\n").substr(0, 255);
    bool sent = false;
    try {
        sent = SendCommand(command + "\r\n");
    } catch (const std::exception& e) {
        failWith(e.what());
        return false;
    }
    if (!sent) {
        failWith(NotOpen);
        return false;
    }
    // Every command awaits a reply; silence from here on is what the timer watches.
    SetInactivityTimer(true);
    return true;
}

void TFtpSession::finish() {
    IsFinished = true;
    SetInactivityTimer(false);
    OperationFinished();
}

// The first failure of an operation is the one reported: a time-out while quitting after
// a refused log-in must not hide the server's reason.
void TFtpSession::failWith(const std::string& error) {
    if (Error.empty()) Error = error;
    Success = false;
    if (DataOp == fsRetrieving) Received = false;
    St = fsIdle;
    finish();
}

void TFtpSession::failFromReply() {
    Error = Lines.empty() ? std::string() : replyText(Lines.back());
    Success = false;
}

void TFtpSession::refused() {
    failFromReply();
    failWith(Error);
}

void TFtpSession::takeTexts() {
    Texts.clear();
    for (const std::string& l : Lines) Texts.push_back(replyText(l));
}

void TFtpSession::Fail(const std::string& error) { failWith(error); }

// ---- The control connection ----

void TFtpSession::ControlConnected(int error) {
    if (error == 0 && St == fsGreeting) SetInactivityTimer(true);
}

void TFtpSession::ControlData(const char* data, size_t count) {
    if (St == fsIdle) {
        // Nothing is awaited: whatever the server says now is dropped.
        Carry.clear();
        Lines.clear();
        NewReply = true;
        return;
    }
    if (St != fsListing && St != fsRetrieving) SetInactivityTimer(true);
    splitLines(data, count, Carry, [this](std::string line) { handleLine(std::move(line)); });
}

void TFtpSession::handleLine(std::string line) {
    if (St == fsIdle) return;
    if (NewReply) {
        NewReply = false;
        Code = line.substr(0, 3);
    }
    const bool last = line.size() >= 3 && Code.size() == 3 && line.compare(0, 3, Code) == 0 &&
                      (line.size() == 3 || line[3] == ' ');
    Lines.push_back(std::move(line));
    // A multi-line reply ("220-" ... ) is complete only with its "220 " line.
    if (last) handleReply();
}

void TFtpSession::handleReply() {
    const bool success = Code[0] == '2';
    const bool intermediate = Code[0] == '3';
    NewReply = true;
    switch (St) {
    case fsGreeting: onGreeting(success); break;
    case fsUserSent: onUser(success, intermediate); break;
    case fsPassSent: onPass(success, intermediate); break;
    case fsPwdSent:
        Home = pwdDirectory(Lines.front());
        Lines.clear();
        if (send("SYST")) St = fsSystSent;
        break;
    case fsSystSent: onSyst(success); break;
    case fsSizeSent: onSize(success); break;
    case fsQuitSent:
        // The client ends the connection itself: a server that answers QUIT but keeps
        // the connection open must not hold the caller.
        Success = false;
        St = fsIdle;
        CloseControl();
        finish();
        break;
    case fsTypeSent: // a refusal leaves the default type; the log-in stands all the same
        St = fsIdle;
        Success = true;
        finish();
        break;
    case fsPortSent: onPort(success); break;
    case fsListing:
    case fsRetrieving: onTransfer(success); break;
    default: break;
    }
    Lines.clear();
}

void TFtpSession::onGreeting(bool success) {
    if (!success) return refused();
    takeTexts();
    Lines.clear();
    if (send("USER " + User)) St = fsUserSent;
}

void TFtpSession::onUser(bool success, bool intermediate) {
    if (intermediate) {
        Lines.clear();
        if (send("PASS " + Password)) St = fsPassSent;
    } else if (success) {
        Lines.clear();
        if (send("PWD")) St = fsPwdSent;
    } else {
        failFromReply();
        SetInactivityTimer(false);
        if (send("QUIT")) St = fsQuitSent;
    }
}

void TFtpSession::onPass(bool success, bool intermediate) {
    if (success) {
        Lines.clear();
        if (send("PWD")) St = fsPwdSent;
    } else if (intermediate) {
        NeedsAccount = true;
        Success = true;
        St = fsIdle;
        finish();
    } else {
        failFromReply();
        if (send("QUIT")) St = fsQuitSent;
    }
}

void TFtpSession::onSyst(bool success) {
    if (success) {
        SysName = SpaceWord(Lines.front(), 2);
        SysType = systemTypeOf(SysName);
        if (SysType == fsUnknown) SysName = "Unknown";
    } else {
        SysName = "NCSA/CUTCP";
        SysType = fsNCSA;
    }
    // The default type is ASCII, in which a server may turn every LF of a file into CR LF
    // and may refuse SIZE: the session works in the image type, byte for byte.
    if (send("TYPE I")) St = fsTypeSent;
}

void TFtpSession::onSize(bool success) {
    if (!success) return refused();
    St = fsIdle;
    takeTexts();
    Success = true;
    Size = decimal(Texts.front());
    if (Size < 0) Error = Texts.back();
    finish();
}

void TFtpSession::onPort(bool success) {
    if (!success) return refused();
    takeTexts();
    Success = true;
    if (DataOp == fsRetrieving) {
        Local = std::fopen(LocalName.c_str(), "wbe");
        if (!Local) return failWith(NoLocalFile);
        std::setvbuf(Local, nullptr, _IOFBF, 1 << 16);
    }
    DataDone = ControlDone = false;
    const std::string verb = DataOp == fsListing ? "LIST" : "RETR";
    if (send(RemotePath.empty() ? verb : verb + " " + RemotePath)) St = DataOp;
}

void TFtpSession::onTransfer(bool success) {
    if (Code[0] == '1') {
        // The transfer has begun: from now on the data timer watches it.
        takeTexts();
        SetInactivityTimer(false);
        return;
    }
    if (!success) return refused();
    takeTexts();
    ControlDone = true;
    Success = true;
    St = fsIdle;
    SetInactivityTimer(false);
    if (DataDone) finish();
}

// ---- The data connection ----

bool TFtpSession::transferRunning() const {
    return !IsFinished && (St == fsListing || St == fsRetrieving || ControlDone);
}

void TFtpSession::DataAccepted() { ReceivedBytes = 0; }

void TFtpSession::DataReceived(const char* data, size_t count) {
    if (!transferRunning() || count == 0) return;
    if (DataOp == fsListing) {
        addListingBytes(data, count);
    } else {
        ReceivedBytes += static_cast<int64_t>(count);
        writeLocal(data, count);
    }
    Progress();
}

void TFtpSession::addListingBytes(const char* data, size_t count) {
    splitLines(data, count, DataCarry, [this](std::string line) { Listing.push_back(std::move(line)); });
}

void TFtpSession::writeLocal(const char* data, size_t count) {
    if (!Local || LocalFailed) return;
    if (std::fwrite(data, 1, count, Local) != count) {
        LocalFailed = true;
        if (Error.empty()) Error = LocalWriteFailed;
    }
}

void TFtpSession::closeLocal() {
    if (!Local) return;
    if (std::fclose(Local) != 0 && !LocalFailed) {
        LocalFailed = true;
        if (Error.empty()) Error = LocalWriteFailed;
    }
    Local = nullptr;
}

void TFtpSession::DataClosed() {
    if (!transferRunning() || DataDone) return;
    if (DataOp == fsListing) {
        // A last entry without its line end is still an entry.
        if (!DataCarry.empty()) Listing.push_back(std::move(DataCarry));
        DataCarry.clear();
    } else {
        closeLocal();
        Received = !LocalFailed;
    }
    DataDone = true;
    if (ControlDone)
        finish();
    else
        SetInactivityTimer(true); // the final reply is still to come; it must not take forever
}

void TFtpSession::DataTimedOut() {
    CloseDataPort();
    failWith(TimeOutText);
}

void TFtpSession::InactivityTimedOut() {
    CloseControl();
    failWith(TimeOutText);
}

void TFtpSession::ControlClosed() {
    if (IsFinished) {
        St = fsIdle;
        SetInactivityTimer(false);
        return;
    }
    // A transfer whose final reply never came is not known to be whole.
    if (St == fsQuitSent) {
        St = fsIdle;
        Success = false;
        return finish();
    }
    failWith(Disconnected);
}

} // namespace ftp
