// The control connection against the scripted server: greeting, login, commands, replies,
// cancelling, and the form-description side of the component.
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/PyFtpServer.h"

#include "toolkit/net/WinSock.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"
#include "toolkit/system/Published.h"

#include <QTimer>

#include <netinet/tcp.h>

namespace {

using Statuses = std::vector<std::string>;

TEST_F(ScriptedFtpTest, GreetingSplitOverTwoReadsIsOneReply)
{
    server.Send("220-Welcome\r\n").Pause(200).Send("220 ready\r\n");
    server.Expect("USER user").Reply("331 password please").Expect("PASS pass").Reply("230 logged in");
    server.Expect("FEAT").Reply(ScriptedFtpServer::NoFeatures);
    StartAndConnect();
    ASSERT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.statuses, (Statuses{"220-Welcome", "220 ready", "331 password please", "230 logged in", ScriptedFtpServer::NoFeatures}));
    EXPECT_EQ(events.connects, 1);
    EXPECT_TRUE(ftp.Connected());
    EXPECT_EQ(ftp.ResultCode(), 230);
}

struct RefusalCase {
    const char* name;
    std::function<void(ScriptedFtpServer&)> script;
    int connects;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class RefusedConnection : public ScriptedFtpTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedConnection, FiresConnectionFailedClosesAndRaises)
{
    GetParam().script(server);
    server.ExpectClosed();
    server.Start();
    ASSERT_EQ(Raised([&] { ftp.Connect(); }), "接続に失敗しました。"_ansi);
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.connectionFailures, 1);
    EXPECT_EQ(events.connects, GetParam().connects);
    EXPECT_FALSE(ftp.Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedConnection,
    testing::Values(
        RefusalCase{"Greeting421", [](ScriptedFtpServer& s) { s.Reply("421 too many users"); }, 0},
        RefusalCase{"UserRefused", [](ScriptedFtpServer& s) { s.Reply("220 hi").Expect("USER user").Reply("530 no"); }, 1},
        RefusalCase{"Password530",
                    [](ScriptedFtpServer& s) {
                        s.Reply("220 hi").Expect("USER user").Reply("331 pw").Expect("PASS pass").Reply("530 Login incorrect.");
                    },
                    1}),
    [](const testing::TestParamInfo<RefusalCase>& i) { return std::string(i.param.name); });

// A port on which nothing listens (yet).
int ClosedPort()
{
    TServerSocket probe(nullptr);
    probe.Open();
    int port = probe.LocalPort();
    probe.Close();
    return port;
}

TEST(InvalidHost, UnhandledRaisesAndHandledTriesExactlyOnceMore)
{
    TVellFtp ftp(nullptr);
    ftp.SetHost("127.0.0.1");
    ftp.SetPort(ClosedPort());
    ftp.Loaded();
    FtpEvents events;
    events.Attach(ftp);
    try {
        ftp.Connect();
        FAIL() << "no exception";
    } catch (const ESocketError&) {
        FAIL() << "the socket error should have been reported as an invalid host";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "ホストに接続できませんでした。"_ansi);
    }
    EXPECT_EQ(events.invalidHosts, 1);

    events.handleInvalidHost = true;
    EXPECT_THROW(ftp.Connect(), ESocketError);  // the second attempt's error passes through
    EXPECT_EQ(events.invalidHosts, 2);
}

TEST_F(ScriptedFtpTest, HandledInvalidHostConnectsOnTheSecondAttempt)
{
    const int realPort = ftp.Port();
    ftp.SetPort(ClosedPort());
    events.handleInvalidHost = true;
    // The handler points the component at the working server: only the second attempt reaches it.
    events.onInvalidHost = [&] { VellFtpTestAccess::ControlSocket(ftp)->SetPort(realPort); };
    server.Login();
    StartAndConnect();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.invalidHosts, 1);
    EXPECT_TRUE(ftp.Connected());
}

TEST_F(ScriptedFtpTest, MissingCredentialsAreAskedForBeforeTheLogin)
{
    ftp.SetPassword("");
    ftp.SetOnAuthenticationNeeded(TFtpHandledEvent(
        [&](bool& handled) {
            ftp.SetUserID("late");
            ftp.SetPassword("given");
            handled = true;
        },
        nullptr, ""));
    server.Login("late", "given");
    StartAndConnect();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_TRUE(events.failures.empty());
    EXPECT_TRUE(ftp.Connected());
}

TEST_F(ScriptedFtpTest, UnsuppliedCredentialsAreALoginFailure)
{
    ftp.SetUserID("");
    server.Reply("220 hello");
    server.Start();
    events.handleFailure = false;
    EXPECT_EQ(Raised([&] { ftp.Connect(); }), AnsiString("220 hello"));  // the last reply line
    EXPECT_EQ(events.authenticationRequests, 1);
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcLogin}));
}

// A command that cannot go on the wire as it is: a line end would smuggle in a second command,
// and a NUL or an over-long line would be cut to a shorter name.
struct UnsendableCase {
    const char* name;
    std::function<void(TVellFtp&, const std::string& local)> run;
    std::vector<TFtpCmdType> kinds;  // empty: the operation has no outcome event and always raises
    const char* why;
};

TEST_F(ScriptedFtpTest, UnsendableCommandsAreRefusedWholeAndNothingIsSent)
{
    using namespace std::string_literals;
    TempDir local;
    const std::string longName(997, 'n');  // "DELE " and it make 1002 bytes
    const std::string keep = local / "keep";
    WriteFileBytes(keep, "kept");
    const UnsendableCase cases[] = {
        {"DoCommand with CR LF", [](TVellFtp& f, auto&) { f.DoCommand("CWD a\r\nDELE b"); }, {}, "CR, LF"},
        {"Delete with LF", [](TVellFtp& f, auto&) { f.Delete("x\nRMD /"); }, {fcRemove}, "CR, LF"},
        {"Rename to a name with CR", [](TVellFtp& f, auto&) { f.Rename("a", "b\rc"); }, {fcRename}, "CR, LF"},
        {"DoCommand with NUL", [](TVellFtp& f, auto&) { f.DoCommand(AnsiString("DELE a\0b"s)); }, {}, "NUL"},
        {"Delete with NUL", [](TVellFtp& f, auto&) { f.Delete(AnsiString("precious\0.bak"s)); }, {fcRemove}, "NUL"},
        {"Download with NUL", [](TVellFtp& f, auto& l) { f.Download(AnsiString("a\0b"s), AnsiString(l)); }, {fcTransfer}, "NUL"},
        {"Upload with NUL", [](TVellFtp& f, auto& l) { f.Upload(AnsiString(l), AnsiString("a\0b"s)); }, {fcTransfer}, "NUL"},
        {"List with NUL", [](TVellFtp& f, auto&) { f.List(AnsiString("d\0e"s)); }, {}, "NUL"},
        {"DoCommand of 1001 bytes", [](TVellFtp& f, auto&) { f.DoCommand(AnsiString(std::string(1001, 'A'))); }, {}, "1000 bytes"},
        {"Delete of a long name", [&](TVellFtp& f, auto&) { f.Delete(AnsiString(longName)); }, {fcRemove}, "1000 bytes"},
        {"Rename from a long name", [&](TVellFtp& f, auto&) { f.Rename(AnsiString(longName), "b"); }, {fcRename}, "1000 bytes"},
        {"Upload to a long name", [&](TVellFtp& f, auto& l) { f.Upload(AnsiString(l), AnsiString(longName)); }, {fcTransfer}, "1000 bytes"},
        {"Download of a long name", [&](TVellFtp& f, auto& l) { f.Download(AnsiString(longName), AnsiString(l)); }, {fcTransfer}, "1000 bytes"},
        {"Nlist of a long path", [&](TVellFtp& f, auto&) { f.Nlist(AnsiString(longName)); }, {}, "1000 bytes"},
    };
    const std::string fits(996, 'f');  // "CWD " and it make exactly 1000 bytes
    server.Login().Expect("CWD " + fits).Reply("250 ok").Expect("NOOP").Reply("200 ok");
    StartAndConnect();
    for (const UnsendableCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Handled, the operation just fails with its kind.
        events.failures.clear();
        events.handleFailure = true;
        if (c.kinds.empty()) {
            EXPECT_THROW(c.run(ftp, keep), Exception);
        } else {
            EXPECT_NO_THROW(c.run(ftp, keep));
            EXPECT_NE(ftp.LastReply().str().find(c.why), std::string::npos) << ftp.LastReply().str();
        }
        EXPECT_EQ(events.failures, c.kinds);
        // Unhandled, the exception says why.
        events.handleFailure = false;
        const AnsiString raised = Raised([&] { c.run(ftp, keep); });
        EXPECT_NE(raised.str().find(c.why), std::string::npos) << raised.str();
        EXPECT_EQ(ReadFileBytes(keep), "kept");
        EXPECT_TRUE(ftp.Connected());
    }
    events.handleFailure = true;
    events.failures.clear();
    ftp.ChangeDir(AnsiString(fits));  // the longest line that fits goes out whole
    ftp.DoCommand("NOOP");            // and the connection is still in step
    ASSERT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(SentAfterLogin(), "CWD " + fits + "\r\nNOOP\r\n");
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcChangeDir}));
    EXPECT_TRUE(events.failures.empty());
    EXPECT_EQ(ftp.ResultCode(), 200);
}

TEST_F(ScriptedFtpTest, CommandsWhileDisconnectedSendNothingAndReportFailure)
{
    ftp.DoCommand("NOOP");
    EXPECT_EQ(ftp.ResultCode(), 0);
    ftp.Disconnect();
    ftp.ChangeDir("/tmp");
    ftp.MakeDirectory("d");
    ftp.Delete("f");
    ftp.RemoveDir("d");
    ftp.Rename("a", "b");
    EXPECT_TRUE(events.successes.empty());
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcChangeDir, fcMakeDir, fcRemove, fcRemove, fcRename}));
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.ResultCode(), 0);  // nothing that looks like a reply

    // Unhandled, the failure says why.
    events.handleFailure = false;
    const AnsiString raised = Raised([&] { ftp.ChangeDir("/tmp"); });
    EXPECT_NE(raised.str().find("connection closed"), std::string::npos) << raised.str();
}

TEST_F(ScriptedFtpTest, DisconnectSendsQuitAndCloses)
{
    server.Login().Expect("QUIT").Reply("221 bye").ExpectClosed();
    StartAndConnect();
    ftp.Disconnect();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(events.statuses.back(), "221 bye");
}

TEST_F(ScriptedFtpTest, AfterCancelEachCommandIsJudgedOnItsOwnReply)
{
    // The reply to ABOR comes late; the next command goes out only after it.
    server.Login().Expect("ABOR").Pause(100).Reply("225 No transfer to ABOR");
    server.Expect("CWD no-such-dir").Reply("550 No such directory").Expect("CWD dir").Reply("250 ok");
    StartAndConnect();
    ftp.Cancel();
    ftp.ChangeDir("no-such-dir");
    ftp.ChangeDir("dir");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcChangeDir}));
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcChangeDir}));
    EXPECT_EQ(SentAfterLogin().substr(0, 6), "ABOR\r\n");
    std::erase(events.statuses, "200 NOOP ok");  // a probe, if the late reply took long
    EXPECT_EQ(events.statuses, (Statuses{"220 scripted server ready", "331 password please", "230 logged in",
                                         ScriptedFtpServer::NoFeatures, "225 No transfer to ABOR", "550 No such directory", "250 ok"}));
}

TEST_F(ScriptedFtpTest, CancelWhileWaitingForAReplyFailsThatCommandAndTheNextCatchesUp)
{
    server.Login().Expect("CWD slow").Expect("ABOR").Reply("250 slow done").Reply("226 ABOR ok");
    server.Expect("CWD x").Reply("550 nope");
    StartAndConnect();
    QTimer::singleShot(20, [this] { ftp.Cancel(); });
    ftp.ChangeDir("slow");
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcChangeDir}));
    ftp.ChangeDir("x");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcChangeDir, fcChangeDir}));
    EXPECT_TRUE(events.successes.empty());
    EXPECT_EQ(ftp.LastReply(), AnsiString("550 nope"));
}

TEST_F(ScriptedFtpTest, OpeningAndClosingReplyInOneRead)
{
    server.Login().Expect("STAT").Send("150 opening\r\n226 done\r\n");
    StartAndConnect();
    events.statuses.clear();
    ftp.DoCommand("STAT");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.statuses, (Statuses{"150 opening", "226 done"}));
    EXPECT_EQ(ftp.LastReply(), AnsiString("226 done"));
    EXPECT_EQ(ftp.ResultCode(), 226);
}

struct CommandCase {
    const char* name;
    std::function<void(TVellFtp&)> call;
    std::vector<std::string> script;  // expected line, reply, expected line, reply...
    std::vector<TFtpCmdType> successes;
    std::vector<TFtpCmdType> failures;
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class SingleReplyCommand : public ScriptedFtpTest, public testing::WithParamInterface<CommandCase> {};

TEST_P(SingleReplyCommand, ReportsItsOutcome)
{
    server.Login();
    const auto& script = GetParam().script;
    for (std::size_t i = 0; i + 1 < script.size(); i += 2) server.Expect(script[i]).Reply(script[i + 1]);
    StartAndConnect();
    GetParam().call(ftp);
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, GetParam().successes);
    EXPECT_EQ(events.failures, GetParam().failures);
    std::string sent;
    for (std::size_t i = 0; i < script.size(); i += 2) sent += script[i] + "\r\n";
    EXPECT_EQ(SentAfterLogin(), sent);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, SingleReplyCommand,
    testing::Values(
        CommandCase{"ChangeDir250", [](TVellFtp& f) { f.ChangeDir("pub"); }, {"CWD pub", "250 ok"}, {fcChangeDir}, {}},
        CommandCase{"ChangeDirEmpty", [](TVellFtp& f) { f.ChangeDir(""); }, {"CWD ", "550 no"}, {}, {fcChangeDir}},
        CommandCase{"MakeDirectory257", [](TVellFtp& f) { f.MakeDirectory("d"); }, {"MKD d", "257 \"/d\""}, {fcMakeDir}, {}},
        CommandCase{"Delete550", [](TVellFtp& f) { f.Delete("f"); }, {"DELE f", "550 no such file"}, {}, {fcRemove}},
        CommandCase{"RemoveDirIsARemoval", [](TVellFtp& f) { f.RemoveDir("d"); }, {"RMD d", "250 gone"}, {fcRemove}, {}},
        CommandCase{"Rename350Then250", [](TVellFtp& f) { f.Rename("a", "b"); },
                    {"RNFR a", "350 go on", "RNTO b", "250 renamed"}, {fcRename}, {}},
        CommandCase{"Rename550StopsAtOnce", [](TVellFtp& f) { f.Rename("a", "b"); }, {"RNFR a", "550 no"}, {}, {fcRename}},
        CommandCase{"Rename450Fails", [](TVellFtp& f) { f.Rename("a", "b"); },
                    {"RNFR a", "350 go on", "RNTO b", "450 busy"}, {}, {fcRename}},
        CommandCase{"Rename553Fails", [](TVellFtp& f) { f.Rename("a", "b"); },
                    {"RNFR a", "350 go on", "RNTO b", "553 bad name"}, {}, {fcRename}}),
    [](const testing::TestParamInfo<CommandCase>& i) { return std::string(i.param.name); });
// clang-format on

TEST_F(ScriptedFtpTest, UnhandledFailureRaisesTheServersLine)
{
    server.Login().Expect("DELE f").Reply("550 f: No such file");
    StartAndConnect();
    events.handleFailure = false;
    EXPECT_EQ(Raised([&] { ftp.Delete("f"); }), AnsiString("550 f: No such file"));
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcRemove}));
}

TEST_F(ScriptedFtpTest, FailureWithoutHandlerIsSilent)
{
    server.Login().Expect("CWD x").Reply("550 no");
    StartAndConnect();
    ftp.SetOnFailure(TFtpFailureEvent());
    EXPECT_NO_THROW(ftp.ChangeDir("x"));
    EXPECT_TRUE(events.successes.empty());
}

TEST_F(ScriptedFtpTest, ModeIsAlwaysRefused)
{
    for (int type : {0, 1}) {
        EXPECT_EQ(Raised([&] { ftp.Mode(type); }), "未サポート。DoCommand(\"TYPE I\")等を使用してください。"_ansi);
    }
}

TEST_F(ScriptedFtpTest, WindUpWaitsForTheClosingReplyAndFailsOnceCancelled)
{
    // The closing reply comes late: it is waited for, not judged on an empty read.
    server.Login().Pause(150).Reply("226 Transfer complete").Expect("ABOR");
    StartAndConnect();
    VellFtpTestAccess::WindUp(ftp, fcTransfer);
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcTransfer}));
    EXPECT_EQ(ftp.ResultCode(), 226);
    ftp.Cancel();
    VellFtpTestAccess::WindUp(ftp, fcTransfer);
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcTransfer}));
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

TEST_F(ScriptedFtpTest, ConnectWhileConnectedClosesTheOldConnectionFirst)
{
    ScriptedFtpServer second;
    server.Login().ExpectClosed();
    second.Login();
    StartAndConnect();
    second.Start();
    ftp.SetPort(second.Port());
    ftp.Connect();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_TRUE(second.Finish()) << second.Errors();
    EXPECT_TRUE(ftp.Connected());
    EXPECT_EQ(server.Received(), "USER user\r\nPASS pass\r\nFEAT\r\n");  // no QUIT on the way out
}

TEST_F(ScriptedFtpTest, ConnectWithoutHostRaisesBeforeAnyNetworkUse)
{
    ftp.SetHost("");
    ftp.Cancel();
    EXPECT_EQ(Raised([&] { ftp.Connect(); }), "TVellFtp: 接続先が指定されていません。"_ansi);
    EXPECT_FALSE(VellFtpTestAccess::Cancelled(ftp));
}

TEST_F(ScriptedFtpTest, TcpNoDelayReachesTheLiveSocket)
{
    server.Login();
    StartAndConnect();
    auto noDelay = [&] {
        int value = -1;
        socklen_t len = sizeof value;
        getsockopt(VellFtpTestAccess::ControlSocket(ftp)->Socket()->SocketHandle(), IPPROTO_TCP, TCP_NODELAY, &value, &len);
        return value;
    };
    EXPECT_EQ(noDelay(), 0);
    ftp.SetTcpNoDelay(true);
    EXPECT_EQ(noDelay(), 1);
    ftp.SetTcpNoDelay(false);
    EXPECT_EQ(noDelay(), 0);
}

TEST_F(ScriptedFtpTest, CancelFromATimerEndsTheWaitOnASilentServer)
{
    server.Login().Expect("STAT").Expect("ABOR");
    StartAndConnect();
    CancelAtTick(5);
    ftp.DoCommand("STAT");  // the server never answers
    EXPECT_GE(ticks, 5);
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

// ---- Without a connection ----------------------------------------------------------------------

TEST(VellFtpModel, StartsWithItsDefaults)
{
    TVellFtp ftp(nullptr);
    EXPECT_EQ(ftp.Port(), 21);
    EXPECT_EQ(ftp.TimeOut(), 50u);
    EXPECT_EQ(ftp.SendDataSize(), 8192);
    EXPECT_FALSE(ftp.EnablePASV());
    EXPECT_FALSE(ftp.TcpNoDelay());
    EXPECT_TRUE(ftp.Host().IsEmpty() && ftp.UserID().IsEmpty() && ftp.Password().IsEmpty());
    EXPECT_FALSE(ftp.Connected());
    for (auto [set, stored] : {std::pair{0ul, 50ul}, {49ul, 50ul}, {50ul, 50ul}, {51ul, 51ul}, {5000ul, 5000ul}}) {
        ftp.SetTimeOut(set);
        EXPECT_EQ(ftp.TimeOut(), stored) << set;
    }
    ftp.SetTcpNoDelay(true);  // not connected: only stored
    EXPECT_TRUE(ftp.TcpNoDelay());
}

TEST(VellFtpModel, OperationsBeforeLoadedRaiseAClearError)
{
    TVellFtp ftp(nullptr);
    ftp.SetHost("127.0.0.1");
    const AnsiString message = "TVellFtp: 初期化されていません。Loaded の後で使用してください。"_ansi;
    for (auto& op : std::vector<std::function<void()>>{
             [&] { ftp.Connect(); }, [&] { ftp.DoCommand("NOOP"); }, [&] { ftp.ChangeDir("x"); }, [&] { ftp.List(); },
             [&] { ftp.Download("a", "/tmp/a"); }, [&] { ftp.Upload("/tmp/a", "a"); }, [&] { ftp.Disconnect(); }}) {
        EXPECT_EQ(Raised([&] { op(); }), message);
    }
    EXPECT_NO_THROW(ftp.Cancel());
    ftp.SetDesigning(true);
    ftp.Loaded();  // design mode creates nothing
    EXPECT_THROW(ftp.Connect(), Exception);
}

class TFtpForm : public TComponent {
    TK_CLASS(TFtpForm)
public:
    using TComponent::TComponent;
    TVellFtp* Ftp1 = nullptr;
    std::vector<std::string> seen;
    void FtpStatus(TComponent*, AnsiString s) { seen.push_back(s.str()); }
};

}  // namespace

TK_CLASS_IMPL(TFtpForm, TComponent, {
    PublishField(info, "Ftp1", &TFtpForm::Ftp1);
    PublishMethod(info, "FtpStatus", &TFtpForm::FtpStatus);
})

namespace {

TEST(VellFtpModel, StoredDefaultsSurviveAFormRoundTrip)
{
    TFtpForm form(nullptr);
    form.SetName("Form1");
    auto* ftp = new TVellFtp(&form);
    ftp->SetName("Ftp1");
    ftp->SetPort(0);
    ftp->SetSendDataSize(0);
    ftp->SetHost("ftp.example.org");
    ftp->SetEnablePASV(true);
    std::string text = WriteComponentText(&form);
    EXPECT_EQ(text.find("Charset"), std::string::npos) << text;  // automatic, the default
    ftp->SetCharset(fcsUTF8);
    text = WriteComponentText(&form);
    EXPECT_NE(text.find("Charset = fcsUTF8"), std::string::npos) << text;
    EXPECT_EQ(text.find("Port"), std::string::npos) << text;
    EXPECT_EQ(text.find("SendDataSize"), std::string::npos) << text;
    EXPECT_EQ(text.find("TcpNoDelay"), std::string::npos) << text;
    EXPECT_NE(text.find("TimeOut = 50"), std::string::npos) << text;  // the default is 0, not 50
    EXPECT_NE(text.find("EnablePASV = True"), std::string::npos) << text;
    text.insert(text.find("  end"), "    OnStatus = FtpStatus\n");

    TFtpForm again(nullptr);
    ReadComponentText(&again, text);
    ASSERT_NE(again.Ftp1, nullptr);
    EXPECT_EQ(again.Ftp1->Port(), 21);
    EXPECT_EQ(again.Ftp1->SendDataSize(), 8192);
    EXPECT_EQ(again.Ftp1->Host(), AnsiString("ftp.example.org"));
    EXPECT_TRUE(again.Ftp1->EnablePASV());
    EXPECT_EQ(again.Ftp1->Charset(), fcsUTF8);
    again.Ftp1->OnStatus()(again.Ftp1, "220 hi");
    EXPECT_EQ(again.seen, (Statuses{"220 hi"}));
    // Read back as 21, which differs from the stored default 0 and is written from now on.
    EXPECT_NE(WriteComponentText(&again).find("Port = 21"), std::string::npos);
}

TEST(VellFtpModel, RegistersOnPageVell)
{
    Vellftp::Register();
    bool found = false;
    for (const TPaletteEntry& e : PaletteEntries()) found |= e.Page == "Vell" && e.ClassName == "TVellFtp";
    EXPECT_TRUE(found);
}

}  // namespace
