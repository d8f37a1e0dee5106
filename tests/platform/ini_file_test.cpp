#include "platform/ini_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

using platform::TIniFile;

TEST(IniFile, ValueRules) {
    testsupport::TempDir t;
    std::string longValue(1100, 'x');
    TIniFile ini(t.write("w.ini", "; a comment\r\n[Main]\r\nhex=0x1E\r\nHEX2=0X1f\r\ndollar=$10\r\n"
                                  "bad=abc\r\nneg=-4\r\ntwo=2\r\nyes=yes\r\ntrue=true\r\nzero=0\r\n"
                                  "text = some text \r\nlong=" + longValue +
                                      "\r\nbig=99999999999\r\ndup=first\r\ndup=second\r\n"
                                      "[main]\r\nlater=hidden\r\n"));
    EXPECT_EQ(ini.ReadInteger("main", "hex", 10), 30);
    EXPECT_EQ(ini.ReadInteger("MAIN", "hex2", 10), 31);
    EXPECT_EQ(ini.ReadInteger("main", "dollar", 10), 16);
    EXPECT_EQ(ini.ReadInteger("main", "bad", 10), 10);
    EXPECT_EQ(ini.ReadInteger("main", "neg", 10), -4);
    EXPECT_EQ(ini.ReadInteger("main", "big", 10), 10);
    EXPECT_TRUE(ini.ReadBool("main", "two", false));
    EXPECT_FALSE(ini.ReadBool("main", "yes", false));
    EXPECT_TRUE(ini.ReadBool("main", "true", true)) << "a text gives the default";
    EXPECT_FALSE(ini.ReadBool("main", "zero", true));
    EXPECT_EQ(ini.ReadString("main", "text", ""), "some text");
    EXPECT_EQ(ini.ReadString("main", "long", "").size(), 1023u);
    EXPECT_EQ(ini.ReadString("main", "dup", ""), "first");
    EXPECT_EQ(ini.ReadString("main", "later", "def"), "def") << "only the first section counts";
    // A missing section or key gives the default, as a missing file does (WindowSetUp).
    EXPECT_EQ(ini.ReadInteger("other", "hex", 7), 7);
    EXPECT_EQ(ini.ReadInteger("main", "nokey", 7), 7);
}
