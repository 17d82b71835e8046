#include "toolkit/controls/DisplayProbe.h"

#include <QDir>
#include <QLibraryInfo>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {
std::string Env(const char* name)
{
    const char* s = std::getenv(name);
    return s ? s : "";
}

bool Connects(const std::string& path, bool abstract)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::size_t offset = abstract ? 1 : 0;  // abstract names start with a NUL byte
    std::size_t length = std::min(path.size(), sizeof addr.sun_path - 1 - offset);
    std::memcpy(addr.sun_path + offset, path.data(), length);
    auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + length);
    bool ok = length == path.size() && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
    ::close(fd);
    return ok;
}

// What one platform lacks here, empty when it would open.
using Problem = std::string;

// A local X display (":0", ":1.0", "unix:2") is reachable when its socket accepts a connection.
// Remote displays are taken on trust.
Problem XProblem(const std::string& executable)
{
    const std::string display = Env("DISPLAY");
    const std::string virtualOne = "run it on a desktop, or under a virtual X display with: xvfb-run -a " + executable;
    if (display.empty()) return "no X display is set (DISPLAY); " + virtualOne;
    auto colon = display.rfind(':');
    std::string host = colon == std::string::npos ? std::string() : display.substr(0, colon);
    if (colon != std::string::npos && !host.empty() && host != "unix") return {};
    std::string number = colon == std::string::npos ? std::string() : display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
        return "DISPLAY '" + display + "' names no X display; " + virtualOne;
    std::string path = "/tmp/.X11-unix/X" + number;
    if (Connects(path, false) || Connects(path, true)) return {};
    return "the X display '" + display + "' does not answer; set DISPLAY to a running X server, or " + virtualOne;
}

bool PlatformPluginInstalled(const std::string& prefix)
{
    QStringList dirs{QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms")};
    for (const QString& dir : QString::fromStdString(Env("QT_PLUGIN_PATH")).split(':', Qt::SkipEmptyParts))
        dirs << dir + QStringLiteral("/platforms");
    const QString path = QString::fromStdString(Env("QT_QPA_PLATFORM_PLUGIN_PATH"));
    if (!path.isEmpty()) dirs << path;
    const QStringList filter{QStringLiteral("libq%1*.so").arg(QString::fromStdString(prefix))};
    return std::any_of(dirs.begin(), dirs.end(),
                       [&](const QString& d) { return !QDir(d).entryList(filter, QDir::Files).isEmpty(); });
}

// The Wayland client library connects to WAYLAND_DISPLAY (wayland-0 when unset), a name in
// XDG_RUNTIME_DIR unless it is a path; a socket handed down in WAYLAND_SOCKET is taken on trust.
Problem WaylandProblem()
{
    if (!PlatformPluginInstalled("wayland"))
        return "Qt's Wayland platform is not installed; install it (Debian and Ubuntu: apt install qt6-wayland)";
    if (!Env("WAYLAND_SOCKET").empty()) return {};
    std::string name = Env("WAYLAND_DISPLAY");
    if (name.empty()) name = "wayland-0";
    std::string path = name;
    if (name.front() != '/') {
        const std::string runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return "XDG_RUNTIME_DIR is not set (as under sudo or su), so the Wayland display '" + name +
                   "' cannot be found; run it as the desktop's own user, or set XDG_RUNTIME_DIR to that user's runtime folder";
        path = runtime + "/" + name;
    }
    if (Connects(path, false)) return {};
    return "the Wayland display '" + name + "' does not answer at " + path +
           "; set WAYLAND_DISPLAY to the socket of the running compositor" +
           (Env("QT_QPA_PLATFORM").empty() ? ", or unset it to use X11" : "");
}

std::vector<std::string> Split(const std::string& list)
{
    std::vector<std::string> names;
    std::stringstream in(list);
    for (std::string name; std::getline(in, name, ';');)
        if (!name.empty()) names.push_back(name.substr(0, name.find(':')));  // "xcb:option=value"
    return names;
}

// The platforms Qt tries, in its order.
std::vector<std::string> Platforms()
{
    const std::string forced = Env("QT_QPA_PLATFORM");
    if (!forced.empty()) return Split(forced);
    std::vector<std::string> order;
    if (!Env("WAYLAND_DISPLAY").empty() || Env("XDG_SESSION_TYPE") == "wayland") order.emplace_back("wayland");
    order.emplace_back("xcb");
    return order;
}
}  // namespace

std::string DisplayProblem(const std::string& executable)
{
    std::vector<std::string> problems;
    for (const std::string& platform : Platforms()) {
        Problem problem;
        if (platform.starts_with("wayland")) problem = WaylandProblem();
        else if (platform == "xcb") problem = XProblem(executable);
        else if (!PlatformPluginInstalled(platform)) problem = "Qt has no platform '" + platform + "' here (QT_QPA_PLATFORM)";
        if (problem.empty()) return {};
        if (std::find(problems.begin(), problems.end(), problem) == problems.end()) problems.push_back(problem);
    }
    if (problems.empty()) return "QT_QPA_PLATFORM names no platform; unset it";
    std::string text;
    for (const std::string& p : problems) text += (text.empty() ? "" : "; and ") + p;
    return text;
}

bool DisplayAvailable() { return DisplayProblem("").empty(); }
