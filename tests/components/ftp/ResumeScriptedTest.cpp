// Resumed transfers against the scripted server: REST, STOR or APPE and the bytes that go,
// and the cases where nothing may go at all, in both modes.
#include "tests/components/ftp/ScriptedTransferTest.h"
#include "tests/fixtures/TempDir.h"

#include <tuple>

namespace {

using Kinds = std::vector<TFtpCmdType>;
const std::string kRestFeatures = "211-Features:\r\n SIZE\r\n REST STREAM\r\n211 End";
const std::string kNoRestFeatures = "211-Features:\r\n SIZE\r\n211 End";

class Resume : public ScriptedModeTest {
protected:
    // The commands after the login without the data offer (PASV, PORT), which differs by mode.
    std::string CommandsAfterLogin()
    {
        std::string all = SentAfterLogin(), kept;
        for (std::size_t at = 0; at < all.size();) {
            const std::size_t end = all.find("\r\n", at);
            const std::string line = all.substr(at, end - at);
            if (line != "PASV" && line.rfind("PORT ", 0) != 0) kept += line + "\n";
            at = end == std::string::npos ? all.size() : end + 2;
        }
        return kept;
    }
};
INSTANTIATE_TEST_SUITE_P(Modes, Resume, testing::Values(true, false), ModeName);

TEST_P(Resume, DownloadAppendsFromTheLocalSizeAndCountsTheWholeFile)
{
    WriteFileBytes(local / "f", "hello ");
    server.Login("user", "pass", kRestFeatures).Expect("SIZE f").Reply("213 11");
    DataOffer().Expect("REST 6").Reply("350 Restarting at 6.").Expect("RETR f");
    DataOpen().Reply("150 Opening BINARY mode data connection for f (11 bytes).").SendData("world").CloseData();
    server.Reply("226 done");
    StartAndConnect();
    int64_t firstCount = -1;
    events.onPacketReceived = [&] {
        if (firstCount < 0) firstCount = ftp.ReceivedSize();
    };
    ftp.ResumeDownload("f", LocalFile("f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(CommandsAfterLogin(), "SIZE f\nREST 6\nRETR f\n");
    EXPECT_EQ(ReadFileBytes(local / "f"), "hello world");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(firstCount, 11);
    EXPECT_EQ(ftp.ReceivedSize(), 11);
    EXPECT_EQ(ftp.TransferSize(), 11);
}

TEST_P(Resume, DownloadWithoutALocalFileStartsAtZeroWithoutRest)
{
    server.Login("user", "pass", kNoRestFeatures).Expect("SIZE f").Reply("550 no SIZE here");
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 go (3 bytes)").SendData("abc").CloseData();
    server.Reply("226 done");
    StartAndConnect();
    ftp.ResumeDownload("f", LocalFile("f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(CommandsAfterLogin(), "SIZE f\nRETR f\n");
    EXPECT_EQ(ReadFileBytes(local / "f"), "abc");
    EXPECT_EQ(ftp.TransferSize(), 3);
}

// Where FEAT offers no SIZE the server decides: a whole file comes as no data and a positive reply.
TEST_P(Resume, DownloadOfAWholeFileWithoutSizeEndsWithNothingMoved)
{
    WriteFileBytes(local / "f", "hello");
    server.Login();
    DataOffer().Expect("REST 5").Reply("350 Restarting at 5.").Expect("RETR f");
    DataOpen().Reply("150 go").CloseData().Reply("226 done");
    StartAndConnect();
    ftp.ResumeDownload("f", LocalFile("f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(CommandsAfterLogin(), "REST 5\nRETR f\n");
    EXPECT_EQ(ReadFileBytes(local / "f"), "hello");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(ftp.ReceivedSize(), 5);
    EXPECT_EQ(ftp.TransferSize(), -1);
}

TEST_P(Resume, UploadSendsTheRestAfterRestAndStor)
{
    WriteFileBytes(local / "f", "hello world");
    server.Login("user", "pass", kRestFeatures).Expect("SIZE f").Reply("213 6");
    DataOffer().Expect("REST 6").Reply("350 Restarting at 6.").Expect("STOR f");
    DataOpen().Reply("150 Ok to send data.").ReceiveData().Reply("226 stored");
    StartAndConnect();
    ftp.ResumeUpload(LocalFile("f"), "f");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(CommandsAfterLogin(), "SIZE f\nREST 6\nSTOR f\n");
    EXPECT_EQ(server.DataReceived(), "world");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(ftp.SentSize(), 11);
    EXPECT_EQ(ftp.TransferSize(), 11);
}

TEST_P(Resume, UploadAppendsWhereTheServerOffersNoRestStream)
{
    WriteFileBytes(local / "f", "hello world");
    server.Login("user", "pass", kNoRestFeatures).Expect("SIZE f").Reply("213 6");
    DataOffer().Expect("APPE f");
    DataOpen().Reply("150 Ok to send data.").ReceiveData().Reply("226 appended");
    StartAndConnect();
    ftp.ResumeUpload(LocalFile("f"), "f");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(CommandsAfterLogin(), "SIZE f\nAPPE f\n");
    EXPECT_EQ(server.DataReceived(), "world");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
}

// A refused REST ends the operation before the transfer command: STOR without it would cut
// the remote file, RETR would send it from the start onto the end of the local one.
class RefusedRest : public ScriptedFtpTest, public testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(RefusedRest, FailsWithItsLineChangesNothingAndTheNextCommandWorks)
{
    const auto& [download, passive] = GetParam();
    ftp.SetEnablePASV(passive);
    TempDir local;
    WriteFileBytes(local / "f", "hello ");
    server.Login("user", "pass", kRestFeatures).Expect("SIZE f").Reply(download ? "213 11" : "213 3");
    server.OfferData(passive).Expect(download ? "REST 6" : "REST 3").Reply("502 REST not implemented.");
    server.Expect("CWD x").Reply("250 ok");
    StartAndConnect();
    const AnsiString file(local / "f");
    download ? ftp.ResumeDownload("f", file) : ftp.ResumeUpload(file, "f");
    EXPECT_EQ(ftp.LastReply(), AnsiString("502 REST not implemented."));
    ftp.ChangeDir("x");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
    EXPECT_EQ(ReadFileBytes(local / "f"), "hello ");
    EXPECT_EQ(server.DataReceived(), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedRest, testing::Combine(testing::Bool(), testing::Bool()), [](const auto& info) {
    return std::string(std::get<0>(info.param) ? "Download" : "Upload") + (std::get<1>(info.param) ? "Passive" : "Active");
});

struct StopCase {
    const char* name;
    bool download;
    const char* localBytes;
    const char* sizeReply;
    bool succeeds;
    const char* lastReplyStart;
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class ResumeStops : public ScriptedFtpTest, public testing::WithParamInterface<std::tuple<StopCase, bool>> {};

// Whole already, longer than the source, or no resume point: only SIZE goes, nothing changes,
// and an unhandled failure raises with its reason.
TEST_P(ResumeStops, OnlySizeGoesAndNothingChanges)
{
    const auto& [c, passive] = GetParam();
    ftp.SetEnablePASV(passive);
    TempDir local;
    WriteFileBytes(local / "f", c.localBytes);
    server.Login("user", "pass", kRestFeatures).Expect("SIZE f").Reply(c.sizeReply);
    server.Expect("CWD x").Reply("250 ok");
    StartAndConnect();
    events.handleFailure = false;
    AnsiString raised;
    try {
        c.download ? ftp.ResumeDownload("f", AnsiString(local / "f")) : ftp.ResumeUpload(AnsiString(local / "f"), "f");
    } catch (const Exception& e) {
        raised = e.Message();
    }
    ftp.ChangeDir("x");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(SentAfterLogin(), "SIZE f\r\nCWD x\r\n");
    EXPECT_EQ(ReadFileBytes(local / "f"), c.localBytes);
    EXPECT_EQ(events.successes, c.succeeds ? (Kinds{fcTransfer, fcChangeDir}) : (Kinds{fcChangeDir}));
    EXPECT_EQ(raised.IsEmpty(), c.succeeds);
    EXPECT_EQ(raised.str().rfind(c.lastReplyStart, 0), 0u) << raised.str();
    if (c.succeeds) {
        EXPECT_EQ(c.download ? ftp.ReceivedSize() : ftp.SentSize(), ftp.TransferSize());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResumeStops,
    testing::Combine(testing::Values(StopCase{"DownloadWhole", true, "hello", "213 5", true, ""},
                                     StopCase{"DownloadLocalLonger", true, "hello world", "213 5", false, "TVellFtp: "},
                                     StopCase{"UploadWhole", false, "hello", "213 5", true, ""},
                                     StopCase{"UploadRemoteLonger", false, "hello", "213 11", false, "TVellFtp: "},
                                     StopCase{"UploadSizeRefused", false, "hello", "550 Could not get file size.", false,
                                              "550 Could not get file size."}),
                     testing::Bool()),
    [](const auto& info) { return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "Passive" : "Active"); });

}  // namespace
