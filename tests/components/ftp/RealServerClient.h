#pragma once
// What the tests against the four real servers share: the bytes of a test file, the scenario
// (server, passive) and its name, status lookups, and a client aimed at a server with a
// watchdog that ends a wait that would otherwise hold the whole run.
#include "tests/components/ftp/FtpTestSupport.h"
#include "tests/components/ftp/RealFtpServers.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

using Kinds = std::vector<TFtpCmdType>;
using ServerScenario = std::tuple<FtpServerKind, bool>;     // server, passive
using TlsScenario = std::tuple<FtpServerKind, bool, bool>;  // server, passive, TLS

// Bytes that differ from block to block and from seed to seed.
inline std::string Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return bytes;
}

// The index of the first status line with the code, or -1.
inline int StatusIndex(const std::vector<std::string>& statuses, const std::string& code)
{
    for (std::size_t i = 0; i < statuses.size(); ++i)
        if (statuses[i].rfind(code + " ", 0) == 0) return static_cast<int>(i);
    return -1;
}

inline bool AnyStatus(const std::vector<std::string>& statuses, const std::string& code)
{
    return StatusIndex(statuses, code) >= 0;
}

// "vsftpd_Passive", "pureftpd_Active", ...
inline std::string ServerScenarioName(const testing::TestParamInfo<ServerScenario>& info)
{
    std::string name = FtpServerName(std::get<0>(info.param));
    name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
    return name + (std::get<1>(info.param) ? "_Passive" : "_Active");
}

// "vsftpd_Passive_Tls", "pureftpd_Active_Plain", ...
inline std::string TlsScenarioName(const testing::TestParamInfo<TlsScenario>& info)
{
    const ServerScenario serverAndMode(std::get<0>(info.param), std::get<1>(info.param));
    return ServerScenarioName(testing::TestParamInfo<ServerScenario>(serverAndMode, info.index)) +
           (std::get<2>(info.param) ? "_Tls" : "_Plain");
}

inline auto EveryServerBothModes()
{
    return testing::Combine(
        testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::Vsftpd, FtpServerKind::Proftpd, FtpServerKind::PureFtpd),
        testing::Bool());
}

inline std::string ServerMissingText(const RealFtpServer& server)
{
    return server.Error() + " (set CI or TAVIN3_FTP_SERVERS=required to make this a failure)";
}

class RealServerClient {
protected:
    // Loads the client for the server; false when the server is not on this machine and need
    // not be (the caller skips).
    bool Aim(const RealFtpServer& server, const char* host, bool passive)
    {
        if (server.Port() == 0 && server.Missing() && !RealFtpServersRequired()) return false;
        SpreadDataPorts();
        ftp.SetHost(host);
        ftp.SetPort(server.Port());
        ftp.SetUserID(RealFtpServer::User);
        ftp.SetPassword(RealFtpServer::Password);
        ftp.SetEnablePASV(passive);
        ftp.Loaded();
        events.Attach(ftp);
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            ADD_FAILURE() << "the client was still waiting after 240 s";
            ftp.Cancel();
        });
        watchdog.start(240000);
        return true;
    }
    // Explicit TLS, the test server's self-signed certificate taken.
    void UseTls()
    {
        ftp.SetEnableTLS(true);
        ftp.SetOnCertificateError(TFtpHandledEvent([](bool& handled) { handled = true; }, nullptr, ""));
    }
    // Logs in and asks for binary transfers; a fatal failure where either goes wrong.
    void ConnectBinary()
    {
        ftp.Connect();
        ASSERT_TRUE(ftp.Connected()) << ftp.LastReply().str();
        ftp.DoCommand("TYPE I");
        ASSERT_EQ(ftp.ResultCode(), 200) << ftp.LastReply().str();
    }
    AnsiString Local(const std::string& name) const { return AnsiString(local / name); }
    // Name lists without "." and ".." (pure-ftpd includes them, as "sub/." for "NLST sub").
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& item : events.items) {
            const std::string last = item.substr(item.rfind('/') + 1);
            if (last != "." && last != "..") names.push_back(item);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // A file of the size down from the server and another up to it, both byte-exact.
    void RoundTrip(const RealFtpServer& server, std::size_t size)
    {
        SCOPED_TRACE(size);
        const std::string name = "file-" + std::to_string(size);
        const std::string bytes = Pattern(size, static_cast<unsigned>(size) + 1);
        WriteFileBytes(server / name, bytes);
        ftp.Download(AnsiString(name), Local(name));
        EXPECT_TRUE(ReadFileBytes(local / name) == bytes);
        const std::string back = Pattern(size, static_cast<unsigned>(size) + 2);
        WriteFileBytes(local / ("up-" + name), back);
        ftp.Upload(Local("up-" + name), AnsiString("up-" + name));
        EXPECT_TRUE(ReadFileBytes(server / ("up-" + name)) == back);
    }

    TempDir local;
    TVellFtp ftp{nullptr};
    FtpEvents events;
    QTimer watchdog;
};
