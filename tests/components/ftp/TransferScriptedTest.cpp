// Data connections against the scripted server: byte-exact listings, replies that come
// together or not at all, hostile data connections, and the upload writers' guards.
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/PyFtpServer.h"
#include "tests/components/ftp/ScriptedTransferTest.h"
#include "tests/fixtures/ModalGuard.h"

#include "toolkit/controls/Application.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <tuple>
#include <vector>

namespace {

using Items = std::vector<std::string>;
using Kinds = std::vector<TFtpCmdType>;

class ScriptedTransfer : public ScriptedTransferTest {};
INSTANTIATE_TEST_SUITE_P(Modes, ScriptedTransfer, testing::Values(true, false), ModeName);

TEST_P(ScriptedTransfer, ListingSkipsBlankLinesAndEndsLinesAtEveryCrOrLf)
{
    DataOffer().Expect("LIST");
    DataOpen().Reply("150 Here comes the listing");
    server.SendData("a\r\n\r\n\nb\rc\n\r\r\nd").CloseData().Reply("226 done");
    StartAndConnect();
    ftp.List();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.items, (Items{"a", "b", "c", "d"}));
    EXPECT_EQ(events.statuses.back(), "226 done");
}

TEST_P(ScriptedTransfer, ListingWithOpeningAndClosingReplyInOneRead)
{
    DataOffer().Expect("NLST sub");
    DataOpen().SendData("x\r\ny\r\n").CloseData().Pause(50).Send("150 listing\r\n226 done\r\n");
    server.Expect("NOOP").Reply("200 in step");
    StartAndConnect();
    ftp.Nlist("sub");
    EXPECT_EQ(events.items, (Items{"x", "y"}));
    ftp.DoCommand("NOOP");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 in step"));
}

TEST_P(ScriptedTransfer, DownloadWithOpeningAndClosingReplyInOneRead)
{
    DataOffer().Expect("RETR small");
    DataOpen().SendData("hello").CloseData().Pause(50).Send("150 sending\r\n226 done\r\n");
    StartAndConnect();
    ftp.Download("small", LocalFile("small"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ReadFileBytes(local / "small"), "hello");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(ftp.ReceivedSize(), 5);
}

TEST_P(ScriptedTransfer, Answer125StartsTheTransferLike150)
{
    // A server that has already taken the data connection says so with 125.
    WriteFileBytes(local / "up", "upload");
    DataOffer().Expect("RETR down");
    DataOpen().Reply("125 Data connection already open; transfer starting.").SendData("download").CloseData();
    server.Reply("226 done");
    DataOffer().Expect("STOR up");
    DataOpen().Reply("125 Data connection already open; transfer starting.").ReceiveData().Reply("226 stored");
    StartAndConnect();
    ftp.Download("down", LocalFile("down"));
    ftp.Upload(LocalFile("up"), "up");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ReadFileBytes(local / "down"), "download");
    EXPECT_EQ(server.DataReceived(), "upload");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer, fcTransfer}));
}

// A listing has no outcome event: a refusal raises with the server's line, in either mode.
TEST_P(ScriptedTransfer, RefusedListingRaisesWithTheLineAndTheNextCommandWorks)
{
    DataOffer().Expect("LIST nope").Reply("550 No such directory.");
    server.Expect("CWD x").Reply("250 ok");
    StartAndConnect();
    EXPECT_EQ(Raised([&] { ftp.List("nope"); }), AnsiString("550 No such directory."));
    EXPECT_TRUE(events.items.empty());
    ftp.ChangeDir("x");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
}

struct SizeCase {
    const char* name;
    const char* sizeReply;  // nullptr: FEAT does not offer SIZE, so it is not asked
    const char* opening;
    int64_t size;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class TransferSize : public ScriptedFtpTest, public testing::WithParamInterface<std::tuple<SizeCase, bool>> {};

// The total comes from the opening reply, else from SIZE (asked before the transfer where FEAT
// offers it), and holds sizes past 4 GiB.
TEST_P(TransferSize, FromTheOpeningReplyElseFromSize)
{
    const auto& [c, passive] = GetParam();
    ftp.SetEnablePASV(passive);
    TempDir local;
    server.Login("user", "pass", c.sizeReply ? "211-Features:\r\n SIZE\r\n211 End" : ScriptedFtpServer::NoFeatures);
    if (c.sizeReply) server.Expect("SIZE f").Reply(c.sizeReply);
    server.OfferData(passive).Expect("RETR f");
    server.OpenData(passive).Reply(c.opening).SendData("hello").CloseData().Reply("226 done");
    StartAndConnect();
    int64_t during = 0;
    events.onPacketReceived = [&] { during = ftp.TransferSize(); };
    ftp.Download("f", AnsiString(local / "f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_EQ(during, c.size);
    EXPECT_EQ(ftp.TransferSize(), c.size);
    EXPECT_EQ(ftp.ReceivedSize(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransferSize,
    testing::Combine(
        testing::Values(SizeCase{"PastFourGiBIn150", "213 1", "150 Opening BINARY mode data connection for f (4831838208 bytes).",
                                 4831838208},
                        SizeCase{"FromSize", "213 4831838208", "150 File status okay. About to open data connection.", 4831838208},
                        SizeCase{"SizeRefused", "550 SIZE not allowed in ASCII mode", "150 go", -1},
                        SizeCase{"SizeGarbled", "213 many", "150 go", -1}, SizeCase{"SizeNotOffered", nullptr, "150 go", -1}),
        testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<SizeCase, bool>>& i) {
        return std::string(std::get<0>(i.param).name) + (std::get<1>(i.param) ? "_Passive" : "_Active");
    });

TEST_P(ScriptedTransfer, DataConnectionClosedMidTransferFailsAndTheNextCommandWorks)
{
    DataOffer().Expect("RETR big");
    DataOpen().Reply("150 sending (100000 bytes)").SendData(std::string(3000, 'b')).CloseData();
    server.Reply("426 Connection closed; transfer aborted.").Expect("NOOP").Reply("200 ok");
    StartAndConnect();
    ftp.Download("big", LocalFile("big"));
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_EQ(ftp.TransferSize(), 100000);
    EXPECT_EQ(ReadFileBytes(local / "big"), std::string(3000, 'b'));
    ftp.DoCommand("NOOP");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 ok"));
}

TEST_P(ScriptedTransfer, RefusedDataConnectionEndsTheTransferAndLeavesTheFileAlone)
{
    WriteFileBytes(local / "keep", "precious");
    DataOffer().Expect("RETR f").Reply("425 Can't open data connection.").Expect("NOOP").Reply("200 ok");
    StartAndConnect();
    if (GetParam()) {
        EXPECT_EQ(Raised([&] { ftp.Download("f", LocalFile("keep")); }), AnsiString("425 Can't open data connection."));
    } else {
        ftp.Download("f", LocalFile("keep"));
        EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    }
    EXPECT_EQ(ReadFileBytes(local / "keep"), "precious");
    ftp.DoCommand("NOOP");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 ok"));
}

TEST_P(ScriptedTransfer, ReplyFloodDuringATransfer)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").Send(std::string(std::size_t{2} * 1024 * 1024, 'y') + "\r\n");
    server.SendData("payload").CloseData().Reply("226 done").Expect("NOOP").Reply("200 ok");
    StartAndConnect();
    ftp.Download("f", LocalFile("f"));
    EXPECT_EQ(ReadFileBytes(local / "f"), "payload");
    ftp.DoCommand("NOOP");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 ok"));
}

TEST_P(ScriptedTransfer, SilentDataConnectionEndsOnCancel)
{
    DataOffer().Expect("RETR f");
    DataOpen().Reply("150 sending").Expect("ABOR");
    StartAndConnect();
    QTimer::singleShot(100, [&] { ftp.Cancel(); });
    ftp.Download("f", LocalFile("f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_FALSE(VellFtpTestAccess::DataSocket(ftp)->Active());
    EXPECT_FALSE(VellFtpTestAccess::ListenSocket(ftp)->Active());
}

TEST_P(ScriptedTransfer, DownloadToAnUnwritablePathFailsAndSendsNothing)
{
    server.Expect("NOOP").Reply("200 ok");
    StartAndConnect();
    ftp.Download("f", AnsiString(local.Path().c_str()));  // a directory
    ftp.Download("f", LocalFile("no-such-dir/f"));        // a missing directory
    EXPECT_EQ(ftp.ResultCode(), 0);
    ftp.DoCommand("NOOP");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(SentAfterLogin(), "NOOP\r\n");
    EXPECT_EQ(events.failures, (Kinds{fcTransfer, fcTransfer}));
    EXPECT_TRUE(events.successes.empty());
}

TEST_P(ScriptedTransfer, UploadOfAMissingFileFailsAndSendsNothing)
{
    server.Expect("NOOP").Reply("200 ok");
    StartAndConnect();
    ftp.Upload(LocalFile("missing"), "remote");
    ftp.DoCommand("NOOP");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_EQ(SentAfterLogin(), "NOOP\r\n");
}

TEST_P(ScriptedTransfer, UploadArrivesWhole)
{
    std::string content;
    for (int i = 0; i < 200000; ++i) content += static_cast<char>('a' + i % 23);
    WriteFileBytes(local / "up", content);
    ftp.SetSendDataSize(32768);
    DataOffer().Expect("STOR up");
    DataOpen().Reply("150 go ahead").ReceiveData().Reply("226 stored");
    StartAndConnect();
    ftp.Upload(LocalFile("up"), "up");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(server.DataReceived(), content);
    EXPECT_EQ(ftp.SentSize(), 200000);
    EXPECT_EQ(ftp.TransferSize(), 200000);
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
}

// ---- Passive only ------------------------------------------------------------------------------

class ScriptedPassive : public ScriptedTransfer {};
INSTANTIATE_TEST_SUITE_P(Mode, ScriptedPassive, testing::Values(true),
                         [](const testing::TestParamInfo<bool>&) { return "Passive"; });

TEST_P(ScriptedPassive, ListingLineSplitOverReadsArrivesWhole)
{
    ftp.SetTimeOut(2000);  // the pause inside the line is not a silence that ends the listing
    server.Expect("PASV").Pasv().Expect("LIST").AcceptData().Reply("150 listing");
    server.SendData("first li").Pause(100).SendData("ne\r\nsec").Pause(100).SendData("ond\r\nlast").CloseData();
    server.Reply("226 done");
    StartAndConnect();
    ftp.List();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.items, (Items{"first line", "second", "last"}));
}

TEST_P(ScriptedPassive, DataPauseLongerThanTimeOutLosesNoLine)
{
    // A stall of the data far longer than one wait slice: the listing goes on to its end.
    server.Expect("PASV").Pasv().Expect("LIST").AcceptData().Reply("150 listing");
    server.SendData("a\r\n").Pause(300).SendData("b\r\n").CloseData().Reply("226 done");
    server.Expect("NOOP").Reply("200 next");
    StartAndConnect();
    ftp.List();
    EXPECT_EQ(events.items, (Items{"a", "b"}));
    EXPECT_EQ(ftp.LastReply(), AnsiString("226 done"));
    EXPECT_FALSE(VellFtpTestAccess::DataSocket(ftp)->Active());
    ftp.DoCommand("NOOP");  // the closing reply answered the listing, not this
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 next"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

TEST_P(ScriptedPassive, UnfinishedLineWaitEndsOnCancel)
{
    ftp.SetTimeOut(60000);  // only Cancel can end this wait
    server.Expect("PASV").Pasv().Expect("LIST").AcceptData().Reply("150 listing");
    server.SendData("done\r\nhalf a li").Expect("ABOR");
    StartAndConnect();
    events.onItem = [&](const std::string& item) {
        if (item == "done") ftp.Cancel();  // "half a li" came in the same piece and waits
    };
    ftp.List();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.items, (Items{"done", "half a li"}));  // what came is delivered
    EXPECT_FALSE(VellFtpTestAccess::DataSocket(ftp)->Active());
}

struct Refusal {
    const char* name;
    bool upload;
    const char* reply;
};
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class PassiveOpeningReply : public ScriptedFtpTest, public testing::WithParamInterface<Refusal> {};

TEST_P(PassiveOpeningReply, OtherThan150Or125RaisesWithTheLineAndTheNextCommandWorks)
{
    ftp.SetEnablePASV(true);
    TempDir local;
    WriteFileBytes(local / "f", "data");
    const Refusal& c = GetParam();
    server.Login().Expect("PASV").Pasv().Expect(c.upload ? "STOR f" : "RETR f").Reply(c.reply);
    server.Expect("CWD x").Reply("250 ok");
    StartAndConnect();
    EXPECT_EQ(Raised([&] { c.upload ? ftp.Upload(AnsiString(local / "f"), "f") : ftp.Download("f", AnsiString(local / "f")); }),
              AnsiString(c.reply));
    EXPECT_FALSE(VellFtpTestAccess::DataSocket(ftp)->Active());
    EXPECT_EQ(ReadFileBytes(local / "f"), "data");
    ftp.ChangeDir("x");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
}

INSTANTIATE_TEST_SUITE_P(Cases, PassiveOpeningReply,
                         testing::Values(Refusal{"Retr120", false, "120 Service ready in 5 minutes."},
                                         Refusal{"Stor110", true, "110 Restart marker MARK 0 = 0"},
                                         Refusal{"Retr550", false, "550 No such file."},
                                         Refusal{"Stor553", true, "553 Not allowed."}),
                         [](const testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

class Bad227 : public ScriptedFtpTest, public testing::WithParamInterface<const char*> {};

TEST_P(Bad227, RaisesASocketErrorAndTheNextCommandWorks)
{
    ftp.SetEnablePASV(true);
    server.Login().Expect("PASV").Reply(GetParam()).Expect("CWD x").Reply("250 ok");
    StartAndConnect();
    EXPECT_THROW(ftp.List(), ESocketError);
    ftp.ChangeDir("x");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
    EXPECT_TRUE(events.items.empty());
}

INSTANTIATE_TEST_SUITE_P(Replies, Bad227,
                         testing::Values("227 garbage", "227 Entering Passive Mode 127,0,0,1,4,1",
                                         "227 Entering Passive Mode (x,y,z,w,q,r)", "227 (127,0,0,1,999,999)",
                                         "500 PASV not understood"));

TEST_F(ScriptedFtpTest, PassiveDataGoesToTheServerNotToTheAddressIn227)
{
    // Nothing listens on 127.0.0.2: following the reply would fail.
    ftp.SetEnablePASV(true);
    server.Login().Expect("PASV").Pasv("127,0,0,2").Expect("LIST").AcceptData().Reply("150 listing");
    server.SendData("a\r\n").CloseData().Reply("226 done");
    StartAndConnect();
    ftp.List();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.items, (Items{"a"}));
}

TEST_F(ScriptedFtpTest, ActivePortInUseIsPassedOverForTheNextPort)
{
    TempDir local;
    TServerSocket squatter(nullptr);
    squatter.SetPort(LastDataPort + 2);
    squatter.Open();
    server.Login().ExpectPrefix("PORT ").Reply("200 ok").Expect("RETR f").ConnectData().Reply("150 go");
    server.SendData("fine").CloseData().Reply("226 done");
    StartAndConnect();
    ftp.Download("f", AnsiString(local / "f"));
    EXPECT_EQ(LastDataPort, squatter.Port() + 2);
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ReadFileBytes(local / "f"), "fine");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    // The data address announced is the control connection's own.
    EXPECT_NE(server.Received().find("PORT 127,0,0,1,"), std::string::npos);
}

TEST_F(ScriptedFtpTest, ActivePortsAllTakenAlongTheSequenceGiveWayToOneTheSystemPicks)
{
    TempDir local;
    // Every port of the stretch the client tries, from a stretch where all were free.
    std::vector<std::unique_ptr<TServerSocket>> squatters;
    for (int base = 20001; squatters.size() < 64 && base < 30000; base += 130) {
        squatters.clear();
        LastDataPort = base;
        for (int i = 1; i <= 64; ++i) {
            squatters.push_back(std::make_unique<TServerSocket>(nullptr));
            squatters.back()->SetPort(base + 2 * i);
            if (!squatters.back()->TryOpen()) break;
        }
    }
    ASSERT_EQ(squatters.size(), 64u);
    const int base = LastDataPort;
    server.Login().ExpectPrefix("PORT ").Reply("200 ok").Expect("RETR f").ConnectData().Reply("150 go");
    server.SendData("fine").CloseData().Reply("226 done");
    StartAndConnect();
    ftp.Download("f", AnsiString(local / "f"));
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(ReadFileBytes(local / "f"), "fine");
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    unsigned h[6] = {};
    const std::string sent = server.Received();
    ASSERT_EQ(std::sscanf(sent.c_str() + sent.find("PORT "), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]), 6);
    const int announced = static_cast<int>(h[4] * 256 + h[5]);
    EXPECT_TRUE(announced > 0 && (announced <= base || announced > base + 128)) << announced;
    EXPECT_EQ(LastDataPort, base + 128);  // the sequence goes on from the end of the stretch
}

// ---- The upload writers' guards ----------------------------------------------------------------

TEST_F(ScriptedFtpTest, SecondWriteNotificationDuringAnActiveUploadSendsNothing)
{
    TempDir local;
    std::string content;
    for (int i = 0; i < 4 * 1024 * 1024; ++i) content += static_cast<char>(i * 7 % 251);
    WriteFileBytes(local / "up", content);
    ftp.SetSendDataSize(32768);
    server.Login().ExpectPrefix("PORT ").Reply("200 ok").Expect("STOR up").ConnectData().Reply("150 go");
    server.ReceiveData().Reply("226 stored");
    int nestedSent = -1;
    events.onPacketSent = [&] {
        if (nestedSent >= 0) return;
        TServerSocket* listener = VellFtpTestAccess::ListenSocket(ftp);
        ASSERT_EQ(listener->ActiveConnections(), 1);
        const int before = ftp.SentSize();
        VellFtpTestAccess::SendEvent(ftp, listener->Connections(0));  // as a second notification would
        nestedSent = ftp.SentSize() - before;
    };
    StartAndConnect();
    ftp.Upload(AnsiString(local / "up"), "up");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(nestedSent, 0);
    EXPECT_TRUE(server.DataReceived() == content);
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
}

// Answers the modal message boxes that come up, and keeps their texts.
struct MessageBoxAnswerer {
    MessageBoxAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text().toStdString());
                box->done(0);
            }
        });
        timer.start(20);
    }
    QTimer timer;
    std::vector<std::string> texts;
    ModalGuard::Expecting expecting;  // every box while it lives
};

TEST(PassiveSendEvent, ReenteredShowsAMessageAndSendsNothing)
{
    TVellFtp ftp(nullptr);
    ftp.Loaded();
    TempDir local;
    std::string content(100000, 'q');
    WriteFileBytes(local / "f", content);
    ftp.SetSendDataSize(10000);

    TServerSocket listener(nullptr);
    TCustomWinSocket* accepted = nullptr;
    listener.OnClientConnect = TSocketNotifyEvent([&](TObject*, TCustomWinSocket* s) { accepted = s; }, nullptr, "");
    listener.Open();
    TClientSocket reader(nullptr);
    reader.SetClientType(ctBlocking);
    reader.SetAddress("127.0.0.1");
    reader.SetPort(listener.LocalPort());
    reader.Open();
    while (!accepted) Application->ProcessMessages();

    auto* file = new TFileStream(AnsiString(local / "f"), fmOpenRead | fmShareDenyWrite);
    VellFtpTestAccess::SetFileStream(ftp, file);
    VellFtpTestAccess::SetChunkLength(ftp, 32769);
    int nested = 0;
    int sentBeforeNested = -1;
    int sentAfterNested = -1;
    ftp.SetOnPacketSent(TNotifyEvent(
        [&](TObject*) {
            if (nested++ > 0) return;
            sentBeforeNested = ftp.SentSize();
            VellFtpTestAccess::PASV_SendEvent(ftp, accepted);
            sentAfterNested = ftp.SentSize();
        },
        nullptr, ""));
    MessageBoxAnswerer answerer;
    VellFtpTestAccess::PASV_SendEvent(ftp, accepted);
    EXPECT_EQ(answerer.texts, (Items{"再入"}));
    EXPECT_EQ(sentAfterNested, sentBeforeNested);
    EXPECT_EQ(ftp.SentSize(), 100000);

    TWinSocketStream stream(reader.Socket(), 2000);
    std::string got;
    char buffer[65536];
    while (got.size() < content.size()) {
        int n = stream.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_TRUE(got == content);
    VellFtpTestAccess::SetFileStream(ftp, nullptr);
}

}  // namespace
