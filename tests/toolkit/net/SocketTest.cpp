// The socket components on real loopback sockets: blocking client and stream, and the
// listening socket's notifications from the event loop.
#include "tests/fixtures/Raised.h"
#include "toolkit/controls/Application.h"
#include "toolkit/net/ScktComp.h"
#include "toolkit/net/WinSock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <string>

namespace {

// Runs the event loop until `done` holds (or a generous limit passes, so a fault cannot hang).
bool PumpUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

struct Counts {
    int connects = 0, reads = 0, writes = 0, disconnects = 0;
    std::string received;
};

class ServerSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.OnClientConnect = TSocketNotifyEvent(
            [this](TObject*, TCustomWinSocket* s) {
                ++counts.connects;
                accepted = s;
            },
            nullptr, "");
        server.OnClientRead = TSocketNotifyEvent(
            [this](TObject*, TCustomWinSocket* s) {
                ++counts.reads;
                counts.received += s->ReceiveText().str();
                if (onRead) onRead(s);
            },
            nullptr, "");
        server.OnClientWrite = TSocketNotifyEvent([this](TObject*, TCustomWinSocket*) { ++counts.writes; }, nullptr, "");
        server.OnClientDisconnect =
            TSocketNotifyEvent([this](TObject*, TCustomWinSocket*) { ++counts.disconnects; }, nullptr, "");
        server.SetPort(0);
        server.Open();
        client.SetClientType(ctBlocking);
        client.SetAddress("127.0.0.1");
        client.SetPort(server.LocalPort());
        client.Open();
        ASSERT_TRUE(PumpUntil([&] { return counts.connects == 1; }));
    }

    TServerSocket server{nullptr};
    TClientSocket client{nullptr};
    TCustomWinSocket* accepted = nullptr;
    Counts counts;
    std::function<void(TCustomWinSocket*)> onRead;
};

TEST_F(ServerSocketTest, WriteNotificationComesOnceThenOnlyAfterASendWouldBlock)
{
    ASSERT_TRUE(PumpUntil([&] { return counts.writes == 1; }));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(counts.writes, 1);

    std::string block(65536, 'z');
    while (accepted->SendBuf(block.data(), static_cast<int>(block.size())) > 0) {}
    EXPECT_EQ(accepted->SendBuf(block.data(), 1), -1);  // full
    TWinSocketStream stream(client.Socket(), 1000);
    std::string sink(1 << 20, '\0');
    ASSERT_TRUE(PumpUntil([&] {
        stream.Read(sink.data(), static_cast<int>(sink.size()));
        return counts.writes == 2;
    }));
}

TEST_F(ServerSocketTest, ReadNotificationsWhileDataWaitsThenOneDisconnect)
{
    TWinSocketStream stream(client.Socket(), 1000);
    EXPECT_EQ(stream.Write("ping", 4), 4);
    ASSERT_TRUE(PumpUntil([&] { return counts.received == "ping"; }));
    client.Close();
    ASSERT_TRUE(PumpUntil([&] { return counts.disconnects == 1; }));
    const int reads = counts.reads;
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(counts.reads, reads);  // a readable end of stream does not keep firing
    EXPECT_EQ(server.ActiveConnections(), 0);
}

TEST_F(ServerSocketTest, ClosingTheServerFromItsOwnNotificationIsSafe)
{
    onRead = [&](TCustomWinSocket*) {
        server.Close();
        Application->ProcessMessages();  // nested notifications must not touch what was closed
    };
    TWinSocketStream stream(client.Socket(), 1000);
    stream.Write("x", 1);
    ASSERT_TRUE(PumpUntil([&] { return !server.Active(); }));
    EXPECT_EQ(server.ActiveConnections(), 0);
    EXPECT_TRUE(stream.WaitForData(2000));  // the client sees the end
    char c;
    EXPECT_EQ(stream.Read(&c, 1), 0);
    EXPECT_FALSE(client.Socket()->Connected());
    server.Open();  // and it can listen again
    EXPECT_TRUE(server.Active());
}

TEST_F(ServerSocketTest, BlockingStreamWaitsAndReads)
{
    TWinSocketStream stream(client.Socket(), 50);
    char buffer[8];
    EXPECT_FALSE(stream.WaitForData(20));
    EXPECT_EQ(stream.Read(buffer, 8), 0);  // the wait ran out
    accepted->SendBuf("abc", 3);
    EXPECT_TRUE(stream.WaitForData(2000));
    u_long pending = 0;
    EXPECT_EQ(ioctlsocket(client.Socket()->SocketHandle(), FIONREAD, &pending), 0);
    EXPECT_EQ(pending, 3u);
    EXPECT_EQ(stream.Read(buffer, 8), 3);
    EXPECT_EQ(client.Socket()->RemotePort(), server.LocalPort());
    EXPECT_EQ(accepted->RemoteAddress(), AnsiString("127.0.0.1"));
}

TEST(ClientSocket, RefusesChangesWhileActiveAndReportsFailures)
{
    TServerSocket listener(nullptr);
    listener.Open();
    const int port = listener.LocalPort();
    TClientSocket client(nullptr);
    client.SetClientType(ctBlocking);
    client.SetHost("localhost");
    client.SetPort(port);
    client.Open();
    EXPECT_TRUE(client.Active());
    EXPECT_TRUE(client.Socket()->Connected());
    EXPECT_NO_THROW(client.SetPort(port));
    EXPECT_THROW(client.SetPort(port + 1), ESocketError);
    EXPECT_THROW(client.SetHost("127.0.0.1"), ESocketError);
    EXPECT_THROW(client.SetAddress("127.0.0.1"), ESocketError);
    EXPECT_THROW(listener.SetPort(port + 1), ESocketError);
    client.Open();  // already open: nothing happens
    client.Close();
    client.Close();
    EXPECT_FALSE(client.Active());

    listener.Close();
    const std::string raised = Raised<ESocketError>([&] { client.Open(); }).str();
    EXPECT_NE(raised.find("localhost:" + std::to_string(port)), std::string::npos) << raised;
    client.SetPort(-1);
    EXPECT_THROW(client.Open(), ESocketError);
    client.SetPort(21);
    client.SetHost("no-such-host.invalid");
    EXPECT_THROW(client.Open(), ESocketError);
    EXPECT_FALSE(client.Active());
}

TEST(ClientSocket, StreamNeedsTheBlockingType)
{
    TClientSocket client(nullptr);
    client.SetClientType(ctNonBlocking);
    EXPECT_THROW(TWinSocketStream(client.Socket(), 100), ESocketError);
}

TEST(ServerSocket, PortInUseRaises)
{
    TServerSocket first(nullptr);
    first.Open();
    TServerSocket second(nullptr);
    second.SetPort(first.LocalPort());
    EXPECT_THROW(second.Open(), ESocketError);
    EXPECT_FALSE(second.Active());
}

TEST(WinSock, HostNameLooksUp)
{
    char name[64] = {};
    ASSERT_EQ(gethostname(name, sizeof name), 0);
    hostent* host = gethostbyname(name);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->h_addrtype, AF_INET);
    u_long pending = 0;
    EXPECT_EQ(ioctlsocket(-1, FIONREAD, &pending), SOCKET_ERROR);
}

}  // namespace
