// The client against the four real servers, in passive and in active mode: login, listings,
// transfers of the sizes around block edges, and cancelled transfers that must leave the
// control connection in step for what follows.
#include "tests/components/ftp/RealServerClient.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

namespace {

class RealServerScenario : public ::testing::TestWithParam<ServerScenario>, protected RealServerClient {
protected:
    void SetUp() override
    {
        if (!Aim(server, "127.0.0.1", std::get<1>(GetParam()))) GTEST_SKIP() << ServerMissingText(server);
        ASSERT_GT(server.Port(), 0) << server.Error();
        ConnectBinary();
    }
    void ClearOutcomes()
    {
        events.successes.clear();
        events.failures.clear();
    }

    RealFtpServer server{std::get<0>(GetParam())};
};

INSTANTIATE_TEST_SUITE_P(Servers, RealServerScenario, EveryServerBothModes(), ServerScenarioName);

TEST_P(RealServerScenario, LogsInAndListsEveryEntryOnce)
{
    EXPECT_EQ(events.connects, 1);
    WriteFileBytes(server / "a.txt", "a");
    WriteFileBytes(server / "b b.txt", "bb");
    fs::create_directory(server / "sub");
    for (int i = 0; i < 40; ++i) WriteFileBytes(server / ("sub/entry-" + std::to_string(i)), "x");

    ftp.Nlist();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b b.txt", "sub"}));

    events.items.clear();
    ftp.List();
    ASSERT_EQ(events.items.size(), 3u) << testing::PrintToString(events.items);
    ExpectEachListedOnce(events.items, {"a.txt", "b b.txt", "sub"});

    events.items.clear();
    ftp.Nlist("sub");
    EXPECT_EQ(Names().size(), 40u);

    // Every listing has been answered in full: the next command gets its own reply.
    ftp.ChangeDir("sub");
    ftp.ChangeDir("no-such-dir");
    EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
    EXPECT_EQ(events.failures, (Kinds{fcChangeDir}));
}

TEST_P(RealServerScenario, TransfersOfEdgeSizesArriveByteExactBothWays)
{
    const std::size_t sizes[] = {0, 1, 1024, 1025, 1024 * 1024 + 7};
    for (std::size_t size : sizes) RoundTrip(server, size);
    EXPECT_EQ(events.successes, Kinds(2 * std::size(sizes), fcTransfer));
    EXPECT_TRUE(events.failures.empty());
}

// After a cancelled transfer, a refused command must fail, a good one must succeed and a
// transfer must arrive whole, however the server answered the abort.
TEST_P(RealServerScenario, CancelledDownloadLeavesTheConnectionInStep)
{
    const std::size_t size = std::size_t{64} * 1024 * 1024;
    const std::string big = Pattern(size, 7);
    WriteFileBytes(server / "big", big);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ClearOutcomes();
        events.packetsReceived = 0;
        events.onPacketReceived = [&] {
            if (events.packetsReceived == 4) ftp.Cancel();
        };
        ftp.Download("big", Local("big"));
        events.onPacketReceived = nullptr;
        EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
        EXPECT_TRUE(events.successes.empty());
        const auto partial = fs::file_size(local / "big");
        EXPECT_LT(partial, size);
        EXPECT_EQ(ReadFileBytes(local / "big"), big.substr(0, partial));

        ftp.ChangeDir("no-such-dir");
        const std::string made = "made-" + std::to_string(round);
        ftp.MakeDirectory(AnsiString(made));
        EXPECT_TRUE(fs::is_directory(server / made));
        const std::string small = "after the cancel, round " + std::to_string(round);
        WriteFileBytes(server / "small", small);
        ftp.Download("small", Local("small"));
        EXPECT_EQ(ReadFileBytes(local / "small"), small);
        EXPECT_EQ(events.failures, (Kinds{fcTransfer, fcChangeDir}));
        EXPECT_EQ(events.successes, (Kinds{fcMakeDir, fcTransfer}));
    }
}

TEST_P(RealServerScenario, CancelledUploadLeavesTheConnectionInStep)
{
    const std::size_t size = std::size_t{64} * 1024 * 1024;
    WriteFileBytes(local / "big", Pattern(size, 9));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ClearOutcomes();
        events.packetsSent = 0;
        events.onPacketSent = [&] {
            if (events.packetsSent == 4) ftp.Cancel();
        };
        ftp.Upload(Local("big"), "big");
        events.onPacketSent = nullptr;
        EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
        EXPECT_TRUE(events.successes.empty());

        ftp.ChangeDir("no-such-dir");
        const std::string made = "made-" + std::to_string(round);
        ftp.MakeDirectory(AnsiString(made));
        EXPECT_TRUE(fs::is_directory(server / made));
        const std::string small = Pattern(1025 + round, 11);
        WriteFileBytes(local / "small", small);
        ftp.Upload(Local("small"), "small");
        EXPECT_EQ(ReadFileBytes(server / "small"), small);
        events.items.clear();
        ftp.Nlist();
        const auto names = Names();
        EXPECT_EQ(std::count(names.begin(), names.end(), made), 1);
        EXPECT_EQ(events.failures, (Kinds{fcTransfer, fcChangeDir}));
        EXPECT_EQ(events.successes, (Kinds{fcMakeDir, fcTransfer}));
    }
}

}  // namespace
