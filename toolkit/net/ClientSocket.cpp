// TCustomWinSocket (the connection object) and the blocking client socket.
#include "toolkit/net/ScktComp.h"
#include "toolkit/net/WinSock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace {

AnsiString AddressText(const sockaddr_in& a)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return AnsiString(text);
}

bool SocketName(int fd, bool peer, sockaddr_in& out)
{
    socklen_t len = sizeof out;
    std::memset(&out, 0, sizeof out);
    if (fd < 0) return false;
    int r = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&out), &len)
                 : ::getsockname(fd, reinterpret_cast<sockaddr*>(&out), &len);
    return r == 0 && out.sin_family == AF_INET;
}

bool WouldBlock(int err) { return err == EAGAIN || err == EWOULDBLOCK; }

}  // namespace

// ---- TCustomWinSocket ------------------------------------------------------------------------

TCustomWinSocket::~TCustomWinSocket()
{
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
    ::close(FSocket);
    FSocket = -1;
    FConnected = false;
}

void TCustomWinSocket::RaiseError(const char* api, int err) const
{
    std::string text = std::string(api) + ": " + std::strerror(err) + " (" + std::to_string(err) + "), " +
                       FPeerName.str() + ":" + std::to_string(FPeerPort);
    throw ESocketError(AnsiString(text));
}

int TCustomWinSocket::ReceiveBuf(void* buffer, int count)
{
    if (FSocket < 0 || !FConnected || count <= 0) return 0;
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
    if (FSocket < 0 || ioctlsocket(FSocket, FIONREAD, &pending) != 0) return 0;
    return pending > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(pending);
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
    sockaddr_in a;
    return SocketName(FSocket, false, a) ? AddressText(a) : AnsiString();
}

int TCustomWinSocket::LocalPort() const
{
    sockaddr_in a;
    return SocketName(FSocket, false, a) ? ntohs(a.sin_port) : 0;
}

AnsiString TCustomWinSocket::RemoteAddress() const
{
    sockaddr_in a;
    return SocketName(FSocket, true, a) ? AddressText(a) : AnsiString();
}

int TCustomWinSocket::RemotePort() const
{
    sockaddr_in a;
    return SocketName(FSocket, true, a) ? ntohs(a.sin_port) : 0;
}

// ---- TClientWinSocket ------------------------------------------------------------------------

void TClientWinSocket::Connect(const AnsiString& name, int port)
{
    FPeerName = name;
    FPeerPort = port;
    if (name.IsEmpty()) RaiseError("connect", EDESTADDRREQ);
    if (port <= 0 || port > 65535) RaiseError("connect", EINVAL);

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &found); r != 0 || !found) {
        std::string text = std::string("getaddrinfo: ") + ::gai_strerror(r) + ", " + name.str() + ":" + std::to_string(port);
        throw ESocketError(AnsiString(text));
    }
    sockaddr_in target{};
    std::memcpy(&target, found->ai_addr, sizeof target);
    ::freeaddrinfo(found);
    target.sin_port = htons(static_cast<uint16_t>(port));

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) RaiseError("socket", errno);
    int r;
    do {
        r = ::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        int err = errno;
        ::close(fd);
        RaiseError("connect", err);
    }
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
