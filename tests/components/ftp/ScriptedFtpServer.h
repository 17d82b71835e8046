#pragma once
// A scripted FTP server for byte-exact cases. It listens on 127.0.0.1 (port 0), accepts one
// control connection and runs its script on its own thread: expected command lines, reply
// bytes sent in chunks exactly as written (so a reply can be split over reads, or several
// replies come in one), pauses, and a data connection in either mode. Every byte received is
// recorded. Each step gives up after a few seconds, so a broken case cannot hang.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedFtpServer {
public:
    ScriptedFtpServer();
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    int Port() const { return FPort; }

    // ---- Script steps (before Start) ----
    ScriptedFtpServer& Send(std::string bytes);         // sent as one chunk, as is
    ScriptedFtpServer& Reply(const std::string& line);  // line + CR LF
    // The next command line, without CR LF. A NOOP that comes first is answered 200, and a
    // SIZE 550, unless the script expects it.
    ScriptedFtpServer& Expect(std::string expected);
    ScriptedFtpServer& ExpectPrefix(std::string prefix);
    ScriptedFtpServer& Pause(int ms);
    ScriptedFtpServer& CloseControl();
    // 220 greeting, USER, 331, PASS, 230, FEAT and its reply (by default refused: no features,
    // the bytes of names as they are).
    static constexpr const char* NoFeatures = "502 Command not implemented.";
    ScriptedFtpServer& Login(const std::string& user = "user", const std::string& password = "pass",
                             const std::string& features = NoFeatures);
    // Opens a data listener on 127.0.0.1 and replies 227 with its port, and with the given
    // address fields (which may name another host).
    ScriptedFtpServer& Pasv(const std::string& hostFields = "127,0,0,1");
    ScriptedFtpServer& AcceptData();                                      // passive: takes the client's data connection
    ScriptedFtpServer& ConnectData();                                     // active: connects to the address of the last PORT line
    ScriptedFtpServer& ConnectDataFrom(const std::string& localAddress);  // the same, from that address
    // Either mode's side: before the transfer command (PASV and 227, or PORT and 200), and after it.
    ScriptedFtpServer& OfferData(bool passive);
    ScriptedFtpServer& OpenData(bool passive) { return passive ? AcceptData() : ConnectData(); }
    ScriptedFtpServer& SendData(std::string bytes);
    ScriptedFtpServer& ReceiveData();  // reads the data connection to its end
    ScriptedFtpServer& CloseData();
    ScriptedFtpServer& ResetData();  // closes the data connection with a reset
    // Ends the data for the client but keeps the connection: with ReceiveData after it, the
    // server waits for the client to close its side before it goes on.
    ScriptedFtpServer& HalfCloseData();
    ScriptedFtpServer& ExpectClosed();  // the client closes the control connection
    // Runs code on the server thread (for example to flood the control connection).
    ScriptedFtpServer& Do(std::function<void(ScriptedFtpServer&)> step);

    void Start();
    // Waits until the script has run; true when every step went as written.
    bool Finish();
    // The control connection's bytes received so far, the data connection's, the faults.
    std::string Received();
    std::string DataReceived();
    std::string Errors();

    // For Do steps: write raw bytes on the control connection; false when the client is gone.
    bool WriteControl(const std::string& bytes, int timeoutMs = 5000);

private:
    using Step = std::function<bool()>;
    void Run();
    bool Fail(const std::string& what);
    bool ReadLine(std::string& line);
    // The next command line; a NOOP or SIZE the script does not expect is answered and passed over.
    bool ReadCommand(std::string& line, const std::string& expected);
    bool ReadMore(int fd, std::string& sink, bool& closed, int timeoutMs);
    static bool WriteAll(int fd, const std::string& bytes, int timeoutMs, const std::atomic<bool>& stop);
    void CloseFd(int& fd);

    int FListen = -1;
    int FPort = 0;
    int FControl = -1;
    int FDataListen = -1;
    int FData = -1;
    std::string FPending;   // control bytes received but not yet taken as a line
    std::string FLastPort;  // the last PORT line
    std::vector<Step> FSteps;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::mutex FMutex;
    std::condition_variable FDoneSignal;
    bool FDone = false;
    std::string FReceived;
    std::string FDataReceived;
    std::string FErrors;
};
