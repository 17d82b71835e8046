#include "tests/app/ProgramOnScreen.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

void ProgramOnScreen::SetUp()
{
    if (!x.Start()) GTEST_SKIP() << "Xvfb cannot start here, so the program cannot be run on a screen.";
}

std::vector<std::string> ProgramOnScreen::ProgramEnvironment()
{
    std::vector<std::string> env;
    for (const std::string& e : x.Environment())
        if (!e.starts_with("LSAN_OPTIONS=")) env.push_back(e);
    env.push_back("LSAN_OPTIONS=suppressions=" + std::string(TAVIN3_SOURCE_DIR) + "/tests/lsan.supp:print_suppressions=0");
    return env;
}

void ProgramOnScreen::Xdotool(std::vector<std::string> args)
{
    args.insert(args.begin(), "xdotool");
    ASSERT_TRUE(x.Run(args)) << "xdotool " << args[1] << " failed";
}

std::optional<ShownWindow> ProgramOnScreen::WaitForSearch(const std::vector<std::string>& search, int width, int height,
                                                          const std::string& except, int timeoutMs)
{
    return WaitFor(
        [&]() -> std::optional<ShownWindow> {
            std::istringstream ids(x.Run(search).value_or(""));
            for (std::string id; ids >> id;) {
                if (id == except) continue;
                std::optional<ShownWindow> w = Geometry(id);
                if (w && (width < 0 || (w->width == width && w->height == height))) return w;
            }
            return std::nullopt;
        },
        timeoutMs);
}

std::optional<ShownWindow> ProgramOnScreen::WaitForWindow(const std::string& title, int width, int height, int timeoutMs)
{
    return WaitForSearch({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, width, height, {}, timeoutMs);
}

std::optional<ShownWindow> ProgramOnScreen::WaitForWindowOfClass(const std::string& windowClass, const std::string& except,
                                                                 int timeoutMs)
{
    return WaitForSearch({"xdotool", "search", "--onlyvisible", "--class", "^" + windowClass + "$"}, -1, -1, except, timeoutMs);
}

std::optional<ShownWindow> ProgramOnScreen::Geometry(const std::string& id)
{
    std::optional<std::string> shell = x.Run({"xdotool", "getwindowgeometry", "--shell", id});
    if (!shell) return std::nullopt;
    ShownWindow w{id};
    std::istringstream lines(*shell);
    for (std::string line; std::getline(lines, line);) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X") w.x = value;
        else if (key == "Y") w.y = value;
        else if (key == "WIDTH") w.width = value;
        else if (key == "HEIGHT") w.height = value;
    }
    return w;
}

void ProgramOnScreen::ClickAt(const ShownWindow& w, int cx, int cy)
{
    Xdotool({"mousemove", "--sync", std::to_string(w.x + cx), std::to_string(w.y + cy), "click", "1"});
}

void ProgramOnScreen::RequestClose(const ShownWindow& w)
{
    xcb_connection_t* c = xcb_connect(x.Display().c_str(), nullptr);
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(c, &xcb_disconnect);
    ASSERT_FALSE(xcb_connection_has_error(c));
    auto atom = [c](const char* name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(std::stoul(w.id));
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, message.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    ASSERT_NE(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr), nullptr) << "the X server did not answer";
}

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs)
{
    ProgramRun run;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return run;
    // Through the shell so that stderr joins stdout.
    std::vector<std::string> command = {"/bin/sh", "-c", "exec \"$@\" 2>&1", "sh"};
    command.insert(command.end(), argv.begin(), argv.end());
    ChildProcess child;
    bool started = child.Start(command, env, fds[1]);
    close(fds[1]);
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto left = [end] {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        return ms < 0 ? 0 : static_cast<int>(ms);
    };
    while (started) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, left()) <= 0) break;
        char buf[4096];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        run.output.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (started) run.exitCode = child.WaitExit(left());
    return run;
}
