#include "ftp/ftp_listing.h"

#include <gtest/gtest.h>

using namespace ftp;
using Lines = std::vector<std::string>;

namespace {

struct Case {
    const char* name;
    int system;
    bool asHtml;
    std::string path;
    Lines in;
    Lines out;
};

const char* const Head = "<HTML><HEAD></HEAD><BODY>";
const char* const Tail = "</BODY></HTML>";

} // namespace

TEST(FtpListing, EverySystemTypeConverts) {
    const Case cases[] = {
        {"unix dir, file and link under a path without slash", fsUnix, true, "/pub",
         {"total 3",
          "drwxr-xr-x   2 ftp  ftp   512 Jan  1  2000 pub",
          "-rw-r--r--   1 ftp  ftp  1024 Jan  1  2000 readme.txt",
          "lrwxrwxrwx   1 ftp  ftp     3 Jan  1  2000 up -> ..",
          "x"},
         {Head,
          "<B>DIR:</B>  <A HREF=ftp://10.0.0.1:21/pub/pub>pub</A><BR>",
          "<B>FILE:</B> <A HREF=ftp://10.0.0.1:21/pub/readme.txt>readme.txt</A><BR>",
          "<B>DIR:</B>  <A HREF=ftp://10.0.0.1:21/pub/up>up</A><BR>",
          Tail}},
        {"unix without a total line keeps its first entry", fsUnix, false, "/",
         {"-rw-r--r--   1 ftp  ftp  5 Jan  1  2000 a.txt",
          "drwxr-xr-x   2 ftp  ftp  0 Jan  1  2000 my dir"},
         {"f a.txt", "d my"}},
        {"unix markup in names stays text, under an empty path", fsUnix, true, "",
         {"-rw-r--r--   1 ftp  ftp  5 Jan  1  2000 x><B>bold"},
         {Head,
          "<B>FILE:</B> <A HREF=ftp://10.0.0.1:21/x&gt;&lt;B&gt;bold>x&gt;&lt;B&gt;bold</A><BR>",
          Tail}},
        {"windows nt", fsWindowsNT, true, "/",
         // Names begin at the 39th character, the kind at the 26th.
         {"01-01-20  12:00AM       <DIR>         aspnet client",
          "01-01-20  12:00AM                1234 default.htm"},
         {Head, "d aspnet client<BR>", "f default.htm<BR>", Tail}},
        {"vms drops three header and two trailer lines", fsVMS, false, "/",
         {"", "Directory DISK$USER:[FTP]", "", "PUB.DIR;1\t1/3  1-JAN-2000",
          "README.TXT;2\t5/6  1-JAN-2000",
          "", "Total of 2 files."},
         {"d PUB.DIR;1", "f README.TXT;2"}},
        {"mvs", fsMVS, false, "/",
         {"Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname",
          // The organisation is at the 51st and 52nd characters.
          "WRK001 3390   2000/01/01  1   15  FB      80  6160PO  SOURCE.LIB",
          "WRK001 3390   2000/01/01  1   15  FB      80  6160PS  DATA.SEQ"},
         {"d SOURCE.LIB", "f DATA.SEQ"}},
        {"ncsa", fsNCSA, true, "/",
         {"PUB                 DIR  01-01-00", "README.TXT          1234 01-01-00"},
         {Head, "d PUB<BR>", "f README.TXT<BR>", Tail}},
        {"vm gives no entries", fsVM, true, "/", {"PROFILE EXEC A1 V 80 1 1"}, {Head, Tail}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = c.path;
        EXPECT_EQ(ConvertListing(c.in, c.system, "10.0.0.1", 21, path, c.asHtml), c.out);
        EXPECT_TRUE(path.ends_with('/')) << path;
    }
}

TEST(FtpListing, ShortAndDamagedLinesNeverCrash) {
    for (int system = fsUnix; system <= fsVM; ++system) {
        SCOPED_TRACE(system);
        std::string path = "/";
        const Lines in = {"", "a", "ab", std::string(3, '\t'), "x.;", ";.DIR"};
        EXPECT_LE(ConvertListing(in, system, "h", 1, path, false).size(), in.size());
    }
}
