// TCustomWinSocket (the connection object) and the blocking client socket.
#include "toolkit/net/ScktComp.h"
#include "toolkit/net/TlsSession.h"
#include "toolkit/net/WinSock.h"
#include "toolkit/net/WouldBlock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>

namespace {

// Numeric text of an address; an IPv4-mapped IPv6 address as the IPv4 address it stands for.
AnsiString AddressText(const sockaddr_storage& a, socklen_t len)
{
    char text[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&a), len, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0)
        return AnsiString();
    std::string s = text;
    if (a.ss_family == AF_INET6 && s.rfind("::ffff:", 0) == 0 && s.find('.') != std::string::npos) s = s.substr(7);
    return AnsiString(s);
}

int PortOf(const sockaddr_storage& a)
{
    if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
    return 0;
}

bool SocketName(int fd, bool peer, sockaddr_storage& out, socklen_t& len)
{
    len = sizeof out;
    std::memset(&out, 0, sizeof out);
    if (fd < 0) return false;
    int r = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&out), &len)
                 : ::getsockname(fd, reinterpret_cast<sockaddr*>(&out), &len);
    return r == 0 && (out.ss_family == AF_INET || out.ss_family == AF_INET6);
}

// "[::1]" names the address ::1.
std::string WithoutBrackets(const std::string& name)
{
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') return name.substr(1, name.size() - 2);
    return name;
}

}  // namespace

// ---- TCustomWinSocket ------------------------------------------------------------------------

TCustomWinSocket::TCustomWinSocket() = default;

TCustomWinSocket::~TCustomWinSocket()
{
    FTls.reset();  // close_notify before the socket goes
    if (FSocket >= 0) ::close(FSocket);
}

void TCustomWinSocket::Attach(int handle, const AnsiString& host, int port)
{
    FSocket = handle;
    FConnected = true;
    FPeerName = host;
    FPeerPort = port;
}

void TCustomWinSocket::Close()
{
    if (FSocket < 0) return;
    FTls.reset();  // sends close_notify first
    ::close(FSocket);
    FSocket = -1;
    FConnected = false;
}

void TCustomWinSocket::ShutdownSend(unsigned long timeOutMs)
{
    const int fd = FSocket;
    if (fd < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeOutMs);
    while (FTls && !FTls->SendCloseNotify()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        SocketReadyOrMessages(fd, true, static_cast<unsigned long>(std::min<long long>(left.count(), 50)));
        if (FSocket != fd) return;  // a handler closed it meanwhile
    }
    ::shutdown(fd, SHUT_WR);
}

bool TCustomWinSocket::SetKeepAlive(int idleSeconds)
{
    if (FSocket < 0) return false;
    const int on = idleSeconds > 0 ? 1 : 0;
    if (::setsockopt(FSocket, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) return false;
    if (!on) return true;
    return ::setsockopt(FSocket, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds) == 0 &&
           ::setsockopt(FSocket, IPPROTO_TCP, TCP_KEEPINTVL, &idleSeconds, sizeof idleSeconds) == 0;
}

void TCustomWinSocket::RaiseError(const char* api, int err) const
{
    std::string text = std::string(api) + ": " + std::strerror(err) + " (" + std::to_string(err) + "), " + FPeerName.str() + ":" +
                       std::to_string(FPeerPort);
    throw ESocketError(AnsiString(text));
}

int TCustomWinSocket::ReceiveBuf(void* buffer, int count)
{
    if (FSocket < 0 || !FConnected || count <= 0) return 0;
    if (FTls) return TlsReceive(buffer, count);
    for (;;) {
        ssize_t n = ::recv(FSocket, buffer, static_cast<std::size_t>(count), MSG_DONTWAIT);
        if (n > 0) return static_cast<int>(n);
        if (n == 0) {
            FConnected = false;
            return 0;
        }
        int err = errno;
        if (err == EINTR) continue;
        if (WouldBlock(err)) return -1;
        Close();
        RaiseError("recv", err);
    }
}

int TCustomWinSocket::SendBuf(const void* buffer, int count)
{
    if (FSocket < 0 || count <= 0) return 0;
    if (FTls) {
        const int n = TlsSend(buffer, count);
        if (n < 0) SendWouldBlock();
        return n;
    }
    for (;;) {
        ssize_t n = ::send(FSocket, buffer, static_cast<std::size_t>(count), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0) return static_cast<int>(n);
        int err = errno;
        if (err == EINTR) continue;
        if (WouldBlock(err)) {
            SendWouldBlock();
            return -1;
        }
        Close();
        RaiseError("send", err);
    }
}

int TCustomWinSocket::ReceiveLength() const
{
    u_long pending = 0;
    if (FSocket < 0 || ioctlsocket(FSocket, FIONREAD, &pending) != 0) pending = 0;
    pending += static_cast<u_long>(TlsPending());
    return pending > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(pending);
}

bool TCustomWinSocket::Ready(bool forWrite, unsigned long timeOut) const
{
    if (FSocket < 0) return false;
    if (!forWrite && TlsReadable()) return true;
    return SocketReady(FSocket, forWrite, timeOut > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(timeOut));
}

bool TCustomWinSocket::ReadyOrMessages(bool forWrite, unsigned long timeOut) const
{
    const int fd = FSocket;
    if (fd < 0) return false;
    if (!forWrite && TlsReadable()) return true;
    const bool ready = SocketReadyOrMessages(fd, forWrite, timeOut);
    return ready && FSocket == fd;  // a handler may have closed it meanwhile
}

int TCustomWinSocket::AddressFamily() const
{
    sockaddr_storage a;
    socklen_t len;
    return SocketName(FSocket, false, a, len) ? a.ss_family : 0;
}

AnsiString TCustomWinSocket::ReceiveText()
{
    std::string text(static_cast<std::size_t>(ReceiveLength()), '\0');
    int n = text.empty() ? 0 : ReceiveBuf(text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return AnsiString(std::move(text));
}

AnsiString TCustomWinSocket::LocalAddress() const
{
    sockaddr_storage a;
    socklen_t len;
    return SocketName(FSocket, false, a, len) ? AddressText(a, len) : AnsiString();
}

int TCustomWinSocket::LocalPort() const
{
    sockaddr_storage a;
    socklen_t len;
    return SocketName(FSocket, false, a, len) ? PortOf(a) : 0;
}

AnsiString TCustomWinSocket::RemoteAddress() const
{
    sockaddr_storage a;
    socklen_t len;
    return SocketName(FSocket, true, a, len) ? AddressText(a, len) : AnsiString();
}

int TCustomWinSocket::RemotePort() const
{
    sockaddr_storage a;
    socklen_t len;
    return SocketName(FSocket, true, a, len) ? PortOf(a) : 0;
}

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

// ---- TClientSocket ---------------------------------------------------------------------------

TClientSocket::TClientSocket(TComponent* AOwner) : TComponent(AOwner), FSocket(new TClientWinSocket) {}

TClientSocket::~TClientSocket()
{
    Destroying();
    delete FSocket;
}

void TClientSocket::CheckInactive(bool changed) const
{
    if (changed && Active()) throw ESocketError(AnsiString("Cannot change the value while the socket is active"));
}

void TClientSocket::SetHost(const AnsiString& value)
{
    CheckInactive(value != FHost);
    FHost = value;
}

void TClientSocket::SetAddress(const AnsiString& value)
{
    CheckInactive(value != FAddress);
    FAddress = value;
}

void TClientSocket::SetPort(int value)
{
    CheckInactive(value != FPort);
    FPort = value;
}

void TClientSocket::Open()
{
    if (Active()) return;
    FSocket->Connect(FHost.IsEmpty() ? FAddress : FHost, FPort);
}

void TClientSocket::Close() { FSocket->Close(); }
