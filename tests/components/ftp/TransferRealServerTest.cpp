// Listings and transfers against a real server (pyftpdlib), in passive and in active mode.
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/PyFtpServer.h"
#include "tests/components/ftp/RealServerClient.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

QByteArray Digest(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) return {};
    return hash.result();
}

class RealTransfer : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_GT(server.Port(), 0) << server.Error();
        AimAtLocalServer(ftp, events, server.Port(), PyFtpServer::User, PyFtpServer::Password);
        ftp.SetEnablePASV(GetParam());
        ftp.Connect();
        ftp.DoCommand("TYPE I");
    }
    AnsiString Local(const std::string& name) const { return AnsiString(local / name); }

    PyFtpServer server;
    TempDir local;
    TVellFtp ftp{nullptr};
    FtpEvents events;
};

INSTANTIATE_TEST_SUITE_P(Modes, RealTransfer, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Passive" : "Active"; });

TEST_P(RealTransfer, ListAndNlist)
{
    WriteFileBytes(server / "a.txt", "a");
    WriteFileBytes(server / "b.txt", "bb");
    fs::create_directory(server / "sub");
    ftp.Nlist();
    std::sort(events.items.begin(), events.items.end());
    EXPECT_EQ(events.items, (std::vector<std::string>{"a.txt", "b.txt", "sub"}));
    events.items.clear();
    ftp.List();
    ASSERT_EQ(events.items.size(), 3u);
    ExpectEachListedOnce(events.items, {"a.txt", "b.txt", "sub"});
    events.items.clear();
    ftp.Nlist("sub");
    EXPECT_TRUE(events.items.empty());
    ftp.ChangeDir("sub");  // the control connection is in step after every listing
    EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
}

TEST_P(RealTransfer, EmptyAndSmallFilesBothWays)
{
    WriteFileBytes(server / "empty", "");
    WriteFileBytes(server / "small", Pattern(3000, 1));
    ftp.Download("empty", Local("empty"));
    EXPECT_TRUE(fs::exists(local / "empty"));
    EXPECT_EQ(fs::file_size(local / "empty"), 0u);
    events.packetsReceived = 0;
    ftp.Download("small", Local("small"));
    EXPECT_EQ(ReadFileBytes(local / "small"), Pattern(3000, 1));
    EXPECT_EQ(ftp.ReceivedSize(), 3000);
    if (GetParam()) EXPECT_GE(events.packetsReceived, 4);  // blocks of at most 1024 bytes, then the end
    else EXPECT_GE(events.packetsReceived, 1);

    ftp.Upload(Local("empty"), "empty-up");
    EXPECT_EQ(events.packetsSent, 0);
    EXPECT_TRUE(fs::exists(server / "empty-up"));
    EXPECT_EQ(fs::file_size(server / "empty-up"), 0u);
    WriteFileBytes(local / "ten", Pattern(10000, 2));
    ftp.SetSendDataSize(8192);
    ftp.Upload(Local("ten"), "ten");
    EXPECT_EQ(events.packetsSent, 2);  // 8192 and 1808 bytes
    EXPECT_EQ(ftp.SentSize(), 10000);
    EXPECT_EQ(ftp.TransferSize(), 10000);
    EXPECT_EQ(ReadFileBytes(server / "ten"), Pattern(10000, 2));
    EXPECT_EQ(events.successes, (Kinds{fcTransfer, fcTransfer, fcTransfer, fcTransfer}));
    EXPECT_TRUE(events.failures.empty());
}

TEST_P(RealTransfer, SixtyFourMegabytesArriveIdenticalBothWays)
{
    const std::size_t size = std::size_t{64} * 1024 * 1024;
    WriteFileBytes(server / "big", Pattern(size, 3));
    ftp.Download("big", Local("big"));
    EXPECT_EQ(fs::file_size(local / "big"), size);
    EXPECT_EQ(Digest(local / "big"), Digest(server / "big"));
    ftp.SetSendDataSize(32768);
    ftp.Upload(Local("big"), "big-up");
    EXPECT_EQ(fs::file_size(server / "big-up"), size);
    EXPECT_EQ(Digest(server / "big-up"), Digest(server / "big"));
    EXPECT_EQ(events.successes, (Kinds{fcTransfer, fcTransfer}));
}

TEST_P(RealTransfer, CancelFromPacketHandlerKeepsThePartialFileAndTheNextTransferWorks)
{
    const std::size_t size = std::size_t{16} * 1024 * 1024;
    WriteFileBytes(server / "big", Pattern(size, 4));
    WriteFileBytes(server / "small", "after the cancel");
    events.onPacketReceived = [&] {
        if (events.packetsReceived == 5) ftp.Cancel();
    };
    ftp.Download("big", Local("big"));
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    const auto partial = fs::file_size(local / "big");
    EXPECT_GT(partial, 0u);
    EXPECT_LT(partial, size);
    EXPECT_EQ(ReadFileBytes(local / "big"), Pattern(size, 4).substr(0, partial));

    events.onPacketReceived = nullptr;
    ftp.Download("small", Local("small"));
    EXPECT_EQ(ReadFileBytes(local / "small"), "after the cancel");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
}

TEST_P(RealTransfer, RefusedDownloadLeavesTheLocalFileUntouched)
{
    WriteFileBytes(local / "keep", "precious");
    if (GetParam()) {
        EXPECT_THROW(ftp.Download("no-such-file", Local("keep")), Exception);
    } else {
        ftp.Download("no-such-file", Local("keep"));
        EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    }
    EXPECT_EQ(ReadFileBytes(local / "keep"), "precious");
    WriteFileBytes(server / "f", "fresh");
    ftp.Download("f", Local("keep"));  // an accepted one replaces it
    EXPECT_EQ(ReadFileBytes(local / "keep"), "fresh");
}

TEST_P(RealTransfer, MissingLocalFileOrUnwritablePathTouchesNothing)
{
    ftp.Upload(Local("missing"), "x");
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_FALSE(fs::exists(server / "x"));
    WriteFileBytes(server / "f", "data");
    ftp.Download("f", AnsiString(local.Path().c_str()));  // a folder: no file can be written there
    EXPECT_EQ(events.failures, (Kinds{fcTransfer, fcTransfer}));
    EXPECT_EQ(ftp.ResultCode(), 0);
    EXPECT_TRUE(events.successes.empty());
    ftp.Download("f", Local("f"));
    EXPECT_EQ(ReadFileBytes(local / "f"), "data");
}

}  // namespace
