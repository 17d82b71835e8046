// The real servers that end an idle session (pyftpdlib, vsftpd, proftpd), plain and over TLS:
// after the server has closed, a transfer fails saying so and leaves the local file alone,
// and the next Connect transfers byte-exact.
#include "tests/components/ftp/RealServerClient.h"

#include <poll.h>
#include <tuple>

namespace {

constexpr int kIdleSeconds = 2;

using IdleScenario = std::tuple<FtpServerKind, bool, bool>;  // server, TLS, passive

class IdleRealServer : public ::testing::TestWithParam<IdleScenario>, protected RealServerClient {
protected:
    void SetUp() override
    {
        if (!Aim(server, Tls() ? "localhost" : "127.0.0.1", std::get<2>(GetParam()))) GTEST_SKIP() << ServerMissingText(server);
        ASSERT_GT(server.Port(), 0) << server.Error();
        if (Tls()) {
            ftp.SetEnableTLS(true);
            ftp.SetOnCertificateError(TFtpHandledEvent([](bool& handled) { handled = true; }, nullptr, ""));
        }
    }
    bool Tls() const { return std::get<1>(GetParam()); }
    // Waits (without reading) until the server has ended the control connection.
    bool ServerHasClosed()
    {
        pollfd p{VellFtpTestAccess::ControlSocket(ftp)->Socket()->SocketHandle(), POLLRDHUP, 0};
        return ::poll(&p, 1, 60000) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
    }

    RealFtpServer server{std::get<0>(GetParam()), Tls() ? FtpServerVariant::Tls : FtpServerVariant::Plain, kIdleSeconds};
};

TEST_P(IdleRealServer, TransferAfterTheIdleTimeoutFailsAndTheNextConnectWorks)
{
    const std::string bytes = Pattern(100000, 5);
    WriteFileBytes(server / "f", bytes);
    WriteFileBytes(local / "f", "local bytes");
    ftp.Connect();
    ASSERT_TRUE(ftp.Connected()) << ftp.LastReply().str();
    ASSERT_TRUE(ServerHasClosed());

    events.handleFailure = false;
    const std::string message = Raised([&] { ftp.Download("f", Local("f")); }).str();
    EXPECT_NE(message.find("the server closed the connection"), std::string::npos) << message;
    // Over TLS, proftpd closes without a word and vsftpd writes its 421 outside the
    // session (a decode error here): only the close itself can be told then.
    if (!Tls() || std::get<0>(GetParam()) == FtpServerKind::Pyftpdlib) {
        EXPECT_NE(message.find(": 421"), std::string::npos) << message;
    }
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    EXPECT_TRUE(events.successes.empty());
    EXPECT_FALSE(ftp.Connected());
    EXPECT_LE(ftp.ResultCode(), 0);
    EXPECT_EQ(ReadFileBytes(local / "f"), "local bytes");

    events.handleFailure = true;
    events.failures.clear();
    ftp.Connect();
    ftp.DoCommand("TYPE I");
    ftp.Download("f", Local("f"));
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
    EXPECT_TRUE(events.failures.empty());
    EXPECT_TRUE(ReadFileBytes(local / "f") == bytes);
}

INSTANTIATE_TEST_SUITE_P(Servers, IdleRealServer,
                         testing::Combine(testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::Vsftpd, FtpServerKind::Proftpd),
                                          testing::Bool(), testing::Bool()),
                         [](const testing::TestParamInfo<IdleScenario>& info) {
                             std::string name = FtpServerName(std::get<0>(info.param));
                             return name + (std::get<1>(info.param) ? "_Tls" : "_Plain") +
                                    (std::get<2>(info.param) ? "_Passive" : "_Active");
                         });

}  // namespace
