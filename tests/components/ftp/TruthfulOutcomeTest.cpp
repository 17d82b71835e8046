// Outcomes that must match what the server said: replies split over reads, closing replies
// after floods, data connections that end early, late, or from the wrong place, and the
// command after each of them.
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/PyFtpServer.h"
#include "tests/components/ftp/ScriptedTransferTest.h"

#include "toolkit/controls/Application.h"

#include <QTimer>

namespace {

using Items = std::vector<std::string>;
using Kinds = std::vector<TFtpCmdType>;

TEST_F(ScriptedFtpTest, ReplyLineSplitOverReadsIsJudgedWhole)
{
    server.Login().Expect("CWD missing").Send("55").Pause(100).Send("0 No such directory\r\n");
    StartAndConnect();
    ftp.ChangeDir("missing");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcChangeDir}));
    EXPECT_TRUE(events.successes.empty());
    EXPECT_EQ(ftp.ResultCode(), 550);
    EXPECT_EQ(events.statuses.back(), "550 No such directory");
}

TEST_F(ScriptedFtpTest, GreetingSplitOverReadsLogsIn)
{
    server.Send("220-Welc").Pause(100).Send("ome\r\n be ni").Pause(100).Send("ce\r\n220 re").Pause(100).Send("ady\r\n");
    server.Expect("USER user").Reply("331 password please").Expect("PASS pass").Reply("230 logged in");
    server.Expect("FEAT").Reply(ScriptedFtpServer::NoFeatures);
    server.Start();
    ftp.Connect();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_TRUE(ftp.Connected());
    EXPECT_EQ(events.connects, 1);
    EXPECT_EQ(events.statuses, (Items{"220-Welcome", " be nice", "220 ready", "331 password please", "230 logged in", ScriptedFtpServer::NoFeatures}));
}

class TruthfulTransfer : public ScriptedTransferTest {};
INSTANTIATE_TEST_SUITE_P(Modes, TruthfulTransfer, testing::Values(true, false), ModeName);

TEST_P(TruthfulTransfer, FloodThenFailingClosingReplyFails)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("part").CloseData();
    server.Send(std::string(std::size_t{2} * 1024 * 1024, 'j')).Send("\r\n426 aborted\r\n");
    server.Expect("NOOP").Reply("200 next");
    StartAndConnect();
    ftp.Download("f", LocalFile("f"));
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_TRUE(events.successes.empty());
    EXPECT_EQ(ftp.LastReply(), AnsiString("426 aborted"));
    ftp.DoCommand("NOOP");
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 next"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

TEST_P(TruthfulTransfer, MultiLineFailingClosingReplyInTwoReadsFails)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("part").CloseData();
    server.Send("426-Connection closed;\r\n426-trans").Pause(100).Send("fer aborted\r\n426 End\r\n");
    StartAndConnect();
    ftp.Download("f", LocalFile("f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_EQ(ftp.LastReply(), AnsiString("426 End"));
}

TEST_P(TruthfulTransfer, ServerThatRepliesOnlyAfterTheClientClosesTheDataFinishesAtOnce)
{
    // Some servers end the data, then wait for the client to close its side before the
    // closing reply: the client must not wait for the reply first.
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("payload").HalfCloseData().ReceiveData().CloseData().Reply("226 done");
    DataOffer().Expect("LIST");
    DataOpen().Reply("150 listing").SendData("a\r\nb\r\n").HalfCloseData().ReceiveData().CloseData().Reply("226 done");
    StartAndConnect();
    ftp.Download("f", LocalFile("f"));
    EXPECT_EQ(ReadFileBytes(local / "f"), "payload");
    ftp.List();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(events.items, (Items{"a", "b"}));
}

TEST_P(TruthfulTransfer, DataConnectionKeptOpenAfterTheClosingReplyIsDrainedAndEnds)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("kept").Reply("226 done");
    server.Expect("NOOP").Reply("200 next").CloseData();
    StartAndConnect();
    ftp.Download("f", LocalFile("f"));
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(ReadFileBytes(local / "f"), "kept");
    ftp.DoCommand("NOOP");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 next"));
}

TEST_P(TruthfulTransfer, ResetDataConnectionFailsWithTheServersLineAndTheNextCommandIsInStep)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("par").ResetData().Reply("426 Connection reset; transfer aborted");
    server.Expect("CWD d").Reply("250 ok");
    StartAndConnect();
    events.handleFailure = false;
    EXPECT_EQ(Raised([&] { ftp.Download("f", LocalFile("f")); }), AnsiString("426 Connection reset; transfer aborted"));
    events.handleFailure = true;
    ftp.ChangeDir("d");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
}

TEST_P(TruthfulTransfer, ATransferAfterCancelIsJudgedOnItsOwnReplies)
{
    DataOffer().Expect("RETR big");
    DataOpen().Reply("150 sending").SendData(std::string(100000, 'b')).Expect("ABOR");
    server.CloseData().Reply("426 Transfer aborted").Reply("226 ABOR successful");
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").SendData("fresh").CloseData().Reply("226 done");
    StartAndConnect();
    events.onPacketReceived = [this] {
        if (ftp.ReceivedSize() > 0) ftp.Cancel();
    };
    ftp.Download("big", LocalFile("big"));
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    events.onPacketReceived = nullptr;
    ftp.Download("f", LocalFile("f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(ReadFileBytes(local / "f"), "fresh");
    EXPECT_EQ(ftp.ReceivedSize(), 5);
}

struct AbortAnswer {
    const char* name;
    std::vector<std::string> replies;  // what the server sends after ABOR
    bool probed;                       // too few: the client asks with NOOP where it stands
};

TEST_F(ScriptedFtpTest, EveryWayAServerAnswersAnAbortLeavesTheNextCommandInStep)
{
    const std::vector<AbortAnswer> cases = {
        {"426 then 226", {"426 Transfer aborted", "226 ABOR successful"}, false},
        {"one reply for both", {"225 ABOR command successful; data channel closed."}, true},
        {"a stray 1xx line ends the transfer", {"150 0.003 seconds (measured here)", "226 ABOR must've succeeded"}, false},
        {"multi-line", {"426 ABORT", "226-Transfer aborted", "226 0.005 seconds"}, false},
    };
    ScriptedFtpServer& s = server.Login();
    for (const AbortAnswer& c : cases) {
        s.ExpectPrefix("PORT ").Reply("200 PORT ok").Expect("RETR big").ConnectData().Reply("150 sending");
        s.SendData(std::string(50000, 'b')).Expect("ABOR").CloseData();
        for (const std::string& r : c.replies) s.Reply(r);
        if (c.probed) s.Expect("NOOP").Reply("200 NOOP ok");
        s.Expect("CWD no-such-dir").Reply("550 No such directory").Expect("CWD d").Reply("250 ok");
    }
    StartAndConnect();
    TempDir local;
    for (const AbortAnswer& c : cases) {
        SCOPED_TRACE(c.name);
        events.successes.clear();
        events.failures.clear();
        events.onPacketReceived = [this] {
            if (ftp.ReceivedSize() > 0) ftp.Cancel();
        };
        ftp.Download("big", AnsiString(local / "big"));
        events.onPacketReceived = nullptr;
        ftp.ChangeDir("no-such-dir");
        ftp.ChangeDir("d");
        EXPECT_EQ(events.failures, (Kinds{fcTransfer, fcChangeDir}));
        EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
    }
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

TEST_F(ScriptedFtpTest, ActiveDataConnectionFromAnotherAddressIsRefusedAndTheTransferFails)
{
    TempDir local;
    server.Login().ExpectPrefix("PORT ").Reply("200 PORT ok").Expect("RETR f").Reply("150 sending");
    server.ConnectDataFrom("127.0.0.2").SendData("intruder").CloseData().Reply("226 done");
    StartAndConnect();
    events.handleFailure = false;
    const AnsiString raised = Raised([&] { ftp.Download("f", AnsiString(local / "f")); });
    EXPECT_NE(raised.str().find("127.0.0.2"), std::string::npos) << raised.str();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_EQ(ReadFileBytes(local / "f"), "");
}

TEST_F(ScriptedFtpTest, LargestTimeOutStillWaitsForTheListing)
{
    ftp.SetTimeOut(static_cast<uint32_t>(-1));
    ftp.SetEnablePASV(true);
    server.Login().Expect("PASV").Pasv().Expect("NLST").AcceptData().Reply("150 names");
    server.SendData("one\r\n").Pause(100).SendData("two\r\n").CloseData().Reply("226 done");
    StartAndConnect();
    ftp.Nlist();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ftp.TimeOut(), 0xFFFFFFFFu);
    EXPECT_EQ(events.items, (Items{"one", "two"}));
}

TEST_F(ScriptedFtpTest, TheGuiRunsDuringTheActiveListingsSettlingPause)
{
    server.Login().ExpectPrefix("PORT ").Reply("200 PORT ok").Expect("LIST").ConnectData().Reply("150 listing");
    server.SendData("a\r\n").CloseData().Reply("226 done");
    StartAndConnect();
    bool listing = false;
    bool ranInside = false;
    ftp.SetOnStatus(TFtpStatusEvent(
        [&](TComponent*, AnsiString line) {
            if (line.str().starts_with("226")) QTimer::singleShot(0, [&] { ranInside = listing; });
        },
        nullptr, ""));
    listing = true;
    ftp.List();
    listing = false;
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_TRUE(ranInside);
}

}  // namespace
