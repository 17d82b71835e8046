// TClientWinSocket: the name look-up and the blocking connect of a client connection.
#include "toolkit/net/ClientWinSocket.h"
#include "toolkit/net/WinSock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>

namespace {

// "[::1]" names the address ::1.
std::string WithoutBrackets(const std::string& name)
{
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') return name.substr(1, name.size() - 2);
    return name;
}

}  // namespace

// ---- TClientWinSocket ------------------------------------------------------------------------

void TClientWinSocket::Connect(const AnsiString& name, int port)
{
    FPeerName = name;
    FPeerPort = port;
    if (name.IsEmpty()) RaiseError("connect", EDESTADDRREQ);
    if (port <= 0 || port > 65535) RaiseError("connect", EINVAL);

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string host = WithoutBrackets(name.str());
    if (int r = ::getaddrinfo(host.c_str(), nullptr, &hints, &found); r != 0 || !found) {
        std::string text = std::string("getaddrinfo: ") + ::gai_strerror(r) + ", " + name.str() + ":" + std::to_string(port);
        throw ESocketError(AnsiString(text));
    }
    // Every address in the resolver's order, until one answers; the last failure is reported.
    int fd = -1;
    int err = ECONNREFUSED;
    const char* failedCall = "connect";
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        if (a->ai_family != AF_INET && a->ai_family != AF_INET6) continue;
        sockaddr_storage target{};
        std::memcpy(&target, a->ai_addr, a->ai_addrlen);
        if (a->ai_family == AF_INET) reinterpret_cast<sockaddr_in&>(target).sin_port = htons(static_cast<uint16_t>(port));
        else reinterpret_cast<sockaddr_in6&>(target).sin6_port = htons(static_cast<uint16_t>(port));
        int s = ::socket(a->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) {
            err = errno;
            failedCall = "socket";
            continue;
        }
        int r;
        do {
            r = ::connect(s, reinterpret_cast<sockaddr*>(&target), a->ai_addrlen);
        } while (r != 0 && errno == EINTR);
        if (r == 0) {
            fd = s;
            break;
        }
        err = errno;
        failedCall = "connect";
        ::close(s);
    }
    ::freeaddrinfo(found);
    if (fd < 0) RaiseError(failedCall, err);
    if (FClientType == ctNonBlocking) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    Attach(fd, name, port);
}
