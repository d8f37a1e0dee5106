#include "platform/exception.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <vector>

using namespace platform;

namespace {

class Recorder : public TMessageTarget {
public:
    std::vector<unsigned> got;
    std::function<void(unsigned)> onMessage;
    intptr_t handleMessage(unsigned msg, uintptr_t w, intptr_t l) override {
        got.push_back(msg);
        if (onMessage) onMessage(msg);
        return static_cast<intptr_t>(w) + l;
    }
};

} // namespace

// Handling inside a handler's own wait is shown by SocketComponents' nested look-ups.
TEST(Messages, PostedMessagesKeepTheirOrderAndASentOneIsAnsweredAtOnce) {
    Recorder r;
    auto* gone = new Recorder;
    for (unsigned m = WM_USER; m < WM_USER + 5; ++m) PostMessage(&r, m);
    PostMessage(gone, 1);
    delete gone; // what was posted to it is dropped (ASan catches a delivery)
    EXPECT_EQ(SendMessage(&r, WM_USER + 400, 40, 2), 42);
    EXPECT_EQ(r.got, (std::vector<unsigned>{1424}));
    ProcessMessages();
    EXPECT_EQ(r.got, (std::vector<unsigned>{1424, 1024, 1025, 1026, 1027, 1028}));
}

TEST(Messages, AnExceptionLeavingAHandlerIsReported) {
    std::vector<std::string> reports;
    SetErrorReporter([&](const std::string& t) { reports.push_back(t); });
    Recorder r;
    r.onMessage = [](unsigned) { throw Exception("Something broke"); };
    PostMessage(&r, 7);
    PostMessage(&r, 8);
    ProcessMessages();
    SetErrorReporter(nullptr);
    EXPECT_EQ(reports, (std::vector<std::string>{"Something broke", "Something broke"}));
    EXPECT_EQ(r.got.size(), 2u) << "the loop goes on after a failing handler";
}
