#include "tests/app/XSession.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}
}  // namespace

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    else posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    int rc = posix_spawnp(&FPid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) FPid = -1;
    return rc == 0;
}

std::optional<int> ChildProcess::WaitExit(int timeoutMs)
{
    if (FPid <= 0) return std::nullopt;
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t r = waitpid(FPid, &status, WNOHANG);
        if (r == FPid) {
            FPid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (r < 0 || MsLeft(end) == 0) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void ChildProcess::Kill()
{
    if (FPid <= 0) return;
    kill(FPid, SIGTERM);
    if (!WaitExit(3000)) {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    FPid = -1;
}

XSession::~XSession() { FServer.Kill(); }

bool XSession::Start()
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    // Xvfb picks a free display number itself and writes it to the descriptor it inherits. It must
    // not reset when its last client leaves: a program connecting while a polling tool's exit
    // resets the server is dropped ("could not connect to display").
    bool started = FServer.Start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset", "-screen", "0", "640x480x24", "-nolisten", "tcp"},
                                 Environment());
    close(fds[1]);
    std::string number;
    auto end = Clock::now() + std::chrono::seconds(15);
    while (started && number.find('\n') == std::string::npos) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, MsLeft(end)) <= 0) break;
        char buf[32];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        FServer.Kill();
        return false;
    }
    FDisplay = ":" + number.substr(0, number.find('\n'));
    return true;
}

std::vector<std::string> EnvironmentWithoutDisplay(const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (entry.starts_with("DISPLAY=") || entry.starts_with("QT_QPA_PLATFORM=") || entry.starts_with("WAYLAND_DISPLAY="))
            continue;
        env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<std::string> XSession::Environment() const
{
    if (FDisplay.empty()) return EnvironmentWithoutDisplay();
    return EnvironmentWithoutDisplay({"DISPLAY=" + FDisplay});
}

std::optional<std::string> XSession::Run(const std::vector<std::string>& argv, int timeoutMs)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    ChildProcess tool;
    bool started = tool.Start(argv, Environment(), fds[1]);
    close(fds[1]);
    std::string out;
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (started) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, MsLeft(end)) <= 0) break;
        char buf[65536];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    std::optional<int> code = started ? tool.WaitExit(MsLeft(end)) : std::nullopt;
    if (code != 0) return std::nullopt;
    return out;
}

QImage XSession::Screenshot()
{
    std::optional<std::string> png = Run({"import", "-window", "root", "png:-"});
    if (!png) return {};
    return QImage::fromData(reinterpret_cast<const uchar*>(png->data()), static_cast<int>(png->size()), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}
