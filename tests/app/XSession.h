#pragma once
// A private X server (Xvfb) for end-to-end tests, and the programs run against it.
#include "tests/fixtures/ChildProcess.h"

#include <QImage>

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

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
