// A search form filled in as a person does: typing into the field, clicking a radio
// button and the submit button; the request that reaches the server carries all of it.
#include "x_session.h"

#include <gtest/gtest.h>

using Forms = xtest::XSessionTest;

TEST_F(Forms, TypedFieldClickedRadioAndSubmitReachTheServer) {
    site.write("form.html", "<title>Search</title><body bgcolor=white>\n"
                            "<form action=\"result.html\" method=get>\n"
                            "<input name=q size=20><br>\n"
                            "<input type=radio name=r value=a checked>A "
                            "<input type=radio name=r value=b>B<br>\n"
                            "<input type=submit name=go value=Go>\n</form>\n");
    site.write("result.html", "<title>Result</title>found");
    testsupport::Peer server = xtest::httpServer(site);
    ASSERT_TRUE(server.started()) << server.errorText();
    ASSERT_TRUE(b.open("http://" + xtest::loopback(server, "form.html"), "Search"));

    // The page begins just below the tool bar: the field, then the radio buttons, then Go.
    const int top = b.toolBarY() + 15;
    b.click(100, top + 17);
    b.type("narrow gauge");
    b.click(48, top + 36);
    b.click(28, top + 59);
    EXPECT_TRUE(b.waitForCaption("Result")) << b.caption();
    xtest::PeerLog log(server);
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return log.has("GET /result.html?q=narrow+gauge&r=b&go=Go");
    })) << log.text();
}
