// The control connection and the single-reply commands against a real server (pyftpdlib).
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/PyFtpServer.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class RealServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(server.Port(), 0) << server.Error();
        AimAtLocalServer(ftp, events, server.Port(), PyFtpServer::User, PyFtpServer::Password);
    }

    PyFtpServer server;
    TVellFtp ftp{nullptr};
    FtpEvents events;
};

TEST_F(RealServerTest, LogsInWorksOnDirectoriesAndFilesAndDisconnects)
{
    ftp.Connect();
    ASSERT_TRUE(ftp.Connected());
    EXPECT_EQ(events.connects, 1);
    EXPECT_EQ(ftp.ResultCode(), 230);

    ftp.MakeDirectory("docs");
    EXPECT_TRUE(fs::is_directory(server / "docs"));
    ftp.ChangeDir("docs");
    WriteFileBytes(server / "docs/a.txt", "alpha");
    ftp.Rename("a.txt", "b.txt");
    EXPECT_TRUE(fs::exists(server / "docs/b.txt"));
    EXPECT_FALSE(fs::exists(server / "docs/a.txt"));
    ftp.Delete("b.txt");
    EXPECT_FALSE(fs::exists(server / "docs/b.txt"));
    ftp.ChangeDir("/");
    ftp.RemoveDir("docs");
    EXPECT_FALSE(fs::exists(server / "docs"));
    EXPECT_EQ(events.successes, (std::vector<TFtpCmdType>{fcMakeDir, fcChangeDir, fcRename, fcRemove, fcChangeDir, fcRemove}));
    EXPECT_TRUE(events.failures.empty());

    ftp.Disconnect();
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(events.statuses.back().substr(0, 3), "221");
}

TEST_F(RealServerTest, FailureCarriesTheServersReplyLine)
{
    ftp.Connect();
    events.handleFailure = false;
    const AnsiString raised = Raised([&] { ftp.ChangeDir("no-such-dir"); });
    EXPECT_EQ(raised.str().substr(0, 4), "550 ");
    EXPECT_EQ(raised, ftp.LastReply());
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcChangeDir}));
    events.handleFailure = true;
    ftp.Rename("missing", "other");
    ftp.Delete("missing");
    EXPECT_EQ(events.failures, (std::vector<TFtpCmdType>{fcChangeDir, fcRename, fcRemove}));
}

TEST_F(RealServerTest, WrongPasswordIsRefused)
{
    ftp.SetPassword("wrong");
    EXPECT_THROW(ftp.Connect(), Exception);
    EXPECT_EQ(events.connectionFailures, 1);
    EXPECT_FALSE(ftp.Connected());
}

}  // namespace
