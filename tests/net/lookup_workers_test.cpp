#include "net/sock_error.h"
#include "net/socket_components.h"
#include "net_test_support.h"

#include <QCoreApplication>
#include <QProcess>
#include <chrono>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace net;
using nettest::HeldResolver;
using nettest::Later;
using nettest::waitFor;

namespace {

const char* const ChildVariable = "WEBLING_LOOKUP_EXIT_CHILD";

} // namespace

// Whatever ends a look-up's reason to exist while the name is still being resolved, the
// connect returns at once, nothing reaches what went away, and the worker is joined when
// the resolver returns.
TEST(LookUps, WhatEndsALookUpInProgressTakesEffectAtOnce) {
    nettest::Listener server;
    struct Case {
        const char* name;
        std::function<void(TBasicClientSocket*&)> during;
        bool raises;
    } cases[] = {
        {"the socket is closed", [](TBasicClientSocket*& c) { c->Close(); }, false},
        {"the socket object is replaced",
         [](TBasicClientSocket*& c) {
             c->SetSocketClass([](TSockCtrl* o) { return std::make_unique<TStreamSocket>(o); },
                               "Other");
         },
         false},
        {"the component is destroyed",
         [](TBasicClientSocket*& c) {
             delete c;
             c = nullptr;
         },
         true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        HeldResolver resolver;
        auto* c = new TBasicClientSocket;
        bool connected = false;
        c->OnConnect = [&](TSockCtrl*, TSocketBase*) { connected = true; };
        c->SetAddress("localhost");
        c->SetPort(std::to_string(server.port));
        Later action([&] {
            ASSERT_TRUE(resolver.entered());
            k.during(c);
        });
        bool raised = false;
        try {
            c->Connect();
        } catch (const ESockError&) {
            raised = true;
        }
        EXPECT_EQ(raised, k.raises);
        EXPECT_EQ(LookupThreads(), 1u) << "the resolver still holds the look-up";
        resolver.release();
        EXPECT_TRUE(waitFor([] { return LookupThreads() == 0; }));
        platform::ProcessMessages();
        EXPECT_FALSE(connected);
        if (c) {
            EXPECT_FALSE(c->Socket()->Connected());
        }
        delete c;
    }
}

TEST(LookUps, ALookUpInProgressWhenTheApplicationEndsIsJoinedWithoutACrash) {
    if (std::getenv(ChildVariable)) GTEST_SKIP() << "this is the child's own run";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(ChildVariable, "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=LookUpsChild.EndsWithALookUpInProgress"});
    ASSERT_TRUE(child.waitForStarted(10000));
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << out.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

// Run by the test above in a process of its own: it returns with a look-up held in the
// resolver and its requester gone, and the application ends around it.
TEST(LookUpsChild, EndsWithALookUpInProgress) {
    if (!std::getenv(ChildVariable)) GTEST_SKIP() << "runs only as the child of the test above";
    static std::promise<void> entered;
    // Stands for a slow name server: the application ends while this still runs.
    SetHostResolver([](const char* name, const addrinfo* hints, addrinfo** result) {
        entered.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return ::getaddrinfo(name, nullptr, hints, result);
    });
    std::vector<char> buf(1024);
    auto target = std::make_unique<platform::TMessageTarget>();
    ASSERT_NE(WinsockAPI().WSAAsyncGetHostByName(target.get(), CM_LOOKUPCOMPLETE, "localhost",
                                                 buf.data(), 1024),
              0);
    ASSERT_EQ(entered.get_future().wait_until(nettest::testDeadline()), std::future_status::ready);
    EXPECT_EQ(LookupThreads(), 1u);
}
