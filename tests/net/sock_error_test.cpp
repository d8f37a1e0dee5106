#include "net/sock_error.h"
#include "net/winsock_api.h"
#include "net_test_support.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using namespace net;

TEST(SockErrorMessage, ContextAndErrorCodes) {
    struct {
        int error, context;
        const char* message;
    } cases[] = {
        {10061, 20008, "Error 10061 (Connection refused) connecting"},
        {12345, 0, "Unknown Error 12345"},
        {0, 20018, "Socket not open"},
        {10093, 0, "Successful WSASTARTUP not yet performed"},
        {11001, 20001, "Error 11001 (Host not found) finding address for host"},
        {10054, 20014, "Error 10054 (Connection reset by peer) recieving"},
        {0, 0, ""},
        {10060, 99999, "Unknown Error 99999"}, // an unknown context is a text without place-holders
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(SockErrorMessage(c.error, c.context), c.message);
    }
    try {
        RaiseSockError(10061, 20008);
        ADD_FAILURE() << "nothing raised";
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "Error 10061 (Connection refused) connecting");
        EXPECT_EQ(e.Code, 10061);
    }
}

TEST(SockErrorMessage, ErrnoMapsToClassicCodesOrKeepsTheSystemsText) {
    for (auto [err, code] : {std::pair{EWOULDBLOCK, 10035}, {EINPROGRESS, 10036},
                             {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {ECONNRESET, 10054},
                             {ENOTCONN, 10057}, {EADDRINUSE, 10048}, {ENETUNREACH, 10051},
                             {EHOSTUNREACH, 10065}, {ETOOMANYREFS, 10059}, {EDQUOT, 10069}}) {
        SCOPED_TRACE(err);
        EXPECT_EQ(ErrnoToWsa(err), code);
    }
    // A system error without a classic code keeps the system's text: 10000 + errno would
    // have made these "Connection refused" and "Connection reset by peer", and the reset
    // would have started the disconnect path.
    // Each code keeps its own error's text, whatever came after it.
    const int first = ErrnoToWsa(ENODATA);
    for (int err : {ENODATA, EXFULL, ENOSPC}) {
        SCOPED_TRACE(err);
        const int code = ErrnoToWsa(err);
        EXPECT_EQ(code, SockErrSystem + err);
        EXPECT_EQ(SockErrorText(code), std::strerror(err));
        EXPECT_EQ(SockErrorMessage(code, SockErrConnecting), "Error " + std::to_string(code) +
                                                                 " (" + std::strerror(err) +
                                                                 ") connecting");
    }
    EXPECT_EQ(SockErrorText(first), std::strerror(ENODATA));
}

TEST(WinsockBinding, LibraryNameLazyBindingAndStartUp) {
    tWinsockAPISV api;
    api.SetLibraryName("wsock32");
    EXPECT_EQ(api.LibraryName(), "wsock32.DLL");
    api.SetLibraryName("WSOCK32.DLL"); // the same name in other case changes nothing
    EXPECT_EQ(api.LibraryName(), "wsock32.DLL");
    EXPECT_FALSE(api.Loaded());
    EXPECT_EQ(api.BoundFunctions(), 0);
    api.htons(80);
    EXPECT_TRUE(api.Loaded());
    EXPECT_EQ(api.BoundFunctions(), 1);
    api.htons(81);
    EXPECT_EQ(api.BoundFunctions(), 1) << "a second call binds nothing again";
    EXPECT_EQ(nettest::raised([&] { api.SetLibraryName("wsock32.dll"); }),
              "Winsock DLL Already Loaded, Cannot change name");

    EXPECT_EQ(api.LocalHostName(), "") << "not started";
    TWSAData d;
    EXPECT_EQ(api.WSAStartup(257, d), 0);
    EXPECT_TRUE(api.Started());
    EXPECT_FALSE(api.LocalHostName().empty());
    EXPECT_FALSE(tWinsockAPISV::IsNumber("")) << "an empty port is no number";
    EXPECT_EQ(api.WSACleanup(), 0);
    EXPECT_FALSE(api.Started());
}
