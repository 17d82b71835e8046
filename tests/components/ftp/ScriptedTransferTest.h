#pragma once
// A scripted-server case run in passive (parameter true) and active (false) mode, with the
// server's side of opening the data connection written once for both.
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/PyFtpServer.h"

#include <string>

class ScriptedTransferTest : public ScriptedFtpTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        ScriptedFtpTest::SetUp();
        ftp.SetEnablePASV(GetParam());
        server.Login();
    }
    // What the server does before the transfer command, and right after it.
    ScriptedFtpServer& DataOffer()
    {
        return GetParam() ? server.Expect("PASV").Pasv() : server.ExpectPrefix("PORT ").Reply("200 PORT ok");
    }
    ScriptedFtpServer& DataOpen() { return GetParam() ? server.AcceptData() : server.ConnectData(); }
    AnsiString LocalFile(const std::string& name) { return AnsiString(local / name); }

    TempDir local;
};

inline std::string ModeName(const testing::TestParamInfo<bool>& info) { return info.param ? "Passive" : "Active"; }
