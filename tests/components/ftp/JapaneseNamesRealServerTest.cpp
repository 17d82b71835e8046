// Japanese names on the four real servers, plain and over TLS, in both modes, with the
// character set chosen automatically: a file up under its own name (UTF-8 on the server's
// disk), listed as entries and names, down byte-exact, renamed to a name with blanks, deleted;
// and a name made on the disk that CP932 cannot hold, which still reaches that file.
#include "tests/components/ftp/RealServerClient.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

namespace {

using Scenario = std::tuple<FtpServerKind, bool, bool, bool>;  // server, TLS, passive, vsftpd's utf8_filesystem

class JapaneseNames : public ::testing::TestWithParam<Scenario>, protected RealServerClient {
protected:
    void SetUp() override
    {
        if (!Aim(server, "localhost", std::get<2>(GetParam()))) GTEST_SKIP() << ServerMissingText(server);
        ASSERT_GT(server.Port(), 0) << server.Error();
        if (std::get<1>(GetParam())) {
            ftp.SetEnableTLS(true);
            ftp.SetOnCertificateError(TFtpHandledEvent([](bool& handled) { handled = true; }, nullptr, ""));
        }
        ftp.SetOnListEntry(TFtpListEntryEvent([this](TFtpEntry e) { entries.push_back(e); }, nullptr, ""));
    }
    const TFtpEntry* Entry(const AnsiString& name) const
    {
        const auto it = std::find_if(entries.begin(), entries.end(), [&](const TFtpEntry& e) { return e.Name == name; });
        return it == entries.end() ? nullptr : &*it;
    }
    bool OnDisk(const std::string& utf8Name) const { return fs::exists(server / utf8Name); }

    RealFtpServer server{std::get<0>(GetParam()), std::get<1>(GetParam()) ? FtpServerVariant::Tls : FtpServerVariant::Plain, 0,
                         std::get<3>(GetParam())};
    std::vector<TFtpEntry> entries;
};

std::string ScenarioName(const testing::TestParamInfo<Scenario>& info)
{
    std::string name = FtpServerName(std::get<0>(info.param));
    name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
    return name + (std::get<3>(info.param) ? "Utf8" : "") + (std::get<1>(info.param) ? "_Tls" : "_Plain") +
           (std::get<2>(info.param) ? "_Passive" : "_Active");
}

INSTANTIATE_TEST_SUITE_P(Servers, JapaneseNames,
                         testing::Combine(testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::Vsftpd, FtpServerKind::Proftpd,
                                                          FtpServerKind::PureFtpd),
                                          testing::Bool(), testing::Bool(), testing::Values(false)),
                         ScenarioName);
INSTANTIATE_TEST_SUITE_P(Utf8Filesystem, JapaneseNames,
                         testing::Combine(testing::Values(FtpServerKind::Vsftpd), testing::Bool(), testing::Bool(), testing::Values(true)),
                         ScenarioName);

TEST_P(JapaneseNames, TravelUnderTheirOwnNames)
{
    const bool vsftpd = std::get<0>(GetParam()) == FtpServerKind::Vsftpd;
    const bool offersUtf8 = !vsftpd || std::get<3>(GetParam());
    ftp.Connect();
    ASSERT_TRUE(ftp.Connected()) << ftp.LastReply().ToUtf8();
    // vsftpd as installed offers neither UTF8 nor MLST (with utf8_filesystem it offers UTF8);
    // its names are UTF-8 all the same.
    EXPECT_EQ(ftp.Features().Utf8, offersUtf8);
    EXPECT_EQ(ftp.Features().Mlst, !vsftpd);
    EXPECT_TRUE(ftp.Features().Size);
    EXPECT_EQ(ftp.ServerCharset(), fcsUTF8);
    ftp.DoCommand("TYPE I");

    const std::string utf8 = "日本語のファイル.txt";
    const AnsiString name = AnsiString::FromUtf8(utf8);
    const std::string bytes = Pattern(70001, 24);
    WriteFileBytes(local / "up.bin", bytes);
    ftp.Upload(Local("up.bin"), name);
    EXPECT_TRUE(OnDisk(utf8));
    EXPECT_TRUE(ReadFileBytes(server / utf8) == bytes);
    // Made on the server's disk: a character CP932 has no place for, and blanks.
    const std::string snowUtf8 = "雪☃ と 空白.txt";
    const std::string snowBytes = Pattern(1234, 25);
    WriteFileBytes(server / snowUtf8, snowBytes);
    const AnsiString snow = AnsiString::FromUtf8(snowUtf8);
    ASSERT_EQ(snow.ToUtf8(), "雪? と 空白.txt");

    ftp.ListEntries();
    ASSERT_NE(Entry(name), nullptr) << testing::PrintToString(events.statuses);
    EXPECT_EQ(Entry(name)->Size, 70001);
    EXPECT_EQ(Entry(name)->Kind, fekFile);
    EXPECT_FALSE(Entry(name)->Modified.IsEmpty());
    EXPECT_NE(Entry(name)->RawLine.str().find(name.str()), std::string::npos);
    ASSERT_NE(Entry(snow), nullptr);
    EXPECT_EQ(Entry(snow)->Size, 1234);
    ftp.Nlist();
    EXPECT_EQ(Names(), (std::vector<std::string>{snow.str(), name.str()}));

    ftp.Download(name, Local("down.bin"));
    EXPECT_TRUE(ReadFileBytes(local / "down.bin") == bytes);
    ftp.Download(snow, Local("snow.bin"));
    EXPECT_TRUE(ReadFileBytes(local / "snow.bin") == snowBytes);

    const std::string renamedUtf8 = "名前 を 変えた.txt";
    ftp.Rename(name, AnsiString::FromUtf8(renamedUtf8));
    EXPECT_FALSE(OnDisk(utf8));
    EXPECT_TRUE(OnDisk(renamedUtf8));
    ftp.Delete(AnsiString::FromUtf8(renamedUtf8));
    ftp.Delete(snow);
    EXPECT_FALSE(OnDisk(renamedUtf8));
    EXPECT_FALSE(OnDisk(snowUtf8));

    // A Japanese directory, and the path of the 257 reply in CP932.
    ftp.MakeDirectory("フォルダ"_ansi);
    EXPECT_TRUE(fs::is_directory(server / "フォルダ"));
    ftp.ChangeDir("フォルダ"_ansi);
    ftp.DoCommand("PWD");
    EXPECT_NE(ftp.LastReply().str().find("/フォルダ\""_ansi.str()), std::string::npos) << ftp.LastReply().ToUtf8();
    EXPECT_TRUE(events.failures.empty()) << ftp.LastReply().ToUtf8();
    ftp.Disconnect();
}

// pyftpdlib speaking Shift-JIS on the wire and offering no UTF8: its names decide for CP932,
// or the application chooses it; the bytes on the disk are UTF-8 all the same.
class ShiftJisServer : public ::testing::TestWithParam<bool>, protected RealServerClient {
protected:
    void SetUp() override
    {
        if (!server.Port()) GTEST_SKIP() << server.Error();
        AimAtLocalServer(ftp, events, server.Port(), PyFtpServer::User, PyFtpServer::Password);
        ftp.SetEnablePASV(GetParam());
    }
    void RoundTripOf(const std::string& utf8)
    {
        SCOPED_TRACE(utf8);
        const AnsiString name = AnsiString::FromUtf8(utf8);
        const std::string bytes = Pattern(3000, 26);
        WriteFileBytes(local / "up.bin", bytes);
        ftp.Upload(Local("up.bin"), name);
        EXPECT_TRUE(ReadFileBytes(server / utf8) == bytes);
        events.items.clear();
        ftp.Nlist();
        EXPECT_NE(std::find(events.items.begin(), events.items.end(), name.str()), events.items.end());
        ftp.Download(name, Local("down.bin"));
        EXPECT_TRUE(ReadFileBytes(local / "down.bin") == bytes);
        ftp.Delete(name);
        EXPECT_FALSE(fs::exists(server / utf8));
        EXPECT_TRUE(events.failures.empty()) << ftp.LastReply().ToUtf8();
    }

    PyFtpServer server{"cp932"};
};
INSTANTIATE_TEST_SUITE_P(Modes, ShiftJisServer, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Passive" : "Active"; });

TEST_P(ShiftJisServer, ItsNamesMakeItCp932)
{
    WriteFileBytes(server / "既存.txt", "x");
    ftp.Connect();
    EXPECT_TRUE(ftp.Features().Answered);
    EXPECT_FALSE(ftp.Features().Utf8);
    ftp.Nlist();
    EXPECT_EQ(ftp.ServerCharset(), fcsCP932);
    EXPECT_EQ(events.items, (std::vector<std::string>{"既存.txt"_ansi.str()}));
    ftp.DoCommand("TYPE I");
    RoundTripOf("日本語のファイル.txt");
}

TEST_P(ShiftJisServer, ChosenCp932FromTheStart)
{
    ftp.SetCharset(fcsCP932);
    ftp.Connect();
    EXPECT_EQ(ftp.ServerCharset(), fcsCP932);
    ftp.DoCommand("TYPE I");
    RoundTripOf("日本語 の ファイル.txt");
}

}  // namespace
