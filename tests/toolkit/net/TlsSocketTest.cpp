// TLS on the socket components against a real TLS server (OpenSSL, loopback): the handshake,
// the certificate's verdict, session reuse, reads and readiness over decrypted bytes, and an
// accepted connection upgraded from inside its notification; IPv6 on ::1.
#include "tests/toolkit/net/TlsTestServer.h"
#include "toolkit/controls/Application.h"
#include "toolkit/net/ScktComp.h"
#include "toolkit/net/WinSock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstring>
#include <functional>
#include <string>

namespace {

bool PumpUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Reads exactly n bytes through the stream (each read waits up to the stream's limit).
std::string ReadExactly(TWinSocketStream& stream, std::size_t n)
{
    std::string out;
    char buffer[4096];
    while (out.size() < n) {
        const int got = stream.Read(buffer, static_cast<int>(std::min(sizeof buffer, n - out.size())));
        if (got <= 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
}

// A blocking client connected to the server, upgraded to TLS.
std::unique_ptr<TClientSocket> ConnectTls(const TlsTestServer& server, const AnsiString& address, const AnsiString& name,
                                          const TCustomWinSocket* resume = nullptr)
{
    auto client = std::make_unique<TClientSocket>(nullptr);
    client->SetClientType(ctBlocking);
    client->SetAddress(address);
    client->SetPort(server.Port());
    client->Open();
    TTlsOptions options;
    options.ServerName = name;
    options.ResumeFrom = resume;
    client->Socket()->StartTLS(options);
    return client;
}

class TlsClient : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Error().empty()) << server.Error(); }
    std::unique_ptr<TClientSocket> Connect(const AnsiString& address, const AnsiString& name,
                                           const TCustomWinSocket* resume = nullptr)
    {
        return ConnectTls(server, address, name, resume);
    }

    TlsTestServer server;
};

TEST_F(TlsClient, EchoesThroughTheStreamAndNamesTheUntrustedCertificate)
{
    auto client = Connect("127.0.0.1", "localhost");
    TCustomWinSocket* s = client->Socket();
    EXPECT_TRUE(s->TlsActive());
    EXPECT_FALSE(s->TlsProtocol().IsEmpty());
    EXPECT_NE(s->TlsVerifyResult(), 0);  // self-signed, not trusted
    EXPECT_NE(s->TlsVerifyError().str().find("self-signed"), std::string::npos) << s->TlsVerifyError().str();

    TWinSocketStream stream(s, 5000);
    std::string text(70000, '\0');  // several records
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 + i / 251);
    // The server echoes as it reads; write and read in turns so that neither side fills up.
    std::string back;
    for (std::size_t at = 0; at < text.size(); at += 10000) {
        const int n = static_cast<int>(std::min<std::size_t>(10000, text.size() - at));
        ASSERT_EQ(stream.Write(text.data() + at, n), n);
        back += ReadExactly(stream, static_cast<std::size_t>(n));
    }
    EXPECT_TRUE(back == text);
    client->Close();
    EXPECT_FALSE(client->Socket()->TlsActive());
}

// After ShutdownSend the server has everything and the end (close_notify, then the end of the
// stream), while this side still reads what the server sends after that.
TEST_F(TlsClient, ShutdownSendEndsTheSendingAndKeepsReading)
{
    auto client = Connect("127.0.0.1", "localhost");
    TCustomWinSocket* s = client->Socket();
    TWinSocketStream stream(s, 5000);
    const std::string text(30000, 'e');  // fits both sides' buffers: the echo waits unread
    ASSERT_EQ(stream.Write(text.data(), static_cast<int>(text.size())), static_cast<int>(text.size()));
    s->ShutdownSend(5000);
    EXPECT_TRUE(s->TlsActive());
    EXPECT_TRUE(ReadExactly(stream, text.size()) == text);
    // The server, having read the end, closes: the stream ends here.
    char c;
    int n = -1;
    for (int i = 0; i < 100 && n != 0; ++i) {
        if (!stream.WaitForData(5000)) break;
        n = s->ReceiveBuf(&c, 1);
    }
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(s->Connected());
}

TEST_F(TlsClient, CertificateTrustedForItsNamesOnly)
{
    ASSERT_TRUE(TlsTrustCertificates(AnsiString(server.CertificateFile())));
    struct Row {
        const char* name;
        bool trusted;
    } rows[] = {{"localhost", true}, {"127.0.0.1", true}, {"[::1]", true}, {"other.example", false}, {"127.0.0.2", false}};
    for (const Row& row : rows) {
        auto client = Connect("127.0.0.1", row.name);
        EXPECT_EQ(client->Socket()->TlsVerifyResult() == 0, row.trusted) << row.name;
        EXPECT_EQ(client->Socket()->TlsVerifyError().IsEmpty(), row.trusted) << row.name;
    }
    EXPECT_FALSE(TlsTrustCertificates(AnsiString("/nonexistent/cert.pem")));
}

TEST_F(TlsClient, SecondConnectionResumesTheFirstOnesSession)
{
    auto control = Connect("127.0.0.1", "localhost");
    TWinSocketStream stream(control->Socket(), 5000);
    // One exchange, so that the session ticket sent after the handshake has been read.
    ASSERT_EQ(stream.Write("x", 1), 1);
    ASSERT_EQ(ReadExactly(stream, 1), "x");
    auto data = Connect("127.0.0.1", "localhost", control->Socket());
    EXPECT_TRUE(data->Socket()->TlsSessionReused());
    EXPECT_FALSE(control->Socket()->TlsSessionReused());
    ASSERT_TRUE(PumpUntil([&] { return server.Handshakes() == 2; }));
    EXPECT_EQ(server.Resumed(), 1);
}

TEST_F(TlsClient, DecryptedBytesCountAsPendingAndReadable)
{
    server.SetGreeting(std::string(1000, 'g'));
    auto client = Connect("127.0.0.1", "localhost");
    TCustomWinSocket* s = client->Socket();
    TWinSocketStream stream(s, 5000);
    char buffer[10];
    ASSERT_EQ(stream.Read(buffer, 10), 10);
    // The whole record has left the socket; the rest waits inside TLS.
    u_long raw = 1;
    ASSERT_EQ(ioctlsocket(s->SocketHandle(), FIONREAD, &raw), 0);
    EXPECT_EQ(raw, 0u);
    EXPECT_GE(s->ReceiveLength(), 990);
    EXPECT_TRUE(stream.WaitForData(0));
    EXPECT_TRUE(s->Ready(false, 0));
    EXPECT_TRUE(s->ReadyOrMessages(false, 0));
    EXPECT_EQ(s->ReceiveText().str(), std::string(990, 'g'));
    EXPECT_FALSE(stream.WaitForData(0));
    EXPECT_EQ(s->ReceiveBuf(buffer, 10), -1);  // nothing there, still connected
}

// The two ways a peer ends after its last words: close_notify with the socket kept open (as
// vsftpd ends a data connection) is the end of the stream, which readiness tells at once; the
// socket closed without it (as pyftpdlib may) is told apart from other failures.
TEST(TlsStreamEnd, CloseNotifyEndsTheStreamAndItsAbsenceIsToldApart)
{
    const struct {
        const char* greeting;
        bool closeNotify;
    } ends[] = {{"last words", true}, {"cut short", false}};
    for (const auto& end : ends) {
        SCOPED_TRACE(end.greeting);
        TlsTestServer server;
        ASSERT_TRUE(server.Error().empty()) << server.Error();
        server.SetGreeting(end.greeting);
        server.SetShutdownAfterGreeting(end.closeNotify);
        server.SetCloseAfterGreeting(!end.closeNotify);
        auto client = ConnectTls(server, "127.0.0.1", "localhost");
        TCustomWinSocket* s = client->Socket();
        TWinSocketStream stream(s, 5000);
        EXPECT_EQ(ReadExactly(stream, std::strlen(end.greeting)), end.greeting);
        char c;
        bool withoutNotify = false;
        ASSERT_TRUE(PumpUntil([&] {
            try {
                return s->ReceiveBuf(&c, 1) == 0;
            } catch (const ETlsEndWithoutNotify&) {
                withoutNotify = true;
                return true;
            }
        }));
        EXPECT_EQ(withoutNotify, !end.closeNotify);
        EXPECT_FALSE(s->Connected());
        if (end.closeNotify) {
            EXPECT_TRUE(client->Active()) << "the socket stays open until the client closes it";
            EXPECT_TRUE(stream.WaitForData(0));
            EXPECT_TRUE(s->ReadyOrMessages(false, 0));
            EXPECT_EQ(stream.Read(&c, 1), 0);
        } else {
            EXPECT_FALSE(client->Active());
        }
    }
}

TEST_F(TlsClient, PlainPeerFailsTheHandshakeAndCancelEndsAWait)
{
    // A peer that answers the hello with plain text.
    TServerSocket plain(nullptr);
    plain.OnClientRead = TSocketNotifyEvent(
        [](TObject*, TCustomWinSocket* c) {
            c->ReceiveText();
            c->SendBuf("500 what?\r\n", 11);
            c->Close();
        },
        nullptr, "");
    plain.Open();
    TClientSocket client(nullptr);
    client.SetClientType(ctBlocking);
    client.SetAddress("127.0.0.1");
    client.SetPort(plain.LocalPort());
    client.Open();
    TTlsOptions options;
    options.ServerName = "localhost";
    EXPECT_THROW(client.Socket()->StartTLS(options), ESocketError);
    EXPECT_FALSE(client.Active());

    // A peer that never answers: the handshake ends when the caller cancels.
    TServerSocket silent(nullptr);
    silent.Open();
    client.SetPort(silent.LocalPort());
    client.Open();
    int asked = 0;
    options.Cancelled = [&] { return ++asked == 3; };
    options.SliceMs = 1;
    try {
        client.Socket()->StartTLS(options);
        ADD_FAILURE() << "no exception";
    } catch (const ESocketError& e) {
        EXPECT_NE(std::string(e.what()).find("cancelled"), std::string::npos) << e.what();
    }
    EXPECT_EQ(asked, 3);
    EXPECT_FALSE(client.Active());
    EXPECT_THROW(client.Socket()->StartTLS(options), ESocketError);  // not connected
}

TEST_F(TlsClient, AcceptedConnectionUpgradesInsideItsNotificationAndResumes)
{
    auto control = Connect("127.0.0.1", "localhost");
    TWinSocketStream stream(control->Socket(), 5000);
    ASSERT_EQ(stream.Write("x", 1), 1);
    ASSERT_EQ(ReadExactly(stream, 1), "x");

    TServerSocket listener(nullptr);
    std::string received;
    int writes = 0;
    bool upgraded = false, reused = false;
    listener.OnClientConnect = TSocketNotifyEvent(
        [&](TObject*, TCustomWinSocket* c) {
            TTlsOptions options;
            options.ServerName = "localhost";
            options.ResumeFrom = control->Socket();
            c->StartTLS(options);  // the loop runs meanwhile; no notification of c comes
            upgraded = c->TlsActive();
            reused = c->TlsSessionReused();
        },
        nullptr, "");
    listener.OnClientWrite = TSocketNotifyEvent(
        [&](TObject*, TCustomWinSocket* c) {
            EXPECT_TRUE(c->TlsActive());
            if (++writes == 1) { EXPECT_EQ(c->SendBuf("through", 7), 7); }
        },
        nullptr, "");
    listener.OnClientRead = TSocketNotifyEvent(
        [&](TObject*, TCustomWinSocket* c) {
            char buffer[3];  // small reads: the rest waits decrypted, and must be notified again
            const int n = c->ReceiveBuf(buffer, sizeof buffer);
            if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
        },
        nullptr, "");
    listener.Open();
    server.ConnectTo(listener.LocalPort());
    ASSERT_TRUE(PumpUntil([&] { return received == "through"; })) << received;
    EXPECT_TRUE(upgraded);
    EXPECT_TRUE(reused);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(server.Resumed(), 1);
    listener.Close();
}

TEST(Ipv6, ListenerAndClientOnLoopback)
{
    TServerSocket listener(nullptr);
    listener.SetFamily(sfIPv6);
    TCustomWinSocket* accepted = nullptr;
    listener.OnClientConnect = TSocketNotifyEvent([&](TObject*, TCustomWinSocket* c) { accepted = c; }, nullptr, "");
    listener.Open();
    EXPECT_THROW(listener.SetFamily(sfIPv4), ESocketError);
    EXPECT_NO_THROW(listener.SetFamily(sfIPv6));
    for (const char* address : {"::1", "[::1]"}) {
        TClientSocket client(nullptr);
        client.SetClientType(ctBlocking);
        client.SetAddress(address);
        client.SetPort(listener.LocalPort());
        client.Open();
        ASSERT_TRUE(PumpUntil([&] { return accepted != nullptr; })) << address;
        EXPECT_EQ(client.Socket()->AddressFamily(), AF_INET6);
        EXPECT_EQ(client.Socket()->RemoteAddress(), AnsiString("::1"));
        EXPECT_EQ(client.Socket()->LocalAddress(), AnsiString("::1"));
        EXPECT_EQ(client.Socket()->RemotePort(), listener.LocalPort());
        EXPECT_EQ(accepted->RemoteAddress(), AnsiString("::1"));
        EXPECT_EQ(accepted->RemotePort(), client.Socket()->LocalPort());
        accepted = nullptr;
    }
    // The IPv6 listener leaves IPv4 alone.
    TClientSocket v4(nullptr);
    v4.SetClientType(ctBlocking);
    v4.SetAddress("127.0.0.1");
    v4.SetPort(listener.LocalPort());
    EXPECT_THROW(v4.Open(), ESocketError);

    TServerSocket plain(nullptr);
    plain.Open();
    v4.SetPort(plain.LocalPort());
    v4.Open();
    EXPECT_EQ(v4.Socket()->AddressFamily(), AF_INET);
    EXPECT_EQ(v4.Socket()->RemoteAddress(), AnsiString("127.0.0.1"));
}

TEST(Ipv6, TlsOverIpv6VerifiesTheAddressLiteral)
{
    TlsTestServer server(true);
    ASSERT_TRUE(server.Error().empty()) << server.Error();
    ASSERT_TRUE(TlsTrustCertificates(AnsiString(server.CertificateFile())));
    TClientSocket client(nullptr);
    client.SetClientType(ctBlocking);
    client.SetHost("::1");
    client.SetPort(server.Port());
    client.Open();
    TTlsOptions options;
    options.ServerName = "::1";
    client.Socket()->StartTLS(options);
    EXPECT_EQ(client.Socket()->TlsVerifyResult(), 0) << client.Socket()->TlsVerifyError().str();
    TWinSocketStream stream(client.Socket(), 5000);
    ASSERT_EQ(stream.Write("six", 3), 3);
    EXPECT_EQ(ReadExactly(stream, 3), "six");
}

}  // namespace
