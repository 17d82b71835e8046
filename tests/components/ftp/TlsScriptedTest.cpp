// EnableTLS against a scripted server: the exact command order, what a refused AUTH or a
// server that answers AUTH but speaks no TLS gets to see (never the password), the wire with
// EnableTLS off, and the new published members.
#include "tests/components/ftp/FtpTestSupport.h"

#include "toolkit/system/Published.h"

namespace {

using TlsScripted = ScriptedFtpTest;

TEST_F(TlsScripted, RefusedAuthFailsTheConnectionBeforeTheUserName)
{
    for (const char* refusal : {"500 AUTH not understood", "534 Request denied for policy reasons", "431 Unavailable"}) {
        SCOPED_TRACE(refusal);
        ScriptedFtpServer server;
        server.Reply("220 hello").Expect("AUTH TLS").Reply(refusal).ExpectClosed();
        server.Start();
        TVellFtp client(nullptr);
        client.SetEnableTLS(true);
        FtpEvents seen;
        AimAtLocalServer(client, seen, server.Port(), "user", "pass");
        EXPECT_EQ(Raised([&] { client.Connect(); }), "接続に失敗しました。"_ansi);
        EXPECT_EQ(seen.connectionFailures, 1);
        EXPECT_FALSE(client.Connected());
        EXPECT_TRUE(server.Finish()) << server.Errors();
        EXPECT_EQ(server.Received(), "AUTH TLS\r\n");
    }
}

TEST_F(TlsScripted, ServerThatSpeaksNoTlsAfterAuthNeverGetsThePassword)
{
    // 234, then plain text where the TLS handshake should be.
    server.Reply("220 hello").Expect("AUTH TLS").Reply("234 go ahead").Pause(200).Reply("331 send the password").CloseControl();
    server.Start();
    ftp.SetEnableTLS(true);
    EXPECT_ANY_THROW(ftp.Connect());
    EXPECT_FALSE(ftp.Connected());
    server.Finish();
    const std::string received = server.Received();
    EXPECT_EQ(received.rfind("AUTH TLS\r\n", 0), 0u);
    EXPECT_EQ(received.find("USER"), std::string::npos);
    EXPECT_EQ(received.find("pass"), std::string::npos);
}

TEST_F(TlsScripted, WithoutTlsTheWireIsUnchanged)
{
    server.Login()
        .Expect("PASV")
        .Pasv()
        .Expect("LIST")
        .AcceptData()
        .Reply("150 here")
        .SendData("a\r\n")
        .CloseData()
        .Reply("226 done");
    server.Start();
    ftp.SetEnablePASV(true);
    ftp.Connect();
    ftp.List();
    EXPECT_TRUE(server.Finish()) << server.Errors();
    EXPECT_EQ(server.Received(), "USER user\r\nPASS pass\r\nFEAT\r\nPASV\r\nLIST\r\n");
    EXPECT_EQ(events.items, (std::vector<std::string>{"a"}));
}

TEST(TlsProperties, StoredAfterSendDataSizeWithDefaultFalse)
{
    TVellFtp ftp(nullptr);
    EXPECT_FALSE(ftp.EnableTLS());
    EXPECT_TRUE(ftp.CertificateError().IsEmpty());
    const auto& props = TVellFtp::StaticClassInfo().Props;
    auto at = [&](const char* name) {
        for (std::size_t i = 0; i < props.size(); ++i)
            if (props[i].Name == name) return static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(at("EnableTLS"), 0);
    EXPECT_EQ(at("EnableTLS"), at("SendDataSize") + 1);
    EXPECT_GT(at("OnCertificateError"), at("SendDataSize"));
    ftp.SetEnableTLS(true);
    EXPECT_TRUE(ftp.EnableTLS());
}

}  // namespace
