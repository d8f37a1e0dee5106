// A search form filled in as a person does: typing into the field, clicking a radio
// button and the submit button; the request that reaches the server carries all of it.
#include "x_session.h"

#include <gtest/gtest.h>

using testsupport::waitUntil;

TEST(Forms, TypedFieldClickedRadioAndSubmitReachTheServer) {
    xtest::XServer x;
    ASSERT_TRUE(x.started()) << x.error();
    testsupport::TempDir site;
    site.write("form.html", "<title>Search</title><body bgcolor=white>\n"
                            "<form action=\"result.html\" method=get>\n"
                            "<input name=q size=20><br>\n"
                            "<input type=radio name=r value=a checked>A <input type=radio name=r value=b>B<br>\n"
                            "<input type=submit name=go value=Go>\n</form>\n");
    site.write("result.html", "<title>Result</title>found");
    testsupport::Peer server{"python3",
                             {testsupport::peerScript("http_server.py"),
                              QString::fromStdString(site.path()), "--log"}};
    ASSERT_TRUE(server.started()) << server.errorText();
    xtest::Browser b(x);
    b.start("http://127.0.0.1:" + std::to_string(server.port()) + "/form.html");
    ASSERT_TRUE(b.waitForWindow("Search")) << b.stderrText();

    // The page begins just below the tool bar: the field, then the radio buttons, then Go.
    const int top = b.toolBarY() + 15;
    b.click(100, top + 17);
    b.type("narrow gauge");
    b.click(48, top + 36);
    b.click(28, top + 59);
    EXPECT_TRUE(b.waitForCaption("Result")) << b.caption();
    std::string log;
    EXPECT_TRUE(waitUntil([&] {
        log += server.output();
        return log.find("GET /result.html?q=narrow+gauge&r=b&go=Go") != std::string::npos;
    })) << log;
}
