// TCustomWinSocket: one connection and its OS socket handle (TLS on it: TlsSocket.cpp).
#include "toolkit/net/CustomWinSocket.h"
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

// One end of a connection: its own (peer false) or the peer's; empty without a socket.
struct TEnd {
    AnsiString address;
    int port = 0;
};

TEnd EndOf(int fd, bool peer)
{
    sockaddr_storage a;
    socklen_t len;
    if (!SocketName(fd, peer, a, len)) return {};
    return {AddressText(a, len), PortOf(a)};
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

AnsiString TCustomWinSocket::LocalAddress() const { return EndOf(FSocket, false).address; }
int TCustomWinSocket::LocalPort() const { return EndOf(FSocket, false).port; }
AnsiString TCustomWinSocket::RemoteAddress() const { return EndOf(FSocket, true).address; }
int TCustomWinSocket::RemotePort() const { return EndOf(FSocket, true).port; }
