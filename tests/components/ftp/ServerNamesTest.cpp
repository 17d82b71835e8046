// FEAT at the login, names in the server's character set, and listings as entries, against
// scripted servers in both modes; and the keeping of server names CP932 cannot hold.
#include "tests/components/ftp/ScriptedTransferTest.h"

#include <string>
#include <vector>

namespace {

using Items = std::vector<std::string>;

const std::string kSnowman = "\xe2\x98\x83";                         // ☃: not in CP932
const std::string kNihongoUtf8 = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";  // 日本語
const std::string kNihongoSjis = "\x93\xfa\x96\x7b\x8c\xea";
const std::string kUtf8Features = "211-Features:\r\n utf8\r\n  MLST type*;size*;modify*;\r\n SIZE\r\n211 End";
const std::string kPlainFeatures = "211-Features:\r\n EPSV\r\n SIZE\r\n211 End";  // vsftpd: no UTF8

class ServerNames : public ScriptedModeTest {
protected:
    // A listing command answered with the data.
    void Listing(const std::string& command, const std::string& data)
    {
        DataOffer().Expect(command);
        DataOpen().Reply("150 listing");
        server.SendData(data).CloseData().Reply("226 done");
    }
    std::vector<TFtpEntry> entries;
    void RecordEntries()
    {
        ftp.SetOnListEntry(TFtpListEntryEvent([this](TFtpEntry e) { entries.push_back(e); }, nullptr, ""));
    }
};
INSTANTIATE_TEST_SUITE_P(Modes, ServerNames, testing::Values(true, false), ModeName);

TEST_P(ServerNames, RefusedFeatOffersNothingAndNamesGoAsTheyAre)
{
    server.Login();
    server.Expect("CWD " + kNihongoSjis).Reply("250 ok");
    StartAndConnect();
    EXPECT_EQ(ftp.ResultCode(), 230);  // the login's own reply, not FEAT's
    EXPECT_FALSE(ftp.Features().Answered);
    EXPECT_EQ(ftp.ServerCharset(), fcsCP932);
    ftp.ChangeDir("日本語"_ansi);
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcChangeDir}));
}

TEST_P(ServerNames, Utf8ServerGetsUtf8AndItsRepliesComeInAsCp932)
{
    server.Login("user", "pass", kUtf8Features).Expect("OPTS UTF8 ON").Reply("501 Invalid argument.");
    server.Expect("MKD " + kNihongoUtf8).Reply("257 \"/" + kNihongoUtf8 + "\" created.");
    Listing("NLST", kNihongoUtf8 + ".txt\r\n");
    StartAndConnect();
    EXPECT_EQ(ftp.LastReply().str(), "230 logged in");
    EXPECT_TRUE(ftp.Features().Utf8 && ftp.Features().Mlst && ftp.Features().Size && !ftp.Features().Epsv);
    EXPECT_EQ(ftp.ServerCharset(), fcsUTF8);  // a refused OPTS changes nothing
    ftp.MakeDirectory("日本語"_ansi);
    EXPECT_EQ(ftp.LastReply(), "257 \"/日本語\" created."_ansi);
    EXPECT_EQ(events.statuses.at(events.statuses.size() - 1), "257 \"/日本語\" created."_ansi.str());
    ftp.Nlist();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.items, (Items{"日本語.txt"_ansi.str()}));
}

TEST_P(ServerNames, ChosenCp932StaysWithTheBytesOnAUtf8Server)
{
    ftp.SetCharset(fcsCP932);
    server.Login("user", "pass", kUtf8Features).Expect("DELE " + kNihongoSjis).Reply("250 ok");
    StartAndConnect();
    EXPECT_EQ(ftp.ServerCharset(), fcsCP932);
    ftp.Delete("日本語"_ansi);
    EXPECT_TRUE(server.Finish()) << server.Errors();  // no OPTS UTF8 ON either
}

TEST_P(ServerNames, ChosenUtf8ConvertsWhereTheServerRefusesFeat)
{
    ftp.SetCharset(fcsUTF8);
    server.Login().Expect("RNFR " + kNihongoUtf8).Reply("350 ok").Expect("RNTO b").Reply("250 ok");
    StartAndConnect();
    ftp.Rename("日本語"_ansi, "b");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcRename}));
}

// vsftpd offers no UTF8: its names decide, UTF-8 until they do.
TEST_P(ServerNames, WithoutUtf8OfferedUtf8NamesMakeItUtf8)
{
    server.Login("user", "pass", kPlainFeatures);
    Listing("NLST", "plain\r\n" + kNihongoUtf8 + "\r\n");
    server.Expect("DELE " + kNihongoUtf8).Reply("250 ok");
    StartAndConnect();
    EXPECT_EQ(ftp.ServerCharset(), fcsUTF8);
    ftp.Nlist();
    EXPECT_EQ(ftp.ServerCharset(), fcsUTF8);
    EXPECT_EQ(events.items, (Items{"plain", "日本語"_ansi.str()}));
    ftp.Delete("日本語"_ansi);
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

TEST_P(ServerNames, WithoutUtf8OfferedShiftJisNamesMakeItCp932)
{
    server.Login("user", "pass", kPlainFeatures);
    Listing("NLST", kNihongoSjis + ".txt\r\n");
    server.Expect("DELE " + kNihongoSjis + ".txt").Reply("250 ok");
    server.Expect("CWD " + kNihongoSjis).Reply("250 ok");
    StartAndConnect();
    ftp.Nlist();
    EXPECT_EQ(ftp.ServerCharset(), fcsCP932);
    EXPECT_EQ(events.items, (Items{kNihongoSjis + ".txt"}));
    ftp.Delete(AnsiString(events.items.at(0)));
    ftp.ChangeDir("日本語"_ansi);
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

TEST_P(ServerNames, NameCp932CannotHoldGoesBackAsTheServersBytes)
{
    server.Login("user", "pass", kUtf8Features).Expect("OPTS UTF8 ON").Reply("200 ok");
    // A character outside CP932, and a Shift-JIS name on a UTF-8 server.
    Listing("NLST", "a" + kSnowman + ".txt\r\nsj" + kNihongoSjis + "\r\n");
    server.Expect("DELE a" + kSnowman + ".txt").Reply("250 ok");
    server.Expect("RNFR sj" + kNihongoSjis).Reply("350 ok").Expect("RNTO " + kNihongoUtf8).Reply("250 ok");
    StartAndConnect();
    ftp.Nlist();
    ASSERT_EQ(events.items, (Items{"a?.txt", "sj???{??"}));  // a bad byte becomes '?', 0x7b is '{'

    ftp.Delete(AnsiString(events.items[0]));
    ftp.Rename(AnsiString(events.items[1]), "日本語"_ansi);
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcRemove, fcRename}));
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

TEST_P(ServerNames, AmbiguousNameIsRefusedAndTheNextCommandGoesOn)
{
    server.Login("user", "pass", kUtf8Features).Expect("OPTS UTF8 ON").Reply("200 ok");
    // Three server names shown alike: two outside CP932 and one a real question mark.
    Listing("NLST", "c" + kSnowman + "\r\nc\xe2\x98\x82\r\nc?\r\n");
    Listing("NLST", "d" + kSnowman + "\r\n");
    server.Expect("DELE d" + kSnowman).Reply("250 ok");
    StartAndConnect();
    ftp.Nlist();
    ASSERT_EQ(events.items, (Items{"c?", "c?", "c?"}));
    ftp.Delete("c?");
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcRemove}));
    EXPECT_ANY_THROW(ftp.ListEntries("c?"));
    EXPECT_NE(ftp.LastReply().str().find("several server names"), std::string::npos) << ftp.LastReply().ToUtf8();
    // A name of a later listing still goes back right.
    events.items.clear();
    ftp.Nlist();
    ftp.Delete(AnsiString(events.items.at(0)));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcRemove}));
    EXPECT_EQ(server.Received().find("DELE c"), std::string::npos);
}

TEST_P(ServerNames, EntriesFromMlsdWhereMlstIsOffered)
{
    RecordEntries();
    server.Login("user", "pass", kUtf8Features).Expect("OPTS UTF8 ON").Reply("200 ok");
    Listing("MLSD", "type=cdir;modify=20260101000000; .\r\ntype=file;size=5368709120;modify=20261209140408; " + kNihongoUtf8 +
                        " x.txt\r\ntype=dir;sizd=4096;modify=20200304000000; sub\r\n");
    Listing("LIST", "-rw-r--r-- 1 a b 3 Jan  1  2024 " + kNihongoUtf8 + "\r\n");
    StartAndConnect();
    ftp.ListEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Name, "日本語 x.txt"_ansi);
    EXPECT_EQ(entries[0].Size, 5368709120LL);
    EXPECT_EQ(entries[0].Modified, (TFtpDateTime{2026, 12, 9, 14, 4, 8}));
    EXPECT_EQ(entries[0].RawLine, "type=file;size=5368709120;modify=20261209140408; 日本語 x.txt"_ansi);
    EXPECT_EQ(entries[1].Kind, fekDirectory);
    EXPECT_TRUE(events.items.empty());
    // The classic listing is as it was: lines through OnListItem, no entries.
    ftp.List();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.items, (Items{"-rw-r--r-- 1 a b 3 Jan  1  2024 日本語"_ansi.str()}));
    EXPECT_EQ(entries.size(), 2u);
}

TEST_P(ServerNames, EntriesFromDosListingWithoutMlst)
{
    RecordEntries();
    server.Login();
    Listing("LIST sub", "12-09-26  04:53PM       <DIR>          Program Files\r\n"
                        "01-02-03  12:05AM                 1234 report.doc\r\n"
                        "not a listing line\r\n");
    StartAndConnect();
    ftp.ListEntries("sub");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Name, AnsiString("Program Files"));
    EXPECT_EQ(entries[0].Kind, fekDirectory);
    EXPECT_EQ(entries[0].Modified, (TFtpDateTime{2026, 12, 9, 16, 53, 0}));
    EXPECT_EQ(entries[1].Size, 1234);
    EXPECT_EQ(entries[1].Kind, fekFile);
}

TEST_F(ScriptedFtpTest, FeatUnansweredDoesNotHoldTheLoginAndItsLateReplyIsStale)
{
    server.Login("user", "pass", "211-Features:").Pause(6000).Reply(" UTF8\r\n211 End");
    server.Expect("CWD d").Reply("250 ok");
    StartAndConnect();
    EXPECT_TRUE(ftp.Connected());
    EXPECT_EQ(ftp.ResultCode(), 230);
    EXPECT_FALSE(ftp.Features().Utf8);
    EXPECT_EQ(ftp.ServerCharset(), fcsCP932);
    ftp.ChangeDir("d");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcChangeDir}));
}

TEST_F(ScriptedFtpTest, ServerClosingAtFeatFailsTheConnect)
{
    server.Login("user", "pass", "421 going away").ExpectClosed();
    server.Start();
    EXPECT_ANY_THROW(ftp.Connect());
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(events.connectionFailures, 1);
}

// ---- Kept server names, without a server ----

TEST(ServerNameBytes, DeliveredAndPassedBack)
{
    TServerNames names;
    EXPECT_EQ(names.Deliver("plain.txt"), AnsiString("plain.txt"));
    EXPECT_EQ(names.Deliver(kNihongoUtf8), "日本語"_ansi);
    EXPECT_EQ(names.Deliver("x" + kSnowman), AnsiString("x?"));
    EXPECT_EQ(names.Deliver("dir" + kSnowman), AnsiString("dir?"));
    struct Case {
        AnsiString path;
        std::string bytes;  // empty: refused
    };
    for (const Case& c : {
             Case{"plain.txt", "plain.txt"},
             Case{"日本語"_ansi, kNihongoUtf8},
             Case{"x?", "x" + kSnowman},
             Case{"dir?/x?", "dir" + kSnowman + "/x" + kSnowman},
             Case{"/top/日本語/new"_ansi, "/top/" + kNihongoUtf8 + "/new"},
             Case{"never?", "never?"},                      // a question mark the application wrote
             Case{AnsiString("bad\x81"), ""},               // half a CP932 character
         }) {
        std::string bytes;
        const AnsiString why = names.ToServer(c.path, bytes);
        EXPECT_EQ(why.IsEmpty(), !c.bytes.empty()) << c.path.ToUtf8();
        if (why.IsEmpty()) {
            EXPECT_EQ(bytes, c.bytes) << c.path.ToUtf8();
        }
    }
    names.Deliver("x?");  // a real question mark now shows alike
    std::string bytes;
    EXPECT_FALSE(names.ToServer("x?", bytes).IsEmpty());
    EXPECT_FALSE(names.ToServer("dir?/x?", bytes).IsEmpty());
    names.Clear();
    EXPECT_TRUE(names.ToServer("x?", bytes).IsEmpty());
    EXPECT_EQ(bytes, "x?");
}

TEST(ServerNameBytes, Utf8Validity)
{
    for (const auto& [text, valid] : std::vector<std::pair<std::string, bool>>{
             {"", true}, {"abc", true}, {kNihongoUtf8, true}, {kSnowman, true}, {"\xf0\x9f\x98\x80", true},
             {kNihongoSjis, false}, {"\xe6\x97", false}, {"\xc0\x80", false}, {"\xed\xa0\x80", false}, {"\xf4\x90\x80\x80", false},
             {"\x80", false}}) {
        EXPECT_EQ(IsValidUtf8(text), valid) << AnsiString(text).ToUtf8();
    }
}

}  // namespace
