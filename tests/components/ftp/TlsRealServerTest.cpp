// Explicit TLS against the real servers, each requiring TLS for the login and every data
// connection (vsftpd and proftpd also require the data connections to resume the control
// connection's session): login, listings and byte-exact transfers in both modes, the
// certificate's verdict and its handler, and a server that refuses AUTH TLS.
#include "tests/components/ftp/RealServerClient.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// A client with EnableTLS that counts the certificate reports and accepts or refuses as told.
class TlsClient : protected RealServerClient {
protected:
    bool Prepare(const RealFtpServer& server, bool passive)
    {
        if (!Aim(server, "localhost", passive)) return false;
        ftp.SetEnableTLS(true);
        ftp.SetOnCertificateError(TFtpHandledEvent(
            [this](bool& handled) {
                ++certificateErrors;
                reasons.push_back(ftp.CertificateError().str());
                handled = acceptCertificate;
            },
            nullptr, ""));
        return true;
    }

    int certificateErrors = 0;
    bool acceptCertificate = true;
    std::vector<std::string> reasons;
};

class TlsRealServer : public ::testing::TestWithParam<ServerScenario>, protected TlsClient {
protected:
    void SetUp() override
    {
        if (!Prepare(server, std::get<1>(GetParam()))) GTEST_SKIP() << ServerMissingText(server);
        ASSERT_GT(server.Port(), 0) << server.Error();
        ASSERT_FALSE(server.CertificateFile().empty());
    }

    RealFtpServer server{std::get<0>(GetParam()), FtpServerVariant::Tls};
};

INSTANTIATE_TEST_SUITE_P(Servers, TlsRealServer, EveryServerBothModes(), ServerScenarioName);

TEST_P(TlsRealServer, LogsInOverTlsListsAndTransfersByteExact)
{
    ftp.Connect();
    ASSERT_TRUE(ftp.Connected()) << ftp.LastReply().str();
    // The self-signed certificate was reported once, with its reason, and accepted.
    EXPECT_EQ(certificateErrors, 1);
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_NE(reasons[0].find("self-signed"), std::string::npos) << reasons[0];
    // AUTH TLS was answered before the user name went out; PBSZ and PROT after the login.
    const int auth = StatusIndex(events.statuses, "234");
    const int user = std::max(StatusIndex(events.statuses, "331"), StatusIndex(events.statuses, "230"));
    ASSERT_GE(auth, 0) << testing::PrintToString(events.statuses);
    EXPECT_LT(auth, user) << testing::PrintToString(events.statuses);
    EXPECT_EQ(events.connects, 1);

    ftp.DoCommand("TYPE I");
    ASSERT_EQ(ftp.ResultCode(), 200) << ftp.LastReply().str();
    WriteFileBytes(server / "a.txt", "a");
    fs::create_directory(server / "sub");
    ftp.Nlist();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "sub"}));
    events.items.clear();
    ftp.List();
    EXPECT_GE(events.items.size(), 2u);

    // Sizes around the TLS record size (16384) and a large one.
    const std::size_t sizes[] = {0, 1, 16384, 16385, 3 * 1024 * 1024 + 5};
    for (std::size_t size : sizes) RoundTrip(server, size);
    EXPECT_EQ(events.successes, Kinds(2 * std::size(sizes), fcTransfer));
    EXPECT_TRUE(events.failures.empty()) << ftp.LastReply().str();
    EXPECT_EQ(certificateErrors, 1);  // data connections do not ask again
    ftp.Disconnect();
    EXPECT_FALSE(ftp.Connected());
}

// pyftpdlib ends an empty listing's data connection without close_notify: the closing reply,
// over the protected control connection, vouches for the end. The next listing is in step.
TEST_P(TlsRealServer, EmptyDirectoryListsNothingAndTheNextListingWorks)
{
    ftp.Connect();
    ASSERT_TRUE(ftp.Connected()) << ftp.LastReply().str();
    fs::create_directory(server / "empty");
    fs::create_directory(server / "full");
    WriteFileBytes(server / "full/one", "1");
    for (const bool names : {false, true}) {
        events.items.clear();
        if (names) ftp.Nlist("empty");
        else ftp.List("empty");
        EXPECT_TRUE(Names().empty()) << testing::PrintToString(events.items);
    }
    ftp.Nlist("full");
    ASSERT_EQ(Names().size(), 1u) << testing::PrintToString(events.items);
    EXPECT_TRUE(Names()[0].ends_with("one")) << Names()[0];
    ftp.ChangeDir("empty");
    EXPECT_EQ(events.successes, (Kinds{fcChangeDir}));
}

// proftpd sends no new session ticket on a connection it only reads, so a run of uploads
// outlasts the tickets the login brought.
TEST_P(TlsRealServer, RunOfUploadsThenDownloadAndListing)
{
    ftp.Connect();
    ftp.DoCommand("TYPE I");
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const std::string name = "run-" + std::to_string(i);
        const std::string bytes = Pattern(1000u + static_cast<unsigned>(i), static_cast<unsigned>(i));
        WriteFileBytes(local / name, bytes);
        ftp.Upload(Local(name), AnsiString(name));
        EXPECT_TRUE(ReadFileBytes(server / name) == bytes) << ftp.LastReply().str();
    }
    ftp.Download("run-5", Local("back"));
    EXPECT_TRUE(ReadFileBytes(local / "back") == Pattern(1005, 5));
    ftp.Nlist();
    const auto names = std::count_if(events.items.begin(), events.items.end(),
                                     [](const std::string& item) { return item.rfind("run-", 0) == 0; });
    EXPECT_EQ(names, 6) << testing::PrintToString(events.items);
    EXPECT_EQ(events.successes, Kinds(7, fcTransfer));
    EXPECT_TRUE(events.failures.empty()) << ftp.LastReply().str();
}

TEST_P(TlsRealServer, CancelledDownloadLeavesTheConnectionInStep)
{
    ftp.Connect();
    ftp.DoCommand("TYPE I");
    const std::string big = Pattern(std::size_t{32} * 1024 * 1024, 5);
    WriteFileBytes(server / "big", big);
    events.onPacketReceived = [&] {
        if (events.packetsReceived == 4) ftp.Cancel();
    };
    ftp.Download("big", Local("big"));
    events.onPacketReceived = nullptr;
    EXPECT_EQ(events.failures, (Kinds{fcTransfer}));
    const auto partial = fs::file_size(local / "big");
    EXPECT_LT(partial, big.size());
    EXPECT_TRUE(ReadFileBytes(local / "big") == big.substr(0, partial));

    const std::string small = "after the cancel";
    WriteFileBytes(server / "small", small);
    ftp.Download("small", Local("small"));
    EXPECT_EQ(ReadFileBytes(local / "small"), small);
    EXPECT_EQ(events.successes, (Kinds{fcTransfer}));
}

TEST_P(TlsRealServer, UntrustedCertificateUnhandledClosesAndNamesTheReason)
{
    acceptCertificate = false;
    const AnsiString raised = Raised([&] { ftp.Connect(); });
    EXPECT_NE(raised.str().find("self-signed"), std::string::npos) << raised.str();
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(certificateErrors, 1);
    EXPECT_EQ(StatusIndex(events.statuses, "331"), -1);  // no user name was sent
    EXPECT_EQ(StatusIndex(events.statuses, "230"), -1);

    // Accepted by the handler the next time.
    acceptCertificate = true;
    ftp.Connect();
    EXPECT_TRUE(ftp.Connected());
    EXPECT_EQ(certificateErrors, 2);
}

// One server is enough for what does not depend on the server.
class TlsVsftpd : public ::testing::Test, protected TlsClient {
protected:
    void SetUp() override
    {
        if (!Prepare(server, true)) GTEST_SKIP() << ServerMissingText(server);
        ASSERT_GT(server.Port(), 0) << server.Error();
    }
    RealFtpServer server{FtpServerKind::Vsftpd, FtpServerVariant::Tls};
};

TEST_F(TlsVsftpd, TrustedCertificateNeedsNoHandlerForEitherOfItsNames)
{
    ASSERT_TRUE(TlsTrustCertificates(AnsiString(server.CertificateFile())));
    for (const char* host : {"localhost", "127.0.0.1"}) {
        SCOPED_TRACE(host);
        ftp.SetHost(host);
        ftp.Connect();
        EXPECT_TRUE(ftp.Connected());
        EXPECT_EQ(certificateErrors, 0);
        WriteFileBytes(server / "t", "trusted");
        ftp.Download("t", AnsiString(local / "t"));
        EXPECT_EQ(ReadFileBytes(local / "t"), "trusted");
        ftp.Disconnect();
    }
}

// Over TLS several blocks go out in one record, yet each is counted and reported on its own.
TEST_F(TlsVsftpd, UploadReportsEveryBlockInBothModes)
{
    ftp.Connect();
    ftp.SetSendDataSize(1000);
    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive);
        ftp.SetEnablePASV(passive);
        std::vector<int> counts;
        events.onPacketSent = [&] { counts.push_back(static_cast<int>(ftp.SentSize())); };
        const std::string bytes = Pattern(40500, passive ? 1 : 2);
        WriteFileBytes(local / "blocks", bytes);
        ftp.Upload(Local("blocks"), "blocks");
        EXPECT_TRUE(ReadFileBytes(server / "blocks") == bytes);
        std::vector<int> expected;
        for (int sent = 1000; sent < 40500; sent += 1000) expected.push_back(sent);
        expected.push_back(40500);
        EXPECT_EQ(counts, expected);
    }
    EXPECT_EQ(events.successes, Kinds(2, fcTransfer));
}

TEST_F(TlsVsftpd, PlainLoginIsRefusedByTheServerWithoutTls)
{
    // The same server turns a client without TLS away: the test server really requires it.
    ftp.SetEnableTLS(false);
    EXPECT_THROW(ftp.Connect(), Exception);
    EXPECT_EQ(events.connectionFailures, 1);
}

TEST(TlsRefused, ServerWithoutTlsFailsTheConnectionBeforeTheLogin)
{
    for (FtpServerKind kind : {FtpServerKind::Pyftpdlib, FtpServerKind::Vsftpd}) {
        RealFtpServer server(kind);
        if (server.Port() == 0 && server.Missing() && !RealFtpServersRequired()) continue;
        ASSERT_GT(server.Port(), 0) << server.Error();
        SCOPED_TRACE(FtpServerName(kind));
        TVellFtp ftp(nullptr);
        ftp.SetEnableTLS(true);
        FtpEvents events;
        AimAtLocalServer(ftp, events, server.Port(), RealFtpServer::User, RealFtpServer::Password);
        EXPECT_EQ(Raised([&] { ftp.Connect(); }), "接続に失敗しました。"_ansi);
        EXPECT_EQ(events.connectionFailures, 1);
        EXPECT_FALSE(ftp.Connected());
        EXPECT_EQ(StatusIndex(events.statuses, "331"), -1) << testing::PrintToString(events.statuses);
        EXPECT_EQ(StatusIndex(events.statuses, "230"), -1);
    }
}

}  // namespace
