// Replies that a broken or hostile server sends: floods, endless replies, a vanishing server,
// NUL bytes. Nothing may crash, overrun a buffer (the sanitizer build), or hang beyond Cancel.
#include "tests/components/ftp/FtpTestSupport.h"

#include <chrono>

namespace {

TEST_F(ScriptedFtpTest, TwoMegabyteReplyWithoutLineEnd)
{
    server.Login().Expect("NOOP").Send(std::string(std::size_t{2} * 1024 * 1024, 'x')).Send("\r\n200 ok\r\n");
    server.Expect("NOOP").Reply("200 again");
    StartAndConnect();
    events.statuses.clear();
    ftp.DoCommand("NOOP");
    ftp.DoCommand("NOOP");  // whatever the first one left unread is read before this one goes out
    EXPECT_TRUE(server.Finish()) << server.Errors();
    std::size_t bytes = 0;
    for (const std::string& s : events.statuses) {
        EXPECT_LT(s.size(), 1048576u);
        if (s.find_first_not_of('x') == std::string::npos) bytes += s.size();
    }
    EXPECT_EQ(bytes, 2u * 1024 * 1024);  // nothing lost, nothing written past the buffer
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 again"));
}

TEST_F(ScriptedFtpTest, EndlessMultiLineReplyEndsOnCancel)
{
    server.Login().Expect("STAT").Do([](ScriptedFtpServer& s) {
        const std::string lines = "211-still going\r\n211-and going\r\n";
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end && s.WriteControl(lines, 1000)) {}
    });
    StartAndConnect();
    CancelAtTick(10);
    ftp.DoCommand("STAT");
    EXPECT_GE(ticks, 10);  // a reply never ends by itself, however the server is paced
    EXPECT_GT(events.statuses.size(), 2u);
    EXPECT_EQ(ftp.ResultCode(), 0);  // no reply was read to its end
    ftp.Disconnect();                // bounded, though the flood goes on; ends it
    EXPECT_FALSE(ftp.Connected());
}

TEST_F(ScriptedFtpTest, ServerClosingMidGreetingFailsTheConnection)
{
    server.Send("220-hello\r\n").CloseControl();
    server.Start();
    ASSERT_EQ(Raised([&] { ftp.Connect(); }), "接続に失敗しました。"_ansi);
    EXPECT_EQ(events.connectionFailures, 1);
    EXPECT_FALSE(ftp.Connected());
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_NO_THROW(ftp.Disconnect());
    ftp.ChangeDir("x");  // closed now: nothing is sent, and it fails
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcChangeDir}));
}

TEST_F(ScriptedFtpTest, ServerClosingAfterACommandFailsIt)
{
    server.Login().Expect("CWD x").CloseControl();
    StartAndConnect();
    ftp.ChangeDir("x");
    EXPECT_FALSE(ftp.Connected());
    EXPECT_TRUE(events.successes.empty());
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcChangeDir}));
    EXPECT_EQ(ftp.ResultCode(), 0);
}

TEST_F(ScriptedFtpTest, ServerClosingWhileIdleFailsTheNextCommand)
{
    server.Login().CloseControl();
    StartAndConnect();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    ftp.MakeDirectory("d");  // the close is noticed before anything is sent
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcMakeDir}));
    EXPECT_TRUE(events.successes.empty());
    EXPECT_FALSE(ftp.Connected());
}

TEST_F(ScriptedFtpTest, NulBytesEndALine)
{
    server.Login().Expect("NOOP").Send(std::string("200 a\0b\r\n", 9)).Expect("CWD x").Send(std::string("\0\0\0", 3));
    server.Pause(50).Reply("250 ok");
    StartAndConnect();
    ftp.DoCommand("NOOP");
    EXPECT_EQ(ftp.LastReply(), AnsiString("200 a"));
    EXPECT_EQ(ftp.ResultCode(), 200);
    ftp.ChangeDir("x");
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcChangeDir}));
}

}  // namespace
