// The parsing behind data connections: 227 replies, announced sizes, PORT arguments.
#include "tests/components/ftp/FtpTestSupport.h"

#include <cstdio>

namespace {

struct PasvCase {
    const char* reply;
    const char* address;
    int port;
};

TEST(DataReplies, ParsePasv)
{
    TVellFtp ftp(nullptr);
    for (const PasvCase& c : {
             PasvCase{"227 Entering Passive Mode (192,168,0,10,19,137)", "192.168.0.10", 5001},
             PasvCase{"227 Entering Passive Mode (10, 0, 0, 1, 4, 1)", "10. 0. 0. 1", 1025},
             PasvCase{"227 =(127,0,0,1,200,10).", "127.0.0.1", 51210},
             PasvCase{"425 Can't open passive connection", "", -1},
             PasvCase{"227 garbage", "", -1},
             PasvCase{"227 Entering Passive Mode 127,0,0,1,4,1", "", -1},
             PasvCase{"227 Entering Passive Mode (127,0,0)", "", -1},
             PasvCase{"227 (a,b,c,d,e,f)", "a.b.c.d", 0},
             PasvCase{"", "", -1},
         }) {
        AnsiString address("stale");
        EXPECT_EQ(VellFtpTestAccess::ParsePASV(ftp, address, c.reply), c.port) << c.reply;
        EXPECT_EQ(address, AnsiString(c.address)) << c.reply;
    }
}

TEST(DataReplies, ReceiveSize)
{
    TVellFtp ftp(nullptr);
    struct Case {
        const char* reply;
        int64_t size;
    };
    for (const Case& c : {
             Case{"150 Opening BINARY mode data connection for f.txt (1234 bytes).", 1234},
             Case{"150 Opening BINARY mode data connection for a(1).txt (1234 bytes).", 1234},
             Case{"150 File status okay. About to open data connection.", -1},
             Case{"150 Here comes (the file", 0},
             Case{"150 Opening BINARY mode data connection for disk.img (4831838208 bytes).", 4831838208},
             Case{"150 (99999999999 bytes)", 99999999999},
         })
        EXPECT_EQ(VellFtpTestAccess::ReceiveSize(ftp, c.reply), c.size) << c.reply;
}

// The last two numbers of a PORT argument.
int PortOf(const AnsiString& argument)
{
    unsigned h[6];
    if (std::sscanf(argument.c_str(), "%u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]) != 6) return -1;
    for (unsigned v : h)
        if (v > 255) return -1;
    return static_cast<int>(h[4] * 256 + h[5]);
}

// The address comes from the control connection, whatever the host name resolves to.
TEST_F(ScriptedFtpTest, PortArgumentsNameTheControlConnectionsAddressAndRunThroughOddPorts)
{
    LastDataPort = 3001;
    EXPECT_EQ(VellFtpTestAccess::GetMixPortString(ftp), AnsiString());  // no connection, no address
    EXPECT_EQ(LastDataPort, 3001);
    server.Login();
    StartAndConnect();
    const struct {
        int last;
        const char* argument;
    } rows[] = {
        {3001, "127,0,0,1,11,187"},  // 3003
        {3003, "127,0,0,1,11,189"},
        {63997, "127,0,0,1,249,255"},  // 63999
        {63999, "127,0,0,1,250,1"},    // 64001
        {64001, "127,0,0,1,11,185"},   // back to 3001
    };
    for (const auto& row : rows) {
        LastDataPort = row.last;
        EXPECT_EQ(VellFtpTestAccess::GetMixPortString(ftp), AnsiString(row.argument)) << row.last;
        EXPECT_EQ(PortOf(AnsiString(row.argument)), LastDataPort);
    }
    EXPECT_TRUE(server.Finish()) << server.Errors();
}

}  // namespace
