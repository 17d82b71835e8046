#pragma once
// Shared by the FTP client cases: access to the component's internals, an event recorder, and
// a fixture with a client aimed at a scripted server.
#include "components/ftp/vellftp.h"
#include "tests/components/ftp/ScriptedFtpServer.h"
#include "tests/fixtures/Raised.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <vector>

// The component's internal operations and fields, for the cases only.
struct VellFtpTestAccess {
    static int ParsePASV(TVellFtp& f, AnsiString& address, const AnsiString& reply) { return f.ParsePASV(address, reply); }
    static int64_t ReceiveSize(TVellFtp& f, const AnsiString& reply) { return f.ReceiveSize(reply); }
    static int ParseEPSV(TVellFtp& f, const AnsiString& reply) { return f.ParseEPSV(reply); }
    static AnsiString GetMixPortString(TVellFtp& f) { return f.GetMixPortString(); }
    static void WindUp(TVellFtp& f, TFtpCmdType kind) { f.WindUp(kind); }
    static int ExtractResultCode(TVellFtp& f, const char* line) { return f.ExtractResultCode(line); }
    static bool IsContinue(TVellFtp& f, const char* line, int code) { return f.IsContinue(line, code); }
    static void PASV_SendEvent(TVellFtp& f, TCustomWinSocket* socket) { f.PASV_SendEvent(&f, socket); }
    static void SendEvent(TVellFtp& f, TCustomWinSocket* socket) { f.SendEvent(&f, socket); }
        // The component owns the stream from here on (nullptr closes it).
    static void SetFileStream(TVellFtp& f, TFileStream* stream) { f.FFileStream.reset(stream); }
    static void SetChunkLength(TVellFtp& f, int length) { f.FChunkLength = length; }
    static TClientSocket* ControlSocket(TVellFtp& f) { return f.FControlSocket.get(); }
    static TClientSocket* DataSocket(TVellFtp& f) { return f.FDataSocket.get(); }
    static TServerSocket* ListenSocket(TVellFtp& f) { return f.FListenSocket.get(); }
    static bool Cancelled(const TVellFtp& f) { return f.FCancelled; }
};

// Records what the component reports; the switches decide how its handlers answer.
struct FtpEvents {
    std::vector<std::string> statuses;
    std::vector<std::string> items;
    std::vector<TFtpCmdType> successes;
    std::vector<TFtpCmdType> failures;
    int connects = 0;
    int connectionFailures = 0;
    int invalidHosts = 0;
    int authenticationRequests = 0;
    int packetsReceived = 0;
    int packetsSent = 0;
    bool handleFailure = true;       // OnFailure sets Handled
    bool handleInvalidHost = false;  // OnInvalidHost sets Handled
    std::function<void()> onInvalidHost;
    std::function<void()> onPacketReceived;
    std::function<void()> onPacketSent;
    std::function<void(const std::string&)> onItem;

    void Attach(TVellFtp& ftp)
    {
        ftp.SetOnStatus(TFtpStatusEvent([this](TComponent*, AnsiString s) { statuses.push_back(s.str()); }, nullptr, ""));
        ftp.SetOnListItem(TFtpListItemEvent(
            [this](AnsiString s) {
                items.push_back(s.str());
                if (onItem) onItem(s.str());
            },
            nullptr, ""));
        ftp.SetOnSuccess(TFtpSuccessEvent([this](TFtpCmdType k) { successes.push_back(k); }, nullptr, ""));
        ftp.SetOnFailure(TFtpFailureEvent(
            [this](bool& handled, TFtpCmdType k) {
                failures.push_back(k);
                handled = handleFailure;
            },
            nullptr, ""));
        ftp.SetOnConnect(TNotifyEvent([this](TObject*) { ++connects; }, nullptr, ""));
        ftp.SetOnConnectionFailed(TNotifyEvent([this](TObject*) { ++connectionFailures; }, nullptr, ""));
        ftp.SetOnInvalidHost(TFtpHandledEvent(
            [this](bool& handled) {
                ++invalidHosts;
                if (onInvalidHost) onInvalidHost();
                handled = handleInvalidHost;
            },
            nullptr, ""));
        ftp.SetOnAuthenticationNeeded(TFtpHandledEvent([this](bool&) { ++authenticationRequests; }, nullptr, ""));
        ftp.SetOnPacketRecvd(TNotifyEvent(
            [this](TObject*) {
                ++packetsReceived;
                if (onPacketReceived) onPacketReceived();
            },
            nullptr, ""));
        ftp.SetOnPacketSent(TNotifyEvent(
            [this](TObject*) {
                ++packetsSent;
                if (onPacketSent) onPacketSent();
            },
            nullptr, ""));
    }
};

// Each name ends exactly one line of a LIST.
inline void ExpectEachListedOnce(const std::vector<std::string>& lines, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const auto ending = [&](const std::string& line) { return line.ends_with(std::string(" ") + name); };
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), ending), 1) << name;
    }
}

// Every test process starts its active-mode ports elsewhere, so that parallel runs do not meet.
inline void SpreadDataPorts() { LastDataPort = 3001 + 2 * static_cast<int>(::getpid() % 25000); }

// Aims a client at a server on this machine as that user and loads it, its events recorded.
inline void AimAtLocalServer(TVellFtp& ftp, FtpEvents& events, int port, const char* user, const char* password)
{
    SpreadDataPorts();
    ftp.SetHost("127.0.0.1");
    ftp.SetPort(port);
    ftp.SetUserID(user);
    ftp.SetPassword(password);
    ftp.Loaded();
    events.Attach(ftp);
}

// A loaded client aimed at a scripted server, with "user" and "pass".
class ScriptedFtpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AimAtLocalServer(ftp, events, server.Port(), "user", "pass");
        // A case whose script went wrong would wait for a reply for ever: end it instead.
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            ADD_FAILURE() << "the client was still waiting after 30 s: " << server.Errors();
            ftp.Cancel();
        });
        watchdog.start(30000);
    }
    // Starts the script and logs in through its first seven steps (see ScriptedFtpServer::Login).
    void StartAndConnect()
    {
        server.Start();
        ftp.Connect();
    }
    // Cancels from a timer at its nth tick (every 10 ms), while an operation waits.
    void CancelAtTick(int n)
    {
        QObject::connect(&ticker, &QTimer::timeout, [this, n] {
            if (++ticks == n) ftp.Cancel();
        });
        ticker.start(10);
    }
    // A second server, reached with the same client: the connection after a failure works.
    void ExpectNextConnectWorks()
    {
        ScriptedFtpServer next;
        next.Login().Expect("CWD d").Reply("250 ok");
        next.Start();
        ftp.SetPort(next.Port());
        events.handleFailure = true;
        events.failures.clear();
        ftp.Connect();
        ftp.ChangeDir("d");
        EXPECT_TRUE(next.Finish()) << next.Errors();
        EXPECT_EQ(events.successes, std::vector<TFtpCmdType>{fcChangeDir});
        EXPECT_TRUE(events.failures.empty());
    }
    // The control bytes after the login.
    std::string SentAfterLogin()
    {
        std::string all = server.Received();
        const std::string login = "USER user\r\nPASS pass\r\nFEAT\r\n";
        return all.rfind(login, 0) == 0 ? all.substr(login.size()) : all;
    }

    ScriptedFtpServer server;
    TVellFtp ftp{nullptr};
    FtpEvents events;
    QTimer watchdog;
    QTimer ticker;
    int ticks = 0;
};
