#pragma once
// A private X server (Xvfb) for end-to-end tests, and the programs run against it.
#include <QImage>

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// A child process; killed on destruction unless it has ended.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Starts argv[0] (searched on PATH) with the given environment; stdout goes to outFd, or
    // nowhere when it is -1, and stderr is kept. False when it cannot be started.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outFd = -1);
    // The exit code once it ended within the time; -1 when it was ended by a signal.
    std::optional<int> WaitExit(int timeoutMs);
    void Kill();
    bool Running() const { return FPid > 0; }

private:
    pid_t FPid = -1;
};

// This process's environment without any display, with the extra entries added.
std::vector<std::string> EnvironmentWithoutDisplay(const std::vector<std::string>& extra = {});

class XSession {
public:
    XSession() = default;
    ~XSession();
    // Starts Xvfb on a free display; false when it cannot start here.
    bool Start();
    const std::string& Display() const { return FDisplay; }
    // The environment of this process with DISPLAY set to the server and no Qt platform forced.
    std::vector<std::string> Environment() const;
    // Runs a tool against the server and returns its output; nullopt when it fails.
    std::optional<std::string> Run(const std::vector<std::string>& argv, int timeoutMs = 10000);
    // The whole screen.
    QImage Screenshot();

private:
    ChildProcess FServer;
    std::string FDisplay;
};
