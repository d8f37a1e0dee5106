#include "net/sock_error.h"

#include "platform/text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <unordered_map>

namespace net {

namespace {

// One line per error code: long because the table is, not because of any logic.
const std::unordered_map<int, const char*>& texts() {
    static const std::unordered_map<int, const char*> table = {
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation, already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Bad protocol option"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Can't assign requested address"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Net dropped connection or reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references, can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No Route to Host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc Quota Exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network SubSystem is unavailable"},
        {10092, "WINSOCK DLL Version out of range"},
        {10093, "Successful WSASTARTUP not yet performed"},
        {10101, "Socket Disconnected"},
        {11001, "Host not found"},
        {11002, "Non-Authoritative Host not found"},
        {11003, "Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"},
        {11004, "Valid name, no data record of requested type"},
        {SockErrFindingAddress, "Error %d (%s) finding address for host"},
        {SockErrCallingGetHostByAddr, "Error %d (%s) calling WSAAsyncGetHostByAddr"},
        {SockErrCallingGetHostByName, "Error %d (%s) calling WSAAsyncGetHostByName"},
        {SockErrCallingGetServByName, "Error %d (%s) calling WSAAsyncGetServByName"},
        {SockErrCallingGetServByPort, "Error %d (%s) calling WSAAsyncGetServByPort"},
        {SockErrFindingHost, "Error %d (%s) finding host for address"},
        {SockErrBinding, "Error %d (%s) Binding Socket"},
        {SockErrConnecting, "Error %d (%s) connecting"},
        {SockErrCreatingSocket, "Error %d (%s) creating new socket"},
        {SockErrGettingPeerName, "Error %d (%s) calling getpeername"},
        {SockErrGettingSockName, "Error %d (%s) calling getsockname"},
        {SockErrBytesWaiting, "Error %d (%s) getting # of bytes in Receive Buffer"},
        {SockErrListening, "Error %d (%s) listining"},
        {SockErrReceiving, "Error %d (%s) recieving"},
        {SockErrSending, "Error %d (%s) sending"},
        {SockErrStartingUp, "Error %d (%s) starting up WinSock"},
        {SockErrNoAddress, "No address specified"},
        {SockErrNotOpen, "Socket not open"},
        {SockErrReverseLookupOfZero, "Can't do reverse lookup on address 0.0.0.0"},
        {SockErrAlreadyOpen, "Socket Already opened"},
        {SockErrDatagramTooLarge, "Datagram exceeds Winsock's max UDP packet size"},
        {SockErrLibraryLoaded, "Winsock DLL Already Loaded, Cannot change name"},
        {SockErrNotStreamType, "Invalid type for a Stream socket"},
        {SockErrNotDatagramType, "Invalid type for a Datagram socket"},
        {SockErrPeeking, "Error %d (%s) peeking"},
        {SockErrNoSocketClass, "No Socket Class Defined"},
    };
    return table;
}

} // namespace

std::string SockErrorText(int code) {
    if (code == 0) return {};
    if (code > SockErrSystem && code <= SockErrSystemLast) {
        char buf[256];
        // The GNU strerror_r returns its text, which need not be in Buf.
        return strerror_r(code - SockErrSystem, buf, sizeof buf);
    }
    auto it = texts().find(code);
    if (it != texts().end()) return it->second;
    char buf[40];
    std::snprintf(buf, sizeof buf, "Unknown Error %d", code);
    return buf;
}

std::string SockErrorMessage(int error, int context) {
    const std::string t = SockErrorText(context);
    if (t.empty()) return SockErrorText(error);
    const size_t d = platform::FindNoCase(t, "%d"), s = platform::FindNoCase(t, "%s");
    if (d == std::string::npos && s == std::string::npos) return t;
    // Substitute in the order in which the two place-holders occur.
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (i == d) {
            out += std::to_string(error);
            ++i;
        } else if (i == s) {
            out += SockErrorText(error);
            ++i;
        } else {
            out += t[i];
        }
    }
    return out;
}

void RaiseSockError(int error, int context) {
    throw ESockError(SockErrorMessage(error, context), error);
}

int ErrnoToWsa(int err) {
    switch (err) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAENOTSOCK;
    case EACCES: case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: case EPIPE: return WSAECONNRESET;
    case ENOBUFS: case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ETOOMANYREFS: return 10059;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default:
        // Not 10000 + errno: that range holds the classic codes, and an unrelated errno
        // landing on one of them (ENODATA on "Connection refused", EXFULL on a reset)
        // would be taken for it.
        return err > 0 && err <= SockErrSystemLast - SockErrSystem ? SockErrSystem + err
                                                                   : SockErrSystem;
    }
}

int ResolverToWsa(int gaiError) {
    switch (gaiError) {
    case 0: return 0;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_FAIL: return WSANO_RECOVERY;
#ifdef EAI_NODATA
    case EAI_NODATA: return WSANO_DATA;
#endif
    case EAI_ADDRFAMILY: return WSANO_DATA;
    case EAI_SYSTEM: return ErrnoToWsa(errno);
    default: return WSANO_RECOVERY;
    }
}

} // namespace net
