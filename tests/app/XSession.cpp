#include "tests/app/XSession.h"

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
}  // namespace

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
    const std::string number = started ? ReadPipe(fds[0], std::chrono::seconds(15), true) : std::string();
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
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string out = started ? ReadPipe(fds[0], std::chrono::milliseconds(timeoutMs)) : std::string();
    close(fds[0]);
    std::optional<int> code = started ? tool.WaitExit(MillisecondsUntil(end)) : std::nullopt;
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
