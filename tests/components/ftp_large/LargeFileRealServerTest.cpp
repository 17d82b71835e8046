// A file past 4 GiB each way against real servers, in both modes, plain and over TLS: the bytes
// arrive whole and the counters are right on the way and afterwards (no wrap at 2 or 4 GiB).
// Its own program, since each case moves about 9 GiB and takes longer than the other cases.
#include "tests/components/ftp/BigFiles.h"
#include "tests/components/ftp/RealServerClient.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int64_t kLargeSize = 4831838208;  // 4.5 GiB
constexpr int64_t k4GiB = int64_t(1) << 32;
// At most two copies at a time (the server's goes before the upload back), for this case and
// for one that ctest -j2 may run beside it, and a margin.
constexpr uintmax_t kRoomNeeded = 2 * 2 * uintmax_t(kLargeSize) + (uintmax_t(1) << 30);

// What a counter showed on the way: never back, never negative, and how far it got.
struct CounterWatch {
    int64_t last = 0;
    bool wentBack = false;
    bool sizeChanged = false;
    int64_t size = 0;
    void See(int64_t value, int64_t transferSize)
    {
        if (value < last) wentBack = true;
        last = value;
        if (transferSize != size) sizeChanged = true;
    }
};

class LargeFile : public RealServerClient, public testing::TestWithParam<TlsScenario> {};

// Plain on both servers in both modes; over TLS one case per mode, a server each: a TLS case
// takes half as long again as a plain one, and the whole run should stay well inside CI's limit.
INSTANTIATE_TEST_SUITE_P(Plain, LargeFile,
                         testing::Combine(testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::Vsftpd), testing::Bool(),
                                          testing::Values(false)),
                         TlsScenarioName);
INSTANTIATE_TEST_SUITE_P(Tls, LargeFile,
                         testing::Values(TlsScenario(FtpServerKind::Pyftpdlib, true, true),
                                         TlsScenario(FtpServerKind::Vsftpd, false, true)),
                         TlsScenarioName);

TEST_P(LargeFile, FourAndAHalfGibibytesEachWayAreCountedRight)
{
    const auto [kind, passive, tls] = GetParam();
    std::error_code ec;
    const fs::space_info room = fs::space(local.Path(), ec);
    if (ec || room.available < kRoomNeeded)
        GTEST_SKIP() << "needs " << (kRoomNeeded >> 20) << " MiB free beside " << local.Path() << ", has "
                     << (ec ? 0 : room.available >> 20) << " MiB";
    RealFtpServer server(kind, tls ? FtpServerVariant::Tls : FtpServerVariant::Plain);
    if (!Aim(server, tls ? "localhost" : "127.0.0.1", passive)) GTEST_SKIP() << ServerMissingText(server);
    ASSERT_GT(server.Port(), 0) << server.Error();
    if (tls) UseTls();
    ASSERT_TRUE(MakeCipherFile(server / "large", kLargeSize, 1)) << "openssl could not make the file";
    ftp.Connect();
    ftp.DoCommand("TYPE I");

    // Down. vsftpd names the size in its 150 reply; pyftpdlib only answers SIZE.
    CounterWatch down;
    down.size = kLargeSize;
    events.onPacketReceived = [&] { down.See(ftp.ReceivedSize(), ftp.TransferSize()); };
    watchdog.start(240000);
    ftp.Download("large", Local("large"));
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(ftp.ReceivedSize(), kLargeSize);
    EXPECT_EQ(ftp.TransferSize(), kLargeSize);
    EXPECT_FALSE(down.wentBack);
    EXPECT_FALSE(down.sizeChanged);
    EXPECT_GT(down.last, k4GiB);
    EXPECT_TRUE(SameFileBytes(server / "large", local / "large"));
    fs::remove(server / "large", ec);  // room for the copy that comes back

    // Up.
    events.onPacketReceived = nullptr;
    CounterWatch up;
    up.size = kLargeSize;
    events.onPacketSent = [&] { up.See(ftp.SentSize(), ftp.TransferSize()); };
    watchdog.start(240000);
    ftp.Upload(Local("large"), "back");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer, fcTransfer}));
    EXPECT_TRUE(events.failures.empty());
    EXPECT_EQ(ftp.SentSize(), kLargeSize);
    EXPECT_EQ(ftp.TransferSize(), kLargeSize);
    EXPECT_FALSE(up.wentBack);
    EXPECT_FALSE(up.sizeChanged);
    EXPECT_GT(up.last, k4GiB);
    EXPECT_TRUE(SameFileBytes(local / "large", server / "back"));
    ftp.Disconnect();
}

}  // namespace
