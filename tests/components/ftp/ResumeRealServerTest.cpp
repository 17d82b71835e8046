// Resumed transfers against the four real servers, both modes, plain and over TLS: a 256 MiB
// download and upload cancelled at a third and carried on to the same bytes, then carried on
// again when already whole, and refused when the target is longer than its source; the
// connection serves the next command after each.
#include "tests/components/ftp/BigFiles.h"
#include "tests/components/ftp/RealServerClient.h"

#include <filesystem>
#include <tuple>

namespace {

namespace fs = std::filesystem;

constexpr int64_t kSize = (int64_t(256) << 20) + 517;  // not a whole number of blocks
constexpr int64_t kThird = kSize / 3;

// What a counter showed on the way: where it started, whether it ever went back.
struct CounterWatch {
    int64_t first = -1;
    int64_t last = -1;
    bool wentBack = false;
    void See(int64_t value)
    {
        if (first < 0) first = value;
        if (value < last) wentBack = true;
        last = value;
    }
};

class ResumeRealServer : public ::testing::TestWithParam<TlsScenario>, protected RealServerClient {
protected:
    void SetUp() override
    {
        const auto& [kind, passive, tls] = GetParam();
        if (!Aim(server, tls ? "localhost" : "127.0.0.1", passive)) GTEST_SKIP() << ServerMissingText(server);
        ASSERT_GT(server.Port(), 0) << server.Error();
        if (tls) UseTls();
        ConnectBinary();
    }

    // The connection is in step for what follows a cancel, a refusal or a success.
    void ExpectNextCommandServed()
    {
        ftp.DoCommand("NOOP");
        EXPECT_EQ(ftp.ResultCode(), 200) << ftp.LastReply().str();
    }

    RealFtpServer server{std::get<0>(GetParam()), std::get<2>(GetParam()) ? FtpServerVariant::Tls : FtpServerVariant::Plain};
};

INSTANTIATE_TEST_SUITE_P(Servers, ResumeRealServer,
                         testing::Combine(testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::Vsftpd, FtpServerKind::Proftpd,
                                                          FtpServerKind::PureFtpd),
                                          testing::Bool(), testing::Bool()),
                         TlsScenarioName);

TEST_P(ResumeRealServer, CancelledAtAThirdCarriesOnToTheSameBytesEachWay)
{
    const std::string remoteDown = server / "down.bin", localDown = local / "down.bin";
    const std::string remoteUp = server / "up.bin", localUp = local / "up.bin";
    ASSERT_TRUE(MakeCipherFile(remoteDown, kSize, 31)) << "openssl could not make the file";
    ASSERT_TRUE(MakeCipherFile(localUp, kSize, 32)) << "openssl could not make the file";

    // Down, cancelled once a third has come.
    events.onPacketReceived = [&] {
        if (ftp.ReceivedSize() >= kThird && !VellFtpTestAccess::Cancelled(ftp)) ftp.Cancel();
    };
    ftp.Download("down.bin", Local("down.bin"));
    EXPECT_EQ(events.failures, (Kinds{fcTransfer})) << ftp.LastReply().str();
    const int64_t cutDown = FileSizeOr(localDown);
    EXPECT_GE(cutDown, kThird);
    EXPECT_LT(cutDown, kSize);
    ExpectNextCommandServed();

    CounterWatch down;
    events.onPacketReceived = [&] { down.See(ftp.ReceivedSize()); };
    ftp.ResumeDownload("down.bin", Local("down.bin"));
    EXPECT_EQ(events.successes, (Kinds{fcTransfer})) << ftp.LastReply().str();
    EXPECT_TRUE(SameFileBytes(remoteDown, localDown));
    EXPECT_EQ(ftp.ReceivedSize(), kSize);
    EXPECT_EQ(ftp.TransferSize(), kSize);
    EXPECT_GT(down.first, cutDown) << "the counter goes on from the resume point";
    EXPECT_FALSE(down.wentBack);
    ExpectNextCommandServed();
    events.onPacketReceived = nullptr;

    // Up, cancelled once a third has gone. What the server keeps of it is the resume point.
    events.onPacketSent = [&] {
        if (ftp.SentSize() >= kThird && !VellFtpTestAccess::Cancelled(ftp)) ftp.Cancel();
    };
    ftp.Upload(Local("up.bin"), "up.bin");
    EXPECT_EQ(events.failures, (Kinds{fcTransfer, fcTransfer})) << ftp.LastReply().str();
    const int64_t cutUp = FileSizeOr(remoteUp);
    RecordProperty("kept_of_cancelled_upload", std::to_string(cutUp));
    EXPECT_LT(cutUp, kSize);
    ExpectNextCommandServed();

    CounterWatch up;
    events.onPacketSent = [&] { up.See(ftp.SentSize()); };
    ftp.ResumeUpload(Local("up.bin"), "up.bin");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer, fcTransfer})) << ftp.LastReply().str();
    EXPECT_TRUE(SameFileBytes(localUp, remoteUp));
    EXPECT_EQ(ftp.SentSize(), kSize);
    EXPECT_EQ(ftp.TransferSize(), kSize);
    EXPECT_GE(up.first, std::max<int64_t>(cutUp, 0));
    EXPECT_FALSE(up.wentBack);
    EXPECT_EQ(events.failures.size(), 2u) << ftp.LastReply().str();
    ExpectNextCommandServed();
    events.onPacketSent = nullptr;

    // Whole already: nothing moves, and each succeeds.
    const int received = events.packetsReceived, sent = events.packetsSent;
    ftp.ResumeDownload("down.bin", Local("down.bin"));
    ftp.ResumeUpload(Local("up.bin"), "up.bin");
    EXPECT_EQ(events.successes.size(), 4u) << ftp.LastReply().str();
    EXPECT_EQ(events.packetsReceived, received);
    EXPECT_EQ(events.packetsSent, sent);
    EXPECT_EQ(ftp.SentSize(), kSize);
    EXPECT_TRUE(SameFileBytes(remoteDown, localDown));
    EXPECT_TRUE(SameFileBytes(localUp, remoteUp));
    ExpectNextCommandServed();

    // The target longer than its source: refused, both files as they were.
    WriteFileBytes(local / "short.bin", std::string(1000, 's'));
    ftp.ResumeUpload(Local("short.bin"), "up.bin");
    EXPECT_EQ(events.failures.size(), 3u);
    EXPECT_TRUE(SameFileBytes(localUp, remoteUp));
    EXPECT_EQ(ReadFileBytes(local / "short.bin"), std::string(1000, 's'));
    ExpectNextCommandServed();
    WriteFileBytes(server / "short.bin", std::string(1000, 's'));
    ftp.ResumeDownload("short.bin", Local("down.bin"));
    EXPECT_EQ(events.failures, (Kinds{fcTransfer, fcTransfer, fcTransfer, fcTransfer}));
    EXPECT_TRUE(SameFileBytes(remoteDown, localDown));
    EXPECT_EQ(ReadFileBytes(server / "short.bin"), std::string(1000, 's'));
    EXPECT_EQ(events.successes.size(), 4u);
    ExpectNextCommandServed();

    // A server that removes what an aborted upload left (none of these four does, as they run
    // here): SIZE finds nothing, so the resume fails with the server's reply and sends nothing,
    // since it cannot tell a missing file from one it may not size; a whole upload then goes.
    ftp.ResumeUpload(Local("short.bin"), "gone.bin");
    EXPECT_EQ(events.failures.size(), 5u);
    EXPECT_EQ(ftp.ResultCode(), 550) << ftp.LastReply().str();
    EXPECT_FALSE(fs::exists(server / "gone.bin"));
    ftp.Upload(Local("short.bin"), "gone.bin");
    EXPECT_EQ(events.successes.size(), 5u) << ftp.LastReply().str();
    EXPECT_EQ(ReadFileBytes(server / "gone.bin"), std::string(1000, 's'));
    ExpectNextCommandServed();
}

}  // namespace
