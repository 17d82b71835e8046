#include "tests/components/ftp/ScriptedFtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kStepLimitMs = 8000;  // a step that takes longer has failed

int ListenOnLoopback(int& port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

// Waits for fd in slices, so that a stop request is seen; false on time-out or stop.
bool WaitFor(int fd, short events, int timeoutMs, const std::atomic<bool>& stop)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!stop) {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, 20);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= end) return false;
    }
    return false;
}

int AcceptOne(int listenFd, const std::atomic<bool>& stop)
{
    if (!WaitFor(listenFd, POLLIN, kStepLimitMs, stop)) return -1;
    return ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
}

}  // namespace

ScriptedFtpServer::ScriptedFtpServer() { FListen = ListenOnLoopback(FPort); }

ScriptedFtpServer::~ScriptedFtpServer()
{
    FStop = true;
    if (FThread.joinable()) FThread.join();
    CloseFd(FData);
    CloseFd(FDataListen);
    CloseFd(FControl);
    CloseFd(FListen);
}

void ScriptedFtpServer::CloseFd(int& fd)
{
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// ---- Script steps ----------------------------------------------------------------------------

ScriptedFtpServer& ScriptedFtpServer::Send(std::string bytes)
{
    FSteps.push_back(
        [this, bytes = std::move(bytes)] { return WriteControl(bytes) || Fail("could not send " + bytes.substr(0, 40)); });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Reply(const std::string& line) { return Send(line + "\r\n"); }

ScriptedFtpServer& ScriptedFtpServer::Expect(std::string expected)
{
    FSteps.push_back([this, expected = std::move(expected)] {
        std::string line;
        if (!ReadCommand(line, expected)) return Fail("expected '" + expected.substr(0, 60) + "', got nothing");
        return line == expected || Fail("expected '" + expected.substr(0, 60) + "', got '" + line.substr(0, 60) + "'");
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::ExpectPrefix(std::string prefix)
{
    FSteps.push_back([this, prefix = std::move(prefix)] {
        std::string line;
        if (!ReadCommand(line, prefix)) return Fail("expected '" + prefix + "...', got nothing");
        if (line.rfind("PORT ", 0) == 0) FLastPort = line;
        return line.rfind(prefix, 0) == 0 || Fail("expected '" + prefix + "...', got '" + line.substr(0, 60) + "'");
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Pause(int ms)
{
    FSteps.push_back([this, ms] {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!FStop && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::CloseControl()
{
    FSteps.push_back([this] {
        CloseFd(FControl);
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Login(const std::string& user, const std::string& password, const std::string& features)
{
    return Reply("220 scripted server ready")
        .Expect("USER " + user)
        .Reply("331 password please")
        .Expect("PASS " + password)
        .Reply("230 logged in")
        .Expect("FEAT")
        .Reply(features);
}

ScriptedFtpServer& ScriptedFtpServer::Pasv(const std::string& hostFields)
{
    FSteps.push_back([this, hostFields] {
        CloseFd(FDataListen);
        int port = 0;
        FDataListen = ListenOnLoopback(port);
        if (FDataListen < 0) return Fail("no data listener");
        char reply[128];
        std::snprintf(reply, sizeof reply, "227 Entering Passive Mode (%s,%d,%d)\r\n", hostFields.c_str(), port / 256,
                      port % 256);
        return WriteControl(reply) || Fail("could not send 227");
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::AcceptData()
{
    FSteps.push_back([this] {
        CloseFd(FData);
        FData = AcceptOne(FDataListen, FStop);
        return FData >= 0 || Fail("the client opened no data connection");
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::ConnectData() { return ConnectDataFrom(""); }

ScriptedFtpServer& ScriptedFtpServer::OfferData(bool passive)
{
    return passive ? Expect("PASV").Pasv() : ExpectPrefix("PORT ").Reply("200 PORT ok");
}

ScriptedFtpServer& ScriptedFtpServer::ConnectDataFrom(const std::string& localAddress)
{
    FSteps.push_back([this, localAddress] {
        unsigned h[6] = {};
        if (std::sscanf(FLastPort.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]) != 6)
            return Fail("no PORT line to connect to: '" + FLastPort + "'");
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl((h[0] << 24) | (h[1] << 16) | (h[2] << 8) | h[3]);
        a.sin_port = htons(static_cast<uint16_t>(h[4] * 256 + h[5]));
        CloseFd(FData);
        FData = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (!localAddress.empty()) {
            sockaddr_in from{};
            from.sin_family = AF_INET;
            ::inet_pton(AF_INET, localAddress.c_str(), &from.sin_addr);
            if (::bind(FData, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) return Fail("cannot bind " + localAddress);
        }
        if (::connect(FData, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return Fail("cannot connect to " + FLastPort);
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::SendData(std::string bytes)
{
    FSteps.push_back([this, bytes = std::move(bytes)] {
        // A client that cancels or closes may reset the connection: that is its right.
        WriteAll(FData, bytes, kStepLimitMs, FStop);
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::ReceiveData()
{
    FSteps.push_back([this] {
        for (bool closed = false; !closed;) {
            std::string chunk;
            if (!ReadMore(FData, chunk, closed, kStepLimitMs)) return Fail("the data connection did not end");
            std::lock_guard lock(FMutex);
            FDataReceived += chunk;
        }
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::HalfCloseData()
{
    FSteps.push_back([this] {
        ::shutdown(FData, SHUT_WR);
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::CloseData()
{
    FSteps.push_back([this] {
        CloseFd(FData);
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::ResetData()
{
    FSteps.push_back([this] {
        linger abort{1, 0};  // a close with no linger sends RST
        ::setsockopt(FData, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        CloseFd(FData);
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::ExpectClosed()
{
    FSteps.push_back([this] {
        for (bool closed = false; !closed;) {
            std::string chunk;
            if (!ReadMore(FControl, chunk, closed, kStepLimitMs)) return Fail("the client kept the connection open");
            FPending += chunk;
        }
        return true;
    });
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Do(std::function<void(ScriptedFtpServer&)> step)
{
    FSteps.push_back([this, step = std::move(step)] {
        step(*this);
        return true;
    });
    return *this;
}

// ---- Running ---------------------------------------------------------------------------------

void ScriptedFtpServer::Start()
{
    FThread = std::thread([this] { Run(); });
}

void ScriptedFtpServer::Run()
{
    FControl = AcceptOne(FListen, FStop);
    if (FControl < 0) Fail("no client connected");
    else
        for (Step& step : FSteps)
            if (FStop || !step()) break;
    {
        std::lock_guard lock(FMutex);
        FDone = true;
    }
    FDoneSignal.notify_all();
    // Afterwards, record whatever else the client sends until it closes or the test ends.
    for (bool closed = FControl < 0; !closed && !FStop;) {
        std::string chunk;
        if (!ReadMore(FControl, chunk, closed, 50)) continue;
    }
}

bool ScriptedFtpServer::Finish()
{
    std::unique_lock lock(FMutex);
    FDoneSignal.wait_for(lock, std::chrono::seconds(60), [this] { return FDone; });
    return FDone && FErrors.empty();
}

std::string ScriptedFtpServer::Received()
{
    std::lock_guard lock(FMutex);
    return FReceived;
}

std::string ScriptedFtpServer::DataReceived()
{
    std::lock_guard lock(FMutex);
    return FDataReceived;
}

std::string ScriptedFtpServer::Errors()
{
    std::lock_guard lock(FMutex);
    return FErrors;
}

bool ScriptedFtpServer::Fail(const std::string& what)
{
    std::lock_guard lock(FMutex);
    FErrors += what + "\n";
    return false;
}

bool ScriptedFtpServer::ReadMore(int fd, std::string& sink, bool& closed, int timeoutMs)
{
    if (fd < 0) {
        closed = true;
        return true;
    }
    if (!WaitFor(fd, POLLIN, timeoutMs, FStop)) return false;
    char buffer[65536];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        closed = true;
        return true;
    }
    sink.append(buffer, static_cast<std::size_t>(n));
    if (fd == FControl) {
        std::lock_guard lock(FMutex);
        FReceived.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

bool ScriptedFtpServer::ReadLine(std::string& line)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStepLimitMs);
    for (;;) {
        if (auto pos = FPending.find("\r\n"); pos != std::string::npos) {
            line = FPending.substr(0, pos);
            FPending.erase(0, pos + 2);
            return true;
        }
        bool closed = false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0 || !ReadMore(FControl, FPending, closed, static_cast<int>(left)) || closed) return false;
    }
}

bool ScriptedFtpServer::ReadCommand(std::string& line, const std::string& expected)
{
    for (;;) {
        if (!ReadLine(line)) return false;
        if (line == "NOOP" && expected != "NOOP") {
            // A client that lost track of the replies may ask where the server stands, whenever.
            if (!WriteControl("200 NOOP ok\r\n", kStepLimitMs)) return false;
        } else {
            return true;
        }
    }
}

bool ScriptedFtpServer::WriteControl(const std::string& bytes, int timeoutMs)
{
    return WriteAll(FControl, bytes, timeoutMs, FStop);
}

bool ScriptedFtpServer::WriteAll(int fd, const std::string& bytes, int timeoutMs, const std::atomic<bool>& stop)
{
    std::size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
        if (!WaitFor(fd, POLLOUT, timeoutMs, stop)) return false;
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return fd >= 0;
}
