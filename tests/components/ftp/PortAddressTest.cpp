// The PORT argument names the control connection's own local address, whatever the host name
// resolves to: another interface, a VPN's, or nothing. The name resolves through nss_wrapper's
// hosts file in a copy of this program; every connection stays on loopback, and the scripted
// server refuses the transfer, so no data connection is ever made.
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/NssWrappedCopy.h"
#include "tests/fixtures/TempDir.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netdb.h>

namespace {

constexpr const char* kCopyVariable = "TAVIN3_PORT_HOST_COPY";
constexpr const char* kHostName = "tavin3-port-host";

struct HostNameCase {
    const char* name;
    const char* hosts;       // nss_wrapper's hosts file in the copy
    const char* resolvesTo;  // the host name's first address there; nullptr: it does not resolve
};
void PrintTo(const HostNameCase& c, std::ostream* os) { *os << c.name; }

class PortAddress : public ScriptedFtpTest, public testing::WithParamInterface<HostNameCase> {
protected:
    // The copy checks that the wrapper is in force, then what goes on the wire.
    void InCopy()
    {
        char name[256] = {};
        ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
        ASSERT_STREQ(name, kHostName);
        const hostent* host = gethostbyname(name);
        if (!GetParam().resolvesTo) {
            EXPECT_EQ(host, nullptr);
        } else {
            ASSERT_TRUE(host && host->h_addrtype == AF_INET && host->h_addr_list[0]);
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, host->h_addr_list[0], text, sizeof text);
            EXPECT_STREQ(text, GetParam().resolvesTo);
        }
        TempDir local;
        server.Login().ExpectPrefix("PORT 127,0,0,1,").Reply("200 PORT ok").Expect("RETR f").Reply("550 No such file");
        server.Expect("NOOP").Reply("200 ok");
        StartAndConnect();
        ftp.Download("f", AnsiString(local / "f"));
        EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcTransfer}));
        ftp.DoCommand("NOOP");  // the refused transfer left the connection in step
        ASSERT_TRUE(server.Finish()) << server.Errors();
        EXPECT_EQ(ftp.ResultCode(), 200);
    }
};

TEST_P(PortAddress, IsTheControlConnectionsWhateverTheHostNameResolvesTo)
{
    if (std::getenv(kCopyVariable)) return InCopy();
    if (!NssWrapperInstalled()) GTEST_SKIP() << "libnss-wrapper is not installed";
    const std::string self = testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + std::string(".") +
                             testing::UnitTest::GetInstance()->current_test_info()->name();
    const WrappedCopyRun copy = RunWrappedCopy(self, GetParam().hosts, {{kCopyVariable, "1"}, {"NSS_WRAPPER_HOSTNAME", kHostName}});
    EXPECT_TRUE(copy.Passed()) << copy.output;
}

INSTANTIATE_TEST_SUITE_P(HostNames, PortAddress,
                         testing::Values(HostNameCase{"OtherInterface", "10.9.8.7 tavin3-port-host\n", "10.9.8.7"},
                                         HostNameCase{"VpnAddressFirst", "198.51.100.4 tavin3-port-host\n127.0.0.1 tavin3-port-host\n",
                                                      "198.51.100.4"},
                                         HostNameCase{"Unresolvable", "127.0.0.1 someone-else\n", nullptr}),
                         [](const testing::TestParamInfo<HostNameCase>& i) { return std::string(i.param.name); });

}  // namespace
