// Socket failures and their texts: the classic socket error codes (10004..11004), the
// library's own codes (20001..20027) and the rule that builds a message from an error
// code and a context code.
#pragma once

#include "platform/exception.h"

#include <string>

namespace net {

class ESockError : public platform::Exception {
public:
    using platform::Exception::Exception;
    ESockError(std::string message, int code) : platform::Exception(std::move(message)), Code(code) {}
    int Code = 0; // the error code raised (0 for the library's own errors)
};

// Classic codes used throughout the socket layer.
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTDOWN = 10064;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSASYSNOTREADY = 10091;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAHOST_NOT_FOUND = 11001;
constexpr int WSATRY_AGAIN = 11002;
constexpr int WSANO_RECOVERY = 11003;
constexpr int WSANO_DATA = 11004;

// The library's own codes. Those whose text holds "%d" and "%s" are contexts that name
// the step a classic error happened in; the others are raised as errors of their own
// (error 0 with the code as context).
constexpr int SockErrFindingAddress = 20001;
constexpr int SockErrCallingGetHostByAddr = 20002;
constexpr int SockErrCallingGetHostByName = 20003;
constexpr int SockErrCallingGetServByName = 20004;
constexpr int SockErrCallingGetServByPort = 20005;
constexpr int SockErrFindingHost = 20006;
constexpr int SockErrBinding = 20007;
constexpr int SockErrConnecting = 20008;
constexpr int SockErrCreatingSocket = 20009;
constexpr int SockErrGettingPeerName = 20010;
constexpr int SockErrGettingSockName = 20011;
constexpr int SockErrBytesWaiting = 20012;
constexpr int SockErrListening = 20013;
constexpr int SockErrReceiving = 20014;
constexpr int SockErrSending = 20015;
constexpr int SockErrStartingUp = 20016;
constexpr int SockErrNoAddress = 20017;
constexpr int SockErrNotOpen = 20018;
constexpr int SockErrReverseLookupOfZero = 20019;
constexpr int SockErrAlreadyOpen = 20020;
constexpr int SockErrDatagramTooLarge = 20021;
constexpr int SockErrLibraryLoaded = 20022;
constexpr int SockErrNotStreamType = 20023;
constexpr int SockErrNotDatagramType = 20024;
constexpr int SockErrPeeking = 20025;
constexpr int SockErrNoSocketClass = 20026;
// A system error without a classic counterpart is SockErrSystem plus its errno, so that a
// code kept and shown later still gives the system's text for that very error.
constexpr int SockErrSystem = 30000;
constexpr int SockErrSystemLast = SockErrSystem + 4095;

// The text of a code: empty for 0, "Unknown Error %d" for a code without a text.
std::string SockErrorText(int code);
// The message for error Error raised in context Context.
std::string SockErrorMessage(int error, int context);
[[noreturn]] void RaiseSockError(int error, int context);

// The classic code for an errno value (SockErrSystem + errno for one without a classic
// counterpart), and for a resolver (getaddrinfo) result.
int ErrnoToWsa(int err);
int ResolverToWsa(int gaiError);

} // namespace net
