// A server that has gone (it closed an idle control connection, with or without 421) or that
// has stopped answering: every operation fails, says why, and the next Connect works.
#include "tests/components/ftp/ScriptedTransferTest.h"

#include <filesystem>
#include <functional>
#include <netinet/in.h>
#include <ostream>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>

namespace {

using Kinds = std::vector<TFtpCmdType>;

enum class Operation { Download, Upload, List, ChangeDir };

struct GoneCase {
    const char* name;
    Operation operation;
    bool notice;  // the server says "421 Timeout." before it closes
};
void PrintTo(const GoneCase& c, std::ostream* os) { *os << c.name; }

class ServerGone : public ScriptedFtpTest, public testing::WithParamInterface<std::tuple<GoneCase, bool>> {
protected:
    void SetUp() override
    {
        ScriptedFtpTest::SetUp();
        ftp.SetEnablePASV(std::get<1>(GetParam()));
    }
    // Runs the operation with no OnFailure handler claiming it; the exception's text.
    std::string RunUnhandled(Operation operation)
    {
        events.handleFailure = false;
        return Raised([&] { Run(operation); }).str();
    }
    void Run(Operation operation)
    {
        switch (operation) {
        case Operation::Download: ftp.Download("f", AnsiString(local / "kept")); break;
        case Operation::Upload: ftp.Upload(AnsiString(local / "up"), "up"); break;
        case Operation::List: ftp.List(); break;
        case Operation::ChangeDir: ftp.ChangeDir("d"); break;
        }
    }

    TempDir local;
};

TEST_P(ServerGone, EveryOperationFailsSayingSoAndTheNextConnectWorks)
{
    const GoneCase& c = std::get<0>(GetParam());
    server.Login();
    if (c.notice) server.Reply("421 Timeout.");
    server.CloseControl();
    WriteFileBytes(local / "kept", "local bytes");
    WriteFileBytes(local / "up", "upload bytes");
    StartAndConnect();
    ASSERT_TRUE(server.Finish()) << server.Errors();  // the server has closed by now

    const std::string message = RunUnhandled(c.operation);
    EXPECT_NE(message.find("the server closed the connection"), std::string::npos) << message;
    if (c.notice) {
        EXPECT_NE(message.find("421 Timeout."), std::string::npos) << message;
    }
    if (c.operation != Operation::List) {
        EXPECT_EQ(events.failures.size(), 1u);
    }
    EXPECT_TRUE(events.successes.empty());
    EXPECT_FALSE(ftp.Connected());
    EXPECT_LE(ftp.ResultCode(), 0);
    EXPECT_EQ(ReadFileBytes(local / "kept"), "local bytes");
    EXPECT_EQ(SentAfterLogin(), "");

    // Handled, the same operation fails again with its kind and raises nothing.
    events.handleFailure = true;
    events.failures.clear();
    if (c.operation == Operation::List) {
        EXPECT_THROW(Run(c.operation), Exception);
    } else {
        EXPECT_NO_THROW(Run(c.operation));
        EXPECT_EQ(events.failures, (Kinds{c.operation == Operation::ChangeDir ? fcChangeDir : fcTransfer}));
    }
    ExpectNextConnectWorks();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerGone,
    testing::Combine(testing::Values(GoneCase{"Download421", Operation::Download, true},
                                     GoneCase{"DownloadSilent", Operation::Download, false},
                                     GoneCase{"Upload421", Operation::Upload, true},
                                     GoneCase{"UploadSilent", Operation::Upload, false},
                                     GoneCase{"List421", Operation::List, true},
                                     GoneCase{"ListSilent", Operation::List, false},
                                     GoneCase{"ChangeDir421", Operation::ChangeDir, true},
                                     GoneCase{"ChangeDirSilent", Operation::ChangeDir, false}),
                     testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<GoneCase, bool>>& i) {
        return std::string(std::get<0>(i.param).name) + (std::get<1>(i.param) ? "Passive" : "Active");
    });

// A download to a file that did not exist leaves none behind when the server has gone.
TEST_F(ScriptedFtpTest, DownloadAfterTheServerClosedCreatesNoFile)
{
    TempDir local;
    server.Login().CloseControl();
    StartAndConnect();
    ASSERT_TRUE(server.Finish()) << server.Errors();
    ftp.Download("f", AnsiString(local / "new"));
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_FALSE(std::filesystem::exists(local / "new"));
}

// ---- The inactivity limit ----------------------------------------------------------------------

constexpr uint32_t kShortLimit = 400;

class ServerStopsAnswering : public ScriptedTransferTest {
protected:
    void SetUp() override
    {
        ScriptedTransferTest::SetUp();
        ftp.SetInactivityLimit(kShortLimit);
    }
    void ExpectStalled(const std::string& message)
    {
        EXPECT_NE(message.find("no data from the server for 400 ms"), std::string::npos) << message;
        EXPECT_FALSE(ftp.Connected());
        EXPECT_LE(ftp.ResultCode(), 0);
    }
    std::string DownloadUnhandled()
    {
        events.handleFailure = false;
        const std::string message = Raised([&] { ftp.Download("f", LocalFile("f")); }).str();
        events.handleFailure = true;
        return message;
    }
};
INSTANTIATE_TEST_SUITE_P(Modes, ServerStopsAnswering, testing::Values(true, false), ModeName);

TEST_P(ServerStopsAnswering, MidTransferTheLimitEndsTheDownload)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("part").ExpectClosed();
    StartAndConnect();
    ExpectStalled(DownloadUnhandled());
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_TRUE(events.successes.empty());
    ExpectNextConnectWorks();
}

TEST_P(ServerStopsAnswering, NoClosingReplyAfterTheDataEndsTheDownload)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("whole").CloseData().ExpectClosed();
    StartAndConnect();
    ExpectStalled(DownloadUnhandled());
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ReadFileBytes(local / "f"), "whole");
    ExpectNextConnectWorks();
}

TEST_P(ServerStopsAnswering, NoClosingReplyAfterAnUploadEndsIt)
{
    WriteFileBytes(local / "up", std::string(100000, 'u'));
    DataOffer().Expect("STOR up");
    DataOpen().Reply("150 go").ReceiveData().ExpectClosed();
    StartAndConnect();
    ftp.Upload(LocalFile("up"), "up");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(server.DataReceived().size(), 100000u);  // the limit counts from the last byte
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    ExpectStalled(ftp.LastReply().str());
    ExpectNextConnectWorks();
}

TEST_P(ServerStopsAnswering, NoDataConnectionAndNoReplyEndsTheListing)
{
    // Passive: the server offers a port, takes the command and then says nothing more;
    // active: it never connects.
    DataOffer().Expect("LIST").ExpectClosed();
    StartAndConnect();
    ExpectStalled(Raised([&] { ftp.List(); }).str());
    EXPECT_TRUE(server.Finish()) << server.Errors();
    ExpectNextConnectWorks();
}

TEST_P(ServerStopsAnswering, UnansweredCommandFailsWithItsKind)
{
    server.Expect("CWD d").ExpectClosed();
    StartAndConnect();
    ftp.ChangeDir("d");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcChangeDir}));
    ExpectStalled(ftp.LastReply().str());
    events.failures.clear();
    ExpectNextConnectWorks();
}

TEST_P(ServerStopsAnswering, DataThatKeepsMovingNeverHitsTheLimit)
{
    // Pieces come far more often than the limit, but the whole takes several limits.
    ftp.SetInactivityLimit(1500);
    DataOffer().Expect("RETR f");
    ScriptedFtpServer& s = DataOpen().Reply("150 sending");
    std::string expected;
    for (int i = 0; i < 16; ++i) {
        s.SendData("piece" + std::to_string(i)).Pause(150);
        expected += "piece" + std::to_string(i);
    }
    s.CloseData().Reply("226 done");
    StartAndConnect();
    ftp.Download("f", LocalFile("f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(ReadFileBytes(local / "f"), expected);
}

TEST(InactivityLimit, DefaultsToSixtySecondsAndZeroIsKept)
{
    TVellFtp ftp(nullptr);
    EXPECT_EQ(ftp.InactivityLimit(), 60000u);
    ftp.SetInactivityLimit(0);
    EXPECT_EQ(ftp.InactivityLimit(), 0u);
}

// ---- Keep-alive ---------------------------------------------------------------------------------

// The idle time of the socket's keep-alive probes, in seconds; 0 when keep-alive is off.
int KeepAliveIdle(int fd)
{
    int on = 0;
    int idle = 0;
    socklen_t size = sizeof on;
    if (::getsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, &size) != 0 || !on) return 0;
    size = sizeof idle;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, &size) != 0) return -1;
    return idle;
}

class KeepAlive : public ScriptedTransferTest {};
INSTANTIATE_TEST_SUITE_P(Modes, KeepAlive, testing::Values(true, false), ModeName);

TEST_P(KeepAlive, ControlAndDataConnectionsProbeAfterAMinute)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("x").CloseData().Reply("226 done");
    StartAndConnect();
    EXPECT_EQ(KeepAliveIdle(VellFtpTestAccess::ControlSocket(ftp)->Socket()->SocketHandle()), 60);
    int dataIdle = -2;
    events.onPacketReceived = [&] {
        if (dataIdle != -2) return;
        TCustomWinSocket* data = GetParam() ? static_cast<TCustomWinSocket*>(VellFtpTestAccess::DataSocket(ftp)->Socket())
                                            : VellFtpTestAccess::ListenSocket(ftp)->Connections(0);
        dataIdle = KeepAliveIdle(data->SocketHandle());
    };
    ftp.Download("f", LocalFile("f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(dataIdle, 60);
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
}

}  // namespace
