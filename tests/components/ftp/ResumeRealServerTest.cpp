// Resumed transfers against the four real servers, both modes, plain and over TLS: a file cut
// at a third carried on to byte-exact each way, then carried on again when already whole, and
// refused when the target is longer than its source.
#include "tests/components/ftp/RealServerClient.h"

#include <filesystem>
#include <tuple>

namespace {

using ResumeScenario = std::tuple<FtpServerKind, bool, bool>;  // server, passive, TLS

class ResumeRealServer : public ::testing::TestWithParam<ResumeScenario>, protected RealServerClient {
protected:
    void SetUp() override
    {
        const auto& [kind, passive, tls] = GetParam();
        if (!Aim(server, tls ? "localhost" : "127.0.0.1", passive)) GTEST_SKIP() << ServerMissingText(server);
        ASSERT_GT(server.Port(), 0) << server.Error();
        if (tls) {
            ftp.SetEnableTLS(true);
            ftp.SetOnCertificateError(TFtpHandledEvent([](bool& handled) { handled = true; }, nullptr, ""));
        }
        ftp.Connect();
        ASSERT_TRUE(ftp.Connected()) << ftp.LastReply().str();
        ftp.DoCommand("TYPE I");
        ASSERT_EQ(ftp.ResultCode(), 200) << ftp.LastReply().str();
    }

    RealFtpServer server{std::get<0>(GetParam()), std::get<2>(GetParam()) ? FtpServerVariant::Tls : FtpServerVariant::Plain};
};

// "vsftpd_Passive_Tls", ...
std::string ResumeScenarioName(const testing::TestParamInfo<ResumeScenario>& info)
{
    const ServerScenario serverAndMode(std::get<0>(info.param), std::get<1>(info.param));
    return ServerScenarioName(testing::TestParamInfo<ServerScenario>(serverAndMode, info.index)) +
           (std::get<2>(info.param) ? "_Tls" : "_Plain");
}

INSTANTIATE_TEST_SUITE_P(Servers, ResumeRealServer,
                         testing::Combine(testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::Vsftpd,
                                                          FtpServerKind::Proftpd, FtpServerKind::PureFtpd),
                                          testing::Bool(), testing::Bool()),
                         ResumeScenarioName);

TEST_P(ResumeRealServer, CutAtAThirdCarriesOnToByteExactEachWay)
{
    constexpr std::size_t kSize = 3 * 1024 * 1024 + 517;
    const std::string down = Pattern(kSize, 31), up = Pattern(kSize, 32);
    WriteFileBytes(server / "down.bin", down);
    WriteFileBytes(local / "down.bin", down.substr(0, kSize / 3));
    WriteFileBytes(local / "up.bin", up);
    // The cut upload is made by the server itself, so that the file is its own to append to.
    WriteFileBytes(local / "third.bin", up.substr(0, kSize / 3));
    ftp.Upload(Local("third.bin"), "up.bin");
    ASSERT_TRUE(ReadFileBytes(server / "up.bin") == up.substr(0, kSize / 3)) << ftp.LastReply().str();
    events.successes.clear();

    ftp.ResumeDownload("down.bin", Local("down.bin"));
    EXPECT_TRUE(ReadFileBytes(local / "down.bin") == down);
    EXPECT_EQ(ftp.ReceivedSize(), static_cast<int64_t>(kSize));
    EXPECT_EQ(ftp.TransferSize(), static_cast<int64_t>(kSize));
    ftp.ResumeUpload(Local("up.bin"), "up.bin");
    EXPECT_TRUE(ReadFileBytes(server / "up.bin") == up) << ftp.LastReply().str();
    EXPECT_EQ(ftp.SentSize(), static_cast<int64_t>(kSize));
    EXPECT_EQ(events.successes, (Kinds{fcTransfer, fcTransfer}));
    EXPECT_TRUE(events.failures.empty()) << ftp.LastReply().str();

    // Whole already: nothing moves, and each succeeds.
    ftp.ResumeDownload("down.bin", Local("down.bin"));
    ftp.ResumeUpload(Local("up.bin"), "up.bin");
    EXPECT_EQ(events.successes.size(), 4u);
    EXPECT_EQ(ftp.SentSize(), static_cast<int64_t>(kSize));

    // The target longer than its source: refused, both files as they were.
    WriteFileBytes(local / "short.bin", up.substr(0, 1000));
    ftp.ResumeUpload(Local("short.bin"), "up.bin");
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_TRUE(ReadFileBytes(server / "up.bin") == up);
    WriteFileBytes(server / "short.bin", down.substr(0, 1000));
    ftp.ResumeDownload("short.bin", Local("down.bin"));
    EXPECT_EQ(events.failures, (Kinds{fcTransfer, fcTransfer}));
    EXPECT_TRUE(ReadFileBytes(local / "down.bin") == down);

    // The connection is in step for what follows.
    ftp.DoCommand("NOOP");
    EXPECT_EQ(ftp.ResultCode(), 200) << ftp.LastReply().str();
}

}  // namespace
