// Listing lines into entries: lines captured from pyftpdlib, vsftpd, proftpd and pure-ftpd,
// DOS/IIS lines in that server's documented format, and MLSD fact lines.
#include "components/ftp/vellftp_entries.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const TFtpDateTime kToday{2026, 12, 9, 14, 0, 0};
const std::string kNihongo = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt";  // 日本語.txt in UTF-8

struct EntryCase {
    std::string line;
    bool parsed;
    std::string name;
    TFtpEntryKind kind;
    int64_t size;
    TFtpDateTime modified;
    std::string target;
};

void ExpectEntry(const std::optional<TFtpEntry>& got, const EntryCase& c)
{
    SCOPED_TRACE(c.line);
    ASSERT_EQ(got.has_value(), c.parsed);
    if (!got) return;
    EXPECT_EQ(got->Name.str(), c.name);
    EXPECT_EQ(got->Kind, c.kind);
    EXPECT_EQ(got->Size, c.size);
    EXPECT_EQ(got->Modified, c.modified);
    EXPECT_EQ(got->LinkTarget.str(), c.target);
    std::string raw = c.line;
    while (!raw.empty() && (raw.back() == '\r' || raw.back() == '\n')) raw.pop_back();
    EXPECT_EQ(got->RawLine.str(), raw);
}

TEST(ListingEntries, UnixShapes)
{
    const TFtpDateTime recent{2026, 12, 9, 14, 4, 0};
    const TFtpDateTime old{2020, 3, 4, 0, 0, 0};
    for (const EntryCase& c : {
             // pyftpdlib
             EntryCase{"-rw-rw-rw-   1 root     root            2 Dec 09 14:04 a b.txt", true, "a b.txt", fekFile, 2, recent, ""},
             EntryCase{"-rw-rw-rw-   1 root     root         5000 Mar 04  2020 big", true, "big", fekFile, 5000, old, ""},
             EntryCase{"lrwxrwxrwx   1 root     root            7 Dec 09 14:04 link -> a b.txt", true, "link", fekLink, 7, recent,
                       "a b.txt"},
             EntryCase{"drwxrwxrwx   2 root     root         4096 Dec 09 14:04 sub dir", true, "sub dir", fekDirectory, -1, recent,
                       ""},
             // vsftpd: numeric owner and group, and a UTF-8 name
             EntryCase{"-rw-rw-rw-    1 0        0               3 Dec 09 14:04 " + kNihongo, true, kNihongo, fekFile, 3, recent, ""},
             // proftpd and pure-ftpd: a day without its leading zero
             EntryCase{"-rw-rw-rw-   1 0        0               2 Dec  9 14:04 a b.txt\r\n", true, "a b.txt", fekFile, 2, recent, ""},
             EntryCase{"-rw-rw-rw-    1 0          root             5000 Mar  4  2020 big", true, "big", fekFile, 5000, old, ""},
             // without a group
             EntryCase{"-rw-r--r-- 1 owner 1234 Jan 15 2019 nogroup.txt", true, "nogroup.txt", fekFile, 1234, {2019, 1, 15}, ""},
             EntryCase{"drwxr-xr-x 3 owner 512 Nov 30 08:15 dir", true, "dir", fekDirectory, -1, {2026, 11, 30, 8, 15}, ""},
             // a recent date later in the year than today is last year's
             EntryCase{"-rw-r--r-- 1 a b 10 Dec 31 23:59 late", true, "late", fekFile, 10, {2025, 12, 31, 23, 59}, ""},
             EntryCase{"-rw-r--r-- 1 a b 10 Dec 10 01:00 tomorrow", true, "tomorrow", fekFile, 10, {2026, 12, 10, 1, 0}, ""},
             // devices: "major, minor" where the size stands
             EntryCase{"crw-rw-rw-   1 root     root       1,   3 Dec  9 14:04 null", true, "null", fekOther, -1, recent, ""},
             EntryCase{"brw-rw----   1 root     disk       8,   0 Mar  4  2020 sda", true, "sda", fekOther, -1, old, ""},
             EntryCase{"prw-r--r--   1 root     root            0 Mar  4  2020 fifo", true, "fifo", fekOther, -1, old, ""},
             // an ACL mark after the mode; a size past 4 GiB; blanks inside and after a name
             EntryCase{"-rw-r--r--+  1 a b 5368709120 Jan  1  2024 huge file  .iso", true, "huge file  .iso", fekFile, 5368709120LL,
                       {2024, 1, 1}, ""},
             // a name that looks like a date
             EntryCase{"-rw-r--r-- 1 a b 1 Jan  1  2024 Feb 2 2020", true, "Feb 2 2020", fekFile, 1, {2024, 1, 1}, ""},
             EntryCase{"total 24", false, "", fekFile, 0, {}, ""},
             EntryCase{"drwxr-xr-x   2 a b 4096 Dec  9 14:04 .", false, "", fekFile, 0, {}, ""},
             EntryCase{"drwxr-xr-x   2 a b 4096 Dec  9 14:04 ..", false, "", fekFile, 0, {}, ""},
             EntryCase{"-rw-r--r-- 1 a b 10 Dec 10", false, "", fekFile, 0, {}, ""},
             EntryCase{"-rw-r--r-- 1 a b 10 Foo 10 12:00 x", false, "", fekFile, 0, {}, ""},
             EntryCase{"-rw-r--r-- 1 a b 10 Feb 40 12:00 x", false, "", fekFile, 0, {}, ""},
             EntryCase{"-rw-r--r-- 1 a b 10 Feb 4 25:00 x", false, "", fekFile, 0, {}, ""},
             EntryCase{"just a name.txt", false, "", fekFile, 0, {}, ""},
             EntryCase{"", false, "", fekFile, 0, {}, ""},
         })
        ExpectEntry(ParseListLine(c.line, kToday), c);
}

TEST(ListingEntries, DosShape)
{
    for (const EntryCase& c : {
             EntryCase{"12-09-26  04:53PM       <DIR>          Program Files", true, "Program Files", fekDirectory, -1,
                       {2026, 12, 9, 16, 53}, ""},
             EntryCase{"01-02-03  12:05AM                 1234 report.doc", true, "report.doc", fekFile, 1234, {2003, 1, 2, 0, 5}, ""},
             EntryCase{"07-04-98  12:30PM             99999999999 big.bin", true, "big.bin", fekFile, 99999999999LL,
                       {1998, 7, 4, 12, 30}, ""},
             EntryCase{"03-15-2024  09:00am  <dir>  " + kNihongo, true, kNihongo, fekDirectory, -1, {2024, 3, 15, 9, 0}, ""},
             EntryCase{"12-09-26  04:53PM       <DIR>          .", false, "", fekFile, 0, {}, ""},
             EntryCase{"13-09-26  04:53PM  1 bad month", false, "", fekFile, 0, {}, ""},
             EntryCase{"12-09-26  13:53PM  1 bad hour", false, "", fekFile, 0, {}, ""},
             EntryCase{"12-09-26  04:53  1 no half of day", false, "", fekFile, 0, {}, ""},
             EntryCase{"12-09-26  04:53PM  12k not a size", false, "", fekFile, 0, {}, ""},
             EntryCase{"12-09-26  04:53PM  <DIR>", false, "", fekFile, 0, {}, ""},
         })
        ExpectEntry(ParseListLine(c.line, kToday), c);
}

TEST(ListingEntries, MlsdFacts)
{
    const TFtpDateTime t{2026, 12, 9, 14, 4, 8};
    for (const EntryCase& c : {
             // pyftpdlib
             EntryCase{"modify=20261209140408;perm=eldfmMTcp;size=4096;type=dir;unique=fe00ga72130; sub dir", true, "sub dir",
                       fekDirectory, -1, t, ""},
             EntryCase{"modify=20261209140408;perm=radfwMT;size=3;type=file;unique=fe00ga72142; " + kNihongo, true, kNihongo, fekFile,
                       3, t, ""},
             // proftpd: a link, the directory itself, its parent
             EntryCase{"modify=20261209140408;perm=adfrw;size=7;type=OS.unix=symlink;UNIX.mode=0777; link", true, "link", fekLink, 7,
                       t, ""},
             EntryCase{"modify=20261209140408;perm=flcdmpe;type=cdir;unique=FE00UA7200F; .", false, "", fekFile, 0, {}, ""},
             EntryCase{"modify=20261209140408;perm=fle;type=pdir;unique=FE00UA7213E; ..", false, "", fekFile, 0, {}, ""},
             // pure-ftpd: the fact order its own, sizd for directories, a link's target
             EntryCase{"type=dir;sizd=4096;modify=20261209140408;UNIX.mode=0777; sub dir", true, "sub dir", fekDirectory, -1, t, ""},
             EntryCase{"type=OS.unix=slink:a.txt;size=7;modify=20261209140408; link", true, "link", fekLink, 7, t, "a.txt"},
             // upper-case facts, fractions of a second, a name with "; " and a leading blank
             EntryCase{"Type=File;Size=5368709120;Modify=20240101000000.123; ; odd; name", true, "; odd; name", fekFile,
                       5368709120LL, {2024, 1, 1}, ""},
             EntryCase{"type=file;size=1;  lead", true, " lead", fekFile, 1, {}, ""},
             EntryCase{"type=OS.unix=chr-1/3;size=0; null", true, "null", fekOther, 0, {}, ""},
             // a bad time is no time; a bad size no size
             EntryCase{"type=file;size=x;modify=2024; f", true, "f", fekFile, -1, {}, ""},
             EntryCase{"type=file;modify=20241301000000; f", true, "f", fekFile, -1, {}, ""},
             EntryCase{"type=file;size=1;", false, "", fekFile, 0, {}, ""},
             EntryCase{"nofacts name", false, "", fekFile, 0, {}, ""},
             EntryCase{"", false, "", fekFile, 0, {}, ""},
         })
        ExpectEntry(ParseMlsdLine(c.line), c);
}

}  // namespace
