#pragma once
// A scripted-server case run in passive (parameter true) and active (false) mode, with the
// server's side of opening the data connection written once for both.
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/PyFtpServer.h"
#include "tests/fixtures/TempDir.h"

#include <string>

// Each case scripts its own login (its features differ).
class ScriptedModeTest : public ScriptedFtpTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        ScriptedFtpTest::SetUp();
        ftp.SetEnablePASV(GetParam());
    }
    // What the server does before the transfer command, and right after it.
    ScriptedFtpServer& DataOffer() { return server.OfferData(GetParam()); }
    ScriptedFtpServer& DataOpen() { return server.OpenData(GetParam()); }
    AnsiString LocalFile(const std::string& name) { return AnsiString(local / name); }

    TempDir local;
};

// The plain login scripted first.
class ScriptedTransferTest : public ScriptedModeTest {
protected:
    void SetUp() override
    {
        ScriptedModeTest::SetUp();
        server.Login();
    }
};

inline std::string ModeName(const testing::TestParamInfo<bool>& info) { return info.param ? "Passive" : "Active"; }
