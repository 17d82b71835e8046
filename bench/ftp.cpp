// The FTP client's speed against curl, side by side on real servers on loopback (pyftpdlib,
// vsftpd, proftpd, pure-ftpd, started by scripts/ftp-servers.sh): downloads and uploads in
// passive and active mode, plain and over explicit TLS, ours and curl's and both modes
// interleaved, best of three; the longest gap between the ticks of a 10 ms timer during each
// of our transfers, beside the same timer in an idle event loop while curl transfers (what the
// machine itself allows), and the share of CPU time the host took from this machine; the peak
// resident size of a process that moves 1 MiB against one that moves 1 GiB; 1000 NOOP round
// trips against a raw socket doing the same; passive and active download next to each other;
// a download cancelled at half and resumed, beside curl -C -; and the longest tick gap of a
// login, plain and over TLS, also the first one of a process.
//
// Usage: bench_ftp [--plain] [size in MiB, default 256] [server ...]
//        bench_ftp --rss PORT passive|active down|up LOCAL REMOTE   (one transfer; prints VmHWM)
//        bench_ftp --first-tls-login PORT   (one TLS login in a fresh process; prints its gaps)
#include "components/ftp/vellftp.h"
#include "toolkit/controls/Application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <QAbstractEventDispatcher>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const char* const kUser = "tavin3ftp";  // the login scripts/ftp-servers.sh gives every server
const char* const kPassword = "tavin3-ftp-secret";
const fs::path kSource = fs::path(TAVIN3_SOURCE_DIR);

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

// Runs a command to its end, the event loop idling meanwhile (its timers keep ticking); its
// run time in seconds, or -1 when it failed.
double Timed(const std::vector<std::string>& args)
{
    const auto start = Clock::now();
    pid_t pid = Spawn(args);
    int status = -1;
    if (pid > 0) {
        const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        if (ended >= 0) {
            QSocketNotifier notifier(ended, QSocketNotifier::Read);
            bool done = false;
            QObject::connect(&notifier, &QSocketNotifier::activated, [&] { done = true; });
            while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            close(ended);
        }
        waitpid(pid, &status, 0);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// The CPU time the host hypervisor took from this machine (steal), and all of it, in ticks.
struct CpuTicks {
    unsigned long long steal = 0, total = 0;
    static CpuTicks Now()
    {
        CpuTicks t;
        std::ifstream stat("/proc/stat");
        std::string cpu;
        stat >> cpu;
        for (int i = 0; i < 8; ++i) {
            unsigned long long v = 0;
            stat >> v;
            t.total += v;
            if (i == 7) t.steal = v;
        }
        return t;
    }
    static double StolenPercent(const CpuTicks& from, const CpuTicks& to)
    {
        const auto total = to.total - from.total;
        return total ? 100.0 * double(to.steal - from.steal) / double(total) : 0;
    }
};

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

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The longest gap between ticks of a 10 ms timer while the event loop runs inside our waits;
// and the longest the client kept the loop from a round (waiting, or handling what is there),
// in this thread's CPU time, which a busy machine does not lengthen (the tick gap also counts
// the time other processes, or the host, had the core).
struct TickWatch {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    double roundAt = -1;  // this thread's CPU time at the last round of the loop
    double busiest = 0;
    TickWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        timer.setTimerType(Qt::PreciseTimer);
        auto* dispatcher = QAbstractEventDispatcher::instance();
        // Both signals mark a round; a blocked thread spends no CPU time in between.
        auto round = [this] {
            const double now = ThreadCpuMs();
            if (roundAt >= 0 && timer.isActive()) busiest = std::max(busiest, now - roundAt);
            roundAt = now;
        };
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, round);
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, round);
    }
    void Start()
    {
        clock.start();
        last = 0;
        longest = 0;
        roundAt = -1;
        busiest = 0;
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

struct Server {
    pid_t pid = -1;
    int port = 0;
    std::string certificate;  // TLS: the server's self-signed certificate (PEM)
    ~Server()
    {
        if (pid > 0) {
            kill(-pid, SIGTERM);  // the script and the server it started
            waitpid(pid, nullptr, 0);
        }
    }
};

bool StartServer(Server& server, const std::string& name, const std::string& root, bool tls)
{
    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::string script = (kSource / "scripts/ftp-servers.sh").string();
    std::vector<std::string> args = {"/bin/bash", script, "serve", name, root, tls ? "tls" : "plain"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&server.pid, argv[0], &actions, &attributes, argv.data(), environ) != 0) server.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out[1]);
    std::string line;
    for (char c; server.pid > 0 && line.find('\n') == std::string::npos;) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 60000) <= 0 || read(out[0], &c, 1) != 1) break;
        line += c;
    }
    close(out[0]);
    // "PORT" or "PORT CERTIFICATE-FILE"
    server.port = std::atoi(line.c_str());
    if (const auto space = line.find(' '); space != std::string::npos)
        server.certificate = line.substr(space + 1, line.find('\n') - space - 1);
    return server.port > 0 && (!tls || !server.certificate.empty());
}

long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

struct Row {
    std::string name;
    double ours = -1;
    double curl = -1;
    qint64 gap = 0;
    double busy = 0;        // ms of this thread's CPU time
    qint64 idleGap = -1;    // the idle loop's, while curl ran
};

// Over TLS the host is the certificate's name, so that ours and curl both verify it.
TVellFtp* Client(int port, int& failures, bool tls = false, bool acceptCertificate = false)
{
    auto* ftp = new TVellFtp(nullptr);
    ftp->SetHost(tls ? "localhost" : "127.0.0.1");
    ftp->SetPort(port);
    ftp->SetEnableTLS(tls);
    ftp->SetUserID(kUser);
    ftp->SetPassword(kPassword);
    ftp->Loaded();
    ftp->SetOnFailure(TFtpFailureEvent([&failures](bool& handled, TFtpCmdType) { ++failures, handled = true; }, nullptr, ""));
    if (acceptCertificate) ftp->SetOnCertificateError(TFtpHandledEvent([](bool& handled) { handled = true; }, nullptr, ""));
    ftp->Connect();
    ftp->DoCommand("TYPE I");
    return ftp;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One transfer in a process of its own, for its peak resident size.
int RssMain(int port, bool passive, bool down, const std::string& file, const std::string& remote)
{
    int failures = 0;
    std::unique_ptr<TVellFtp> ftp(Client(port, failures));
    ftp->SetEnablePASV(passive);
    if (down) ftp->Download(AnsiString(remote.c_str()), AnsiString(file.c_str()));
    else ftp->Upload(AnsiString(file.c_str()), "rss-up");
    ftp->Disconnect();
    std::printf("%ld\n", failures == 0 ? PeakResidentKiB() : -1L);
    return failures == 0 ? 0 : 1;
}

// What a child run of this program printed; empty when it failed.
std::string ChildOutput(const std::vector<std::string>& args)
{
    int out[2];
    if (pipe(out) != 0) return std::string();
    pid_t pid = Spawn(args, out[1]);
    close(out[1]);
    std::string text;
    char buffer[64];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = -1;
    if (pid > 0) waitpid(pid, &status, 0);
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : std::string();
}

long RssOfChild(const std::string& self, int port, bool passive, bool down, const std::string& file, const std::string& remote)
{
    const std::string text =
        ChildOutput({self, "--rss", std::to_string(port), passive ? "passive" : "active", down ? "down" : "up", file, remote});
    return text.empty() ? -1 : std::atol(text.c_str());
}

// The first TLS login of a process also makes the TLS context (the system's trusted
// certificates are loaded then); the certificate is accepted as a user would.
int FirstTlsLoginMain(int port)
{
    TickWatch watch;
    watch.Start();
    int failures = 0;
    std::unique_ptr<TVellFtp> ftp(Client(port, failures, true, true));
    const qint64 gap = watch.Stop();
    std::printf("longest tick gap %lld ms, longest busy %.1f ms\n", static_cast<long long>(gap), watch.busiest);
    return ftp->Connected() && failures == 0 ? 0 : 1;
}

// Where the benchmark's files are, and what it has found so far.
struct Bench {
    std::string root;   // served by every server
    std::string local;  // ours and curl's local side
    std::size_t size = 0;
    TickWatch watch;
    bool allRight = true;
    int failures = 0;
};

// Downloads and uploads of the big file in both modes, ours and curl's interleaved and the
// modes taking turns (the host's load changes over seconds), best of three. While curl runs,
// the same timer ticks in an idle event loop: its longest gap is what the machine allows.
// curl (7.88) over TLS in active mode waits for ever once it has accepted the server's data
// connection, so those rows have no peer.
std::vector<Row> TransferRows(Bench& b, TVellFtp& ftp, const std::string& url, bool tls, const std::string& certificate)
{
    std::vector<Row> rows = {{"download passive"}, {"upload passive"}, {"download active"}, {"upload active"}};
    auto best = [](double& slot, double t) {
        if (t > 0 && (slot < 0 || t < slot)) slot = t;
    };
    // Ours, timed and watched; curl's, with the idle loop watched.
    auto ours = [&](Row& row, const std::function<void()>& transfer) {
        b.watch.Start();
        const auto start = Clock::now();
        transfer();
        best(row.ours, Seconds(start));
        row.gap = std::max(row.gap, b.watch.Stop());
        row.busy = std::max(row.busy, b.watch.busiest);
    };
    auto curl = [&](Row& row, const std::vector<std::string>& args, const std::string& made) {
        b.watch.Start();
        double t = Timed(args);
        row.idleGap = std::max(row.idleGap, b.watch.Stop());
        if (!fs::exists(made) || fs::file_size(made) != b.size) t = -1;
        best(row.curl, t);
        fs::remove(made);
    };
    for (int run = 0; run < 3; ++run)
        for (bool passive : {true, false}) {
            Row& down = rows[passive ? 0 : 2];
            Row& up = rows[passive ? 1 : 3];
            const std::string mode = passive ? "passive" : "active";
            const bool withCurl = passive || !tls;
            std::vector<std::string> curlMode =
                passive ? std::vector<std::string>{"--ftp-pasv"} : std::vector<std::string>{"--ftp-port", "-"};
            if (tls) curlMode.insert(curlMode.end(), {"--ssl-reqd", "--cacert", certificate});
            curlMode.insert(curlMode.end(), {"--max-time", "600"});

            const std::string target = b.local + "/down";
            ftp.SetEnablePASV(passive);
            ours(down, [&] { ftp.Download("big", AnsiString(target.c_str())); });
            b.allRight &= fs::exists(target) && fs::file_size(target) == b.size;
            fs::remove(target);
            if (withCurl) {
                std::vector<std::string> curlDown = {"curl", "-s", "-S", "-o", target};
                curlDown.insert(curlDown.end(), curlMode.begin(), curlMode.end());
                curlDown.push_back(url + "/big");
                curl(down, curlDown, target);
            }

            const std::string uploaded = b.root + "/up-" + mode;
            ours(up, [&] { ftp.Upload(AnsiString((b.local + "/source").c_str()), AnsiString(("up-" + mode).c_str())); });
            b.allRight &= fs::exists(uploaded) && fs::file_size(uploaded) == b.size;
            fs::remove(uploaded);
            if (withCurl) {
                std::vector<std::string> curlUp = {"curl", "-s", "-S", "-T", b.local + "/source"};
                curlUp.insert(curlUp.end(), curlMode.begin(), curlMode.end());
                curlUp.push_back(url + "/curl-" + mode);
                curl(up, curlUp, b.root + "/curl-" + mode);
            }
        }
    return rows;
}

// A passive download cancelled at half, then resumed: the resumed part should cost about half a
// whole one. curl -C - carries a local file cut at half on beside it.
void ResumeRow(Bench& b, TVellFtp& ftp, const std::string& url)
{
    const std::string target = b.local + "/resumed";
    const int64_t half = static_cast<int64_t>(b.size / 2);
    ftp.SetEnablePASV(true);
    auto start = Clock::now();
    ftp.Download("big", AnsiString(target.c_str()));
    const double whole = Seconds(start);
    fs::remove(target);
    bool cancelled = false;
    ftp.SetOnPacketRecvd(TNotifyEvent(
        [&](TObject*) {
            if (!cancelled && ftp.ReceivedSize() >= half) {
                cancelled = true;
                ftp.Cancel();
            }
        },
        nullptr, ""));
    const int failuresBefore = b.failures;
    ftp.Download("big", AnsiString(target.c_str()));
    ftp.SetOnPacketRecvd(TNotifyEvent());
    const uintmax_t kept = fs::exists(target) ? fs::file_size(target) : 0;
    // The cancel is the one failure expected here.
    b.allRight &= cancelled && b.failures == failuresBefore + 1 && kept >= b.size / 2 && kept < b.size;
    b.failures = failuresBefore;
    b.watch.Start();
    start = Clock::now();
    ftp.ResumeDownload("big", AnsiString(target.c_str()));
    const double resumed = Seconds(start);
    const long long gap = b.watch.Stop();
    b.allRight &= fs::file_size(target) == b.size;
    double curlWhole = Timed({"curl", "-s", "-S", "--ftp-pasv", "-o", target, url + "/big"});
    fs::resize_file(target, b.size / 2);
    double curlResumed = Timed({"curl", "-s", "-S", "--ftp-pasv", "-C", "-", "-o", target, url + "/big"});
    if (fs::file_size(target) != b.size) curlResumed = -1;
    fs::remove(target);
    std::printf("download cancelled at %.2f, resumed: ours %.2f s of %.2f s whole (%.2f, longest gap %lld ms); "
                "curl -C - from half %.2f s of %.2f s (%.2f)\n",
                double(kept) / double(b.size), resumed, whole, resumed / whole, gap, curlResumed, curlWhole,
                curlResumed / curlWhole);
}

// A row without curl's figure shows "-" (curl failed or was not run); so does its idle gap.
void PrintRows(const std::string& title, const std::vector<Row>& rows, std::size_t size, double stolen)
{
    const double mb = static_cast<double>(size) / 1e6;
    std::printf("\n%s (the host took %.0f%% of this machine's CPU time meanwhile)\n%-18s %10s %10s %10s %17s %13s %15s\n",
                title.c_str(), stolen, "transfer", "ours MB/s", "curl MB/s", "ours/curl", "longest tick gap", "longest busy",
                "idle, with curl");
    for (const Row& r : rows) {
        const double ours = r.ours > 0 ? mb / r.ours : 0;
        const std::string idle = r.idleGap >= 0 ? std::to_string(r.idleGap) + " ms" : "-";
        if (r.curl > 0)
            std::printf("%-18s %10.1f %10.1f %10.2f %14lld ms %10.1f ms %15s\n", r.name.c_str(), ours, mb / r.curl,
                        ours / (mb / r.curl), static_cast<long long>(r.gap), r.busy, idle.c_str());
        else
            std::printf("%-18s %10.1f %10s %10s %14lld ms %10.1f ms %15s\n", r.name.c_str(), ours, "-", "-",
                        static_cast<long long>(r.gap), r.busy, idle.c_str());
    }
}

// Passive and active download next to each other: passive is what most users get (NAT).
void PrintModes(const std::vector<Row>& rows, std::size_t size)
{
    const Row* passive = nullptr;
    const Row* active = nullptr;
    for (const Row& r : rows) {
        if (r.name == "download passive") passive = &r;
        if (r.name == "download active") active = &r;
    }
    if (!passive || !active || passive->ours <= 0 || active->ours <= 0) return;
    const double mb = static_cast<double>(size) / 1e6;
    std::printf("download passive vs active: ours %.1f vs %.1f MB/s (passive/active %.2f, longest gaps %lld / %lld ms, busy %.1f / %.1f ms)",
                mb / passive->ours, mb / active->ours, active->ours / passive->ours, static_cast<long long>(passive->gap),
                static_cast<long long>(active->gap), passive->busy, active->busy);
    if (passive->curl > 0 && active->curl > 0)
        std::printf("; curl %.1f vs %.1f MB/s", mb / passive->curl, mb / active->curl);
    std::printf("\n");
}

// Peak memory of a whole process moving 1 MiB and 1 GiB, each way, in each mode.
void ResidentSizes(Bench& b, int port)
{
    const std::size_t gib = std::size_t{1} << 30;
    WritePattern(b.root + "/mib", 1 << 20);
    WritePattern(b.root + "/gib", gib);
    WritePattern(b.local + "/mib", 1 << 20);
    WritePattern(b.local + "/gib", gib);
    std::printf("peak resident size of a process (KiB): 1 MiB, 1 GiB, difference\n");
    const std::string self = fs::canonical("/proc/self/exe").string();
    for (bool passive : {true, false})
        for (bool down : {true, false}) {
            long peak[2];
            for (int i = 0; i < 2; ++i) {
                const std::string which = i == 0 ? "mib" : "gib";
                const std::string file = down ? b.local + "/rss-down" : b.local + "/" + which;
                peak[i] = RssOfChild(self, port, passive, down, file, which);
                fs::remove(b.local + "/rss-down");
                fs::remove(b.root + "/rss-up");
            }
            std::printf("  %-8s %-9s %8ld %8ld %8ld\n", passive ? "passive" : "active", down ? "download" : "upload", peak[0],
                        peak[1], peak[1] - peak[0]);
            b.allRight &= peak[0] > 0 && peak[1] > 0;
        }
    for (const char* f : {"/mib", "/gib"}) {
        fs::remove(b.root + f);
        fs::remove(b.local + f);
    }
}

// The longest tick gap over a few whole logins (over TLS: the handshake, the certificate's
// check, PBSZ and PROT), and how long a login takes.
void LoginGaps(Bench& b, int port, bool tls)
{
    const int count = 5;
    qint64 gap = 0;
    double longest = 0, busy = 0;
    for (int i = 0; i < count; ++i) {
        b.watch.Start();
        const auto start = Clock::now();
        std::unique_ptr<TVellFtp> ftp(Client(port, b.failures, tls));
        longest = std::max(longest, Seconds(start));
        gap = std::max(gap, b.watch.Stop());
        busy = std::max(busy, b.watch.busiest);
        b.allRight &= ftp->Connected();
        ftp->Disconnect();
    }
    std::printf("%d logins%s: longest %.1f ms, longest tick gap %lld ms, longest busy %.1f ms\n", count, tls ? " over TLS" : "",
                longest * 1e3, static_cast<long long>(gap), busy);
    if (!tls) return;
    const std::string first = ChildOutput({fs::canonical("/proc/self/exe").string(), "--first-tls-login", std::to_string(port)});
    b.allRight &= !first.empty();
    std::printf("the first TLS login of a process: %s", first.empty() ? "failed\n" : first.c_str());
}

void NoopRoundTrips(Bench& b, TVellFtp& ftp, int port)
{
    const int count = 1000;
    b.watch.Start();
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) ftp.DoCommand("NOOP");
    const double oursNoop = Seconds(start);
    const qint64 noopGap = b.watch.Stop();
    const double rawNoop = RawNoopSeconds(port, count);
    std::printf("%d NOOP: ours %.1f us each, raw socket %.1f us each, ratio %.2f, longest tick gap %lld ms\n", count,
                oursNoop * 1e6 / count, rawNoop * 1e6 / count, rawNoop > 0 ? oursNoop / rawNoop : 0.0,
                static_cast<long long>(noopGap));
}

// A runtime folder of the benchmark's own, removed at the end: without one, Qt makes
// /tmp/runtime-$USER and leaves it behind. The --rss children use their parent's.
struct PrivateRuntimeDir {
    std::string path;
    PrivateRuntimeDir()
    {
        char pattern[] = "/tmp/tavin3-ftp-bench-runtime-XXXXXX";
        if (mkdtemp(pattern)) path = pattern;  // mode 0700, as a runtime folder must be
        if (!path.empty()) setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
    ~PrivateRuntimeDir()
    {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const bool rss = argc == 7 && std::string(argv[1]) == "--rss";
    const bool firstLogin = argc == 3 && std::string(argv[1]) == "--first-tls-login";
    const bool child = rss || firstLogin;
    std::optional<PrivateRuntimeDir> runtime;
    if (!child) runtime.emplace();
    QApplication app(argc, argv);
    if (firstLogin) return FirstTlsLoginMain(std::atoi(argv[2]));
    if (rss)
        return RssMain(std::atoi(argv[2]), std::string(argv[3]) == "passive", std::string(argv[4]) == "down", argv[5], argv[6]);

    // --plain: the transfers without TLS only, and no resident sizes (a quick look at speed).
    int first = 1;
    const bool plainOnly = argc > 1 && std::string(argv[1]) == "--plain";
    if (plainOnly) ++first;
    const std::size_t mib = argc > first ? std::strtoul(argv[first], nullptr, 10) : 256;
    const std::size_t size = mib * 1024 * 1024;
    std::vector<std::string> names;
    for (int i = first + 1; i < argc; ++i) names.push_back(argv[i]);
    if (names.empty()) names = {"pyftpdlib", "vsftpd", "proftpd", "pure-ftpd"};

    char pattern[] = "/tmp/tavin3-ftp-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::string root = dir + "/root";
    const std::string local = dir + "/local";
    fs::create_directories(root);
    fs::create_directories(local);
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    WritePattern(root + "/big", size);
    WritePattern(local + "/source", size);

    std::printf("FTP benchmark: %zu MiB files on loopback; ours against curl, interleaved, best of three runs\n", mib);
    Bench b;
    b.root = root;
    b.local = local;
    b.size = size;
    for (const std::string& name : names) {
        for (bool tls : {false, true}) {
            if (tls && plainOnly) continue;
            Server server;
            if (!StartServer(server, name, root, tls)) {
                std::printf("\n%s%s: did not start (run scripts/ftp-servers.sh fetch as root)\n", name.c_str(),
                            tls ? " over TLS" : "");
                b.allRight = false;
                continue;
            }
            const std::string login = std::string(kUser) + ":" + kPassword;
            if (tls) TlsTrustCertificates(AnsiString(server.certificate.c_str()));
            const std::string url = "ftp://" + login + (tls ? "@localhost:" : "@127.0.0.1:") + std::to_string(server.port);
            std::unique_ptr<TVellFtp> ftp(Client(server.port, b.failures, tls));
            const CpuTicks before = CpuTicks::Now();
            const std::vector<Row> rows = TransferRows(b, *ftp, url, tls, server.certificate);
            PrintRows(tls ? name + " over TLS" : name, rows, size, CpuTicks::StolenPercent(before, CpuTicks::Now()));
            PrintModes(rows, size);
            if (!tls) ResumeRow(b, *ftp, url);
            LoginGaps(b, server.port, tls);
            if (!tls) NoopRoundTrips(b, *ftp, server.port);
            ftp->Disconnect();
            if (!tls && !plainOnly && name == names.front()) ResidentSizes(b, server.port);
        }
    }
    std::printf("\nall sizes right: %s, failures reported: %d\n", b.allRight ? "yes" : "NO", b.failures);
    fs::remove_all(dir);
    return b.allRight && b.failures == 0 ? 0 : 1;
}
