// The FTP client's speed against curl, side by side on one real server (pyftpdlib on
// loopback): a 256 MiB download and upload in passive and in active mode, the longest gap
// between the ticks of a 10 ms timer during each of our transfers, and the round trip of
// 1000 NOOP commands against a raw socket doing the same.
//
// Usage: bench_ftp [path of tests/fixtures/pyftpd_server.py] [size in MiB]
#include "components/ftp/vellftp.h"
#include "toolkit/controls/Application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const char* const kUser = "bench";
const char* const kPassword = "bench";

pid_t Spawn(std::vector<std::string> args, int stdoutFd = -1)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs a command to its end; its run time in seconds, or -1 when it failed.
double Timed(const std::vector<std::string>& args)
{
    const auto start = Clock::now();
    pid_t pid = Spawn(args);
    int status = -1;
    if (pid > 0) waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

struct Server {
    pid_t pid = -1;
    int port = 0;
    ~Server()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

bool StartServer(Server& server, const std::string& script, const std::string& root)
{
    int out[2];
    if (pipe(out) != 0) return false;
    server.pid = Spawn({"/usr/bin/python3", script, root, kUser, kPassword}, out[1]);
    close(out[1]);
    std::string line;
    for (char c; server.pid > 0 && line.find('\n') == std::string::npos;) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 30000) <= 0 || read(out[0], &c, 1) != 1) break;
        line += c;
    }
    close(out[0]);
    server.port = std::atoi(line.c_str());
    return server.port > 0;
}

void WritePattern(const std::string& path, std::size_t size)
{
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    unsigned seed = 7;
    for (std::size_t done = 0; done < size; done += block.size()) {
        for (char& c : block) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 23);
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - done)));
    }
}

// The longest gap between ticks of a 10 ms timer while the event loop runs inside our waits.
struct TickWatch {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    TickWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        timer.setTimerType(Qt::PreciseTimer);
    }
    void Start()
    {
        clock.start();
        last = 0;
        longest = 0;
        timer.start(10);
    }
    qint64 Stop()
    {
        longest = std::max(longest, clock.elapsed() - last);
        timer.stop();
        return longest;
    }
};

// Round trips of NOOP on a plain blocking socket, logged in like the client.
double RawNoopSeconds(int port, int count)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
    // Reads until a line that ends a reply ("ddd text") has come.
    std::string pending;
    auto replyLine = [fd, &pending]() -> std::string {
        char buffer[4096];
        for (;;) {
            for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (line.size() >= 4 && line[3] == ' ') return line;
            }
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) return std::string();
            pending.append(buffer, static_cast<std::size_t>(n));
        }
    };
    auto command = [&](const std::string& line) {
        std::string wire = line + "\r\n";
        send(fd, wire.data(), wire.size(), MSG_NOSIGNAL);
        return replyLine();
    };
    replyLine();
    command(std::string("USER ") + kUser);
    command(std::string("PASS ") + kPassword);
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) command("NOOP");
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(fd);
    return seconds;
}

struct Row {
    std::string name;
    double ours = -1;
    double curl = -1;
    qint64 gap = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::string script = argc > 1 ? argv[1]
                                        : (fs::path(__FILE__).parent_path().parent_path() / "tests/fixtures/pyftpd_server.py").string();
    const std::size_t mib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 256;
    const std::size_t size = mib * 1024 * 1024;

    char pattern[] = "/tmp/tavin3-ftp-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::string root = dir + "/root";
    const std::string local = dir + "/local";
    fs::create_directories(root);
    fs::create_directories(local);
    WritePattern(root + "/big", size);

    Server server;
    if (!StartServer(server, script, root)) {
        std::fprintf(stderr, "pyftpdlib did not start (%s)\n", script.c_str());
        fs::remove_all(dir);
        return 1;
    }
    const std::string url = "ftp://" + std::string(kUser) + ":" + kPassword + "@127.0.0.1:" + std::to_string(server.port);

    TVellFtp ftp(nullptr);
    ftp.SetHost("127.0.0.1");
    ftp.SetPort(server.port);
    ftp.SetUserID(kUser);
    ftp.SetPassword(kPassword);
    ftp.Loaded();
    int failures = 0;
    ftp.SetOnFailure(TFtpFailureEvent([&](bool& handled, TFtpCmdType) { ++failures, handled = true; }, nullptr, ""));
    ftp.Connect();
    ftp.DoCommand("TYPE I");

    std::printf("FTP benchmark: %zu MiB file, pyftpdlib on 127.0.0.1, SendDataSize %d, TimeOut %lu\n", mib,
                ftp.SendDataSize(), ftp.TimeOut());
    TickWatch watch;
    std::vector<Row> rows;
    bool sizesRight = true;
    for (bool passive : {true, false}) {
        const std::string mode = passive ? "passive" : "active";
        ftp.SetEnablePASV(passive);
        std::vector<std::string> curlMode = passive ? std::vector<std::string>{"--ftp-pasv"}
                                                    : std::vector<std::string>{"--ftp-port", "-"};

        Row down{"download " + mode};
        const std::string target = local + "/down";
        watch.Start();
        auto start = Clock::now();
        ftp.Download("big", AnsiString(target.c_str()));
        down.ours = std::chrono::duration<double>(Clock::now() - start).count();
        down.gap = watch.Stop();
        sizesRight &= fs::file_size(target) == size;
        fs::remove(target);
        std::vector<std::string> curlDown = {"curl", "-s", "-S", "-o", target};
        curlDown.insert(curlDown.end(), curlMode.begin(), curlMode.end());
        curlDown.push_back(url + "/big");
        down.curl = Timed(curlDown);
        sizesRight &= fs::exists(target) && fs::file_size(target) == size;
        rows.push_back(down);

        Row up{"upload " + mode};
        watch.Start();
        start = Clock::now();
        ftp.Upload(AnsiString(target.c_str()), AnsiString(("up-" + mode).c_str()));
        up.ours = std::chrono::duration<double>(Clock::now() - start).count();
        up.gap = watch.Stop();
        sizesRight &= fs::file_size(root + "/up-" + mode) == size;
        fs::remove(root + "/up-" + mode);
        std::vector<std::string> curlUp = {"curl", "-s", "-S", "-T", target};
        curlUp.insert(curlUp.end(), curlMode.begin(), curlMode.end());
        curlUp.push_back(url + "/curl-" + mode);
        up.curl = Timed(curlUp);
        sizesRight &= fs::exists(root + "/curl-" + mode) && fs::file_size(root + "/curl-" + mode) == size;
        fs::remove(root + "/curl-" + mode);
        fs::remove(target);
        rows.push_back(up);
    }

    const double mb = static_cast<double>(size) / 1e6;
    std::printf("\n%-18s %12s %12s %10s %18s\n", "transfer", "ours MB/s", "curl MB/s", "ours/curl", "longest tick gap");
    for (const Row& r : rows) {
        const double ours = r.ours > 0 ? mb / r.ours : 0;
        const double curl = r.curl > 0 ? mb / r.curl : 0;
        std::printf("%-18s %12.1f %12.1f %10.2f %15lld ms\n", r.name.c_str(), ours, curl, curl > 0 ? ours / curl : 0.0,
                    static_cast<long long>(r.gap));
    }

    const int count = 1000;
    watch.Start();
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) ftp.DoCommand("NOOP");
    const double oursNoop = std::chrono::duration<double>(Clock::now() - start).count();
    const qint64 noopGap = watch.Stop();
    const double rawNoop = RawNoopSeconds(server.port, count);
    std::printf("\n%d NOOP round trips: ours %.1f us each, raw socket %.1f us each, ratio %.2f, longest tick gap %lld ms\n",
                count, oursNoop * 1e6 / count, rawNoop * 1e6 / count, rawNoop > 0 ? oursNoop / rawNoop : 0.0,
                static_cast<long long>(noopGap));
    std::printf("all sizes right: %s, failures reported: %d\n", sizesRight ? "yes" : "NO", failures);

    ftp.Disconnect();
    fs::remove_all(dir);
    return sizesRight && failures == 0 ? 0 : 1;
}
