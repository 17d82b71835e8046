#pragma once
// Fixture for tests that run a built program on a private X server and drive it from outside:
// windows found and clicked with xdotool, closed as a window manager would close them.
#include "tests/app/XSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct ShownWindow {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;
};

class ProgramOnScreen : public testing::Test {
protected:
    // Skips the test when Xvfb cannot start here.
    void SetUp() override;

    // The server's environment; system libraries' caches that live until exit are no leaks.
    std::vector<std::string> ProgramEnvironment();
    void Xdotool(std::vector<std::string> args);
    // The visible window of that title (and size, unless negative), once it has been mapped.
    std::optional<ShownWindow> WaitForWindow(const std::string& title, int width = -1, int height = -1, int timeoutMs = 30000);
    // The same, found by its window class (WM_CLASS) instead; other than the window except.
    std::optional<ShownWindow> WaitForWindowOfClass(const std::string& windowClass, const std::string& except = {},
                                                    int timeoutMs = 30000);
    std::optional<ShownWindow> Geometry(const std::string& id);
    void ClickAt(const ShownWindow& w, int cx, int cy);
    // Asks the window to close (WM_DELETE_WINDOW), as the close box of a window manager does.
    void RequestClose(const ShownWindow& w);

    XSession x;

private:
    std::optional<ShownWindow> WaitForSearch(const std::vector<std::string>& search, int width, int height,
                                             const std::string& except, int timeoutMs);
};

// The program's output (stdout and stderr together) and exit code; runs without a display.
struct ProgramRun {
    std::optional<int> exitCode;
    std::string output;
};
// Calls check until it gives a value, for up to timeoutMs; nullopt when it never did.
template <class F>
auto WaitFor(F check, int timeoutMs = 30000) -> decltype(check())
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (auto value = check()) return value;
        if (std::chrono::steady_clock::now() >= end) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // poll interval
    }
}
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs = 60000);
