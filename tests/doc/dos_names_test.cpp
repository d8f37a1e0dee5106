#include "doc/dos_names.h"

#include <gtest/gtest.h>

using namespace doc;

TEST(DosNames, UrlToDosName) {
    struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"x%41", "xA"},
        {"%41x", "%41x"},
        {"a%20b%20c", "a b c"},
        {"a%2541", "aA"}, // the decoded '%' is decoded again
        {"a%zz%41", "a%zz%41"},
        {"a%4", "a%4"},
        {"My%20Page.HTM", "My Page.HTM"},
        {"file:///home/ann/My%20Page.htm", "/home/ann/My Page.htm"},
        {"FILE:///home/Ann/A.HTM", "/home/Ann/A.HTM"},
        {"file://localhost/x", "localhost/x"},
        {"docs/a|b.htm", "docs/a:b.htm"},
        {"/images/Logo.GIF", "/images/Logo.GIF"},
        {"FILE:///C|/Dir/Page.HTM", "c:\\dir\\page.htm"},
        {"file://C|/Dir/A.htm", "c:\\dir\\a.htm"},
        {"C:/Dir/A.htm", "c:\\dir\\a.htm"},
        {"NoSlash|Name", "NoSlash|Name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(UrlToDosName(c.input), c.expected);
    }
}
