#include "toolkit/controls/DisplayProbe.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
std::string Env(const char* name)
{
    const char* s = std::getenv(name);
    return s ? s : "";
}

// A local X display (":0", ":1.0", "unix:2") is reachable when its socket accepts a connection;
// Qt would abort on one that does not. Remote displays are taken on trust.
bool XDisplayReachable(const std::string& display)
{
    auto colon = display.rfind(':');
    if (display.empty() || colon == std::string::npos) return false;
    std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix") return true;
    std::string number = display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
    std::string path = "/tmp/.X11-unix/X" + number;
    for (bool abstract : {false, true}) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::size_t offset = abstract ? 1 : 0;  // abstract names start with a NUL byte
        std::memcpy(addr.sun_path + offset, path.data(), std::min(path.size(), sizeof addr.sun_path - 1 - offset));
        auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
        ::close(fd);
        if (ok) return true;
    }
    return false;
}
}  // namespace

bool DisplayAvailable()
{
    std::string platform = Env("QT_QPA_PLATFORM");
    if (platform.starts_with("wayland")) return !Env("WAYLAND_DISPLAY").empty();
    if (!platform.empty() && !platform.starts_with("xcb")) return true;  // offscreen, vnc, ...
    if (platform.empty() && !Env("WAYLAND_DISPLAY").empty()) return true;
    return XDisplayReachable(Env("DISPLAY"));
}
