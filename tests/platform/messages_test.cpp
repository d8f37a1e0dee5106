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

TEST(Messages, PostedMessagesKeepTheirOrderAndASentOneIsAnsweredAtOnce) {
    Recorder r;
    for (unsigned m = WM_USER; m < WM_USER + 5; ++m) PostMessage(&r, m);
    EXPECT_EQ(SendMessage(&r, WM_USER + 400, 40, 2), 42);
    EXPECT_EQ(r.got, (std::vector<unsigned>{1424}));
    ProcessMessages();
    EXPECT_EQ(r.got, (std::vector<unsigned>{1424, 1024, 1025, 1026, 1027, 1028}));
}

TEST(Messages, AMessageToADestroyedTargetIsDropped) {
    Recorder keep;
    auto* gone = new Recorder;
    PostMessage(gone, 1);
    PostMessage(&keep, 2);
    delete gone;
    ProcessMessages();
    EXPECT_EQ(keep.got, (std::vector<unsigned>{2}));
}

TEST(Messages, NestedHandlingWorks) {
    Recorder r;
    r.onMessage = [&](unsigned m) {
        if (m == 1) {
            PostMessage(&r, 3);
            while (r.got.size() < 3) HandleMessage(); // the nested loop sees 2 and 3
        }
    };
    PostMessage(&r, 1);
    PostMessage(&r, 2);
    ProcessMessages();
    EXPECT_EQ(r.got, (std::vector<unsigned>{1, 2, 3}));
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
