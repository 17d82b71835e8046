// The client over IPv6 against the real servers listening on ::1: data connections by EPSV
// (passive) and EPRT (active), listings and byte-exact transfers, and the IPv4 wire left as it
// was.
#include "tests/components/ftp/NssWrappedCopy.h"
#include "tests/components/ftp/RealServerClient.h"

#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Ipv6RealServer : public ::testing::TestWithParam<ServerScenario>, protected RealServerClient {
protected:
    void SetUp() override
    {
        if (!Aim(server, "::1", std::get<1>(GetParam()))) GTEST_SKIP() << ServerMissingText(server);
        ASSERT_GT(server.Port(), 0) << server.Error();
        ConnectBinary();
    }

    RealFtpServer server{std::get<0>(GetParam()), FtpServerVariant::Ipv6};
};

INSTANTIATE_TEST_SUITE_P(Servers, Ipv6RealServer, EveryServerBothModes(), ServerScenarioName);

TEST_P(Ipv6RealServer, ListsAndTransfersOverExtendedDataConnections)
{
    WriteFileBytes(server / "a.txt", "a");
    fs::create_directory(server / "sub");
    ftp.Nlist();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "sub"}));

    for (std::size_t size : {std::size_t{0}, std::size_t{1025}, std::size_t{2 * 1024 * 1024 + 3}}) RoundTrip(server, size);
    EXPECT_EQ(events.successes, Kinds(6, fcTransfer));
    EXPECT_TRUE(events.failures.empty()) << ftp.LastReply().str();
    // PASV and PORT cannot name an IPv6 address: the extended commands were used.
    EXPECT_FALSE(AnyStatus(events.statuses, "227"));
    if (std::get<1>(GetParam())) { EXPECT_TRUE(AnyStatus(events.statuses, "229")); }
}

// A host name that resolves only to ::1. The resolver reads its hosts file when the process
// starts, so the test runs itself again with nss_wrapper's file naming the address: the copy
// connects by that name, lists and downloads.
constexpr const char* kIpv6OnlyName = "tavin3-ipv6-only.test";

TEST(Ipv6OnlyName, ConnectsListsAndDownloads)
{
    if (const char* port = std::getenv("TAVIN3_IPV6_NAME_PORT")) {
        TempDir local;
        TVellFtp ftp(nullptr);
        ftp.SetHost(kIpv6OnlyName);
        ftp.SetPort(std::atoi(port));
        ftp.SetUserID(RealFtpServer::User);
        ftp.SetPassword(RealFtpServer::Password);
        ftp.SetEnablePASV(true);
        ftp.Loaded();
        FtpEvents events;
        events.Attach(ftp);
        ftp.Connect();
        ASSERT_TRUE(ftp.Connected()) << ftp.LastReply().str();
        ftp.Nlist();
        EXPECT_NE(std::find(events.items.begin(), events.items.end(), "by-name"), events.items.end())
            << testing::PrintToString(events.items);
        ftp.Download("by-name", AnsiString(local / "by-name"));
        EXPECT_EQ(ReadFileBytes(local / "by-name"), "reached by a name");
        EXPECT_TRUE(AnyStatus(events.statuses, "229"));  // EPSV: the server is on ::1 only
        return;
    }
    if (!NssWrapperInstalled() && !RealFtpServersRequired()) GTEST_SKIP() << "libnss-wrapper is not installed";
    RealFtpServer server(FtpServerKind::Vsftpd, FtpServerVariant::Ipv6);
    if (server.Port() == 0 && server.Missing() && !RealFtpServersRequired())
        GTEST_SKIP() << server.Error() << " (set CI or TAVIN3_FTP_SERVERS=required to make this a failure)";
    ASSERT_GT(server.Port(), 0) << server.Error();
    WriteFileBytes(server / "by-name", "reached by a name");
    const WrappedCopyRun copy = RunWrappedCopy("Ipv6OnlyName.*", std::string("::1 ") + kIpv6OnlyName + "\n",
                                               {{"TAVIN3_IPV6_NAME_PORT", std::to_string(server.Port())}});
    EXPECT_TRUE(copy.Passed()) << copy.output;
    // Without the wrapper the name is unknown here: the copy really resolved it through the file.
    TVellFtp ftp(nullptr);
    ftp.SetHost(kIpv6OnlyName);
    ftp.SetPort(server.Port());
    ftp.Loaded();
    EXPECT_THROW(ftp.Connect(), Exception);
}

TEST(ExtendedPassiveReply, GivesThePortOrRefuses)
{
    TVellFtp ftp(nullptr);
    const struct {
        const char* reply;
        int port;
    } rows[] = {
        {"229 Entering Extended Passive Mode (|||6446|)", 6446},
        {"229 Entering Extended Passive Mode (!!!65535!)", 65535},
        {"229 ok (|||1|) and more", 1},
        {"229 Entering Extended Passive Mode (|||0|)", -1},
        {"229 Entering Extended Passive Mode (|||65536|)", -1},
        {"229 Entering Extended Passive Mode (|||644x|)", -1},
        {"229 Entering Extended Passive Mode (||::1|6446|)", -1},  // an address is not taken
        {"229 Entering Extended Passive Mode (|||6446)", -1},
        {"229 Entering Extended Passive Mode |||6446|", -1},
        {"229 Entering Extended Passive Mode (11164461)", -1},
        {"227 Entering Passive Mode (127,0,0,1,4,1)", -1},
        {"500 EPSV not understood", -1},
        {"", -1},
    };
    for (const auto& row : rows) EXPECT_EQ(VellFtpTestAccess::ParseEPSV(ftp, AnsiString(row.reply)), row.port) << row.reply;
}

}  // namespace
