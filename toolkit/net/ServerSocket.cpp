// The listening socket and its accepted connections, driven by Qt socket notifiers.
//
// A closed connection is not deleted while one of its handlers is on the stack (FBusy), and a
// notifier is never deleted from inside its own activation: closed connections wait in FClosed
// until a later notification, Open, Close or the destructor reaps them.
#include "toolkit/net/ServerSocket.h"
#include "toolkit/controls/Application.h"
#include "toolkit/net/WinSock.h"
#include "toolkit/net/WouldBlock.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>

class TServerSocketPrivate {
public:
    QSocketNotifier listen{QSocketNotifier::Read};
};

// ---- TServerSocket ---------------------------------------------------------------------------

TServerSocket::TServerSocket(TComponent* AOwner) : TComponent(AOwner), d(std::make_unique<TServerSocketPrivate>())
{
    QObject::connect(&d->listen, &QSocketNotifier::activated, [this] { Accept(); });
}

TServerSocket::~TServerSocket()
{
    Destroying();
    Close();
    for (TServerClientWinSocket* c : FClosed) delete c;
}

void TServerSocket::SetPort(int value)
{
    if (value != FPort && Active()) throw ESocketError(AnsiString("Cannot change the value while the socket is active"));
    FPort = value;
}

void TServerSocket::SetFamily(TSocketFamily value)
{
    if (value != FFamily && Active()) throw ESocketError(AnsiString("Cannot change the value while the socket is active"));
    FFamily = value;
}

void TServerSocket::RaiseListenError(const char* api, int err) const
{
    std::string text = std::string(api) + ": " + std::strerror(err) + " (" + std::to_string(err) + "), " +
                       (FFamily == sfIPv6 ? "[::]:" : "0.0.0.0:") + std::to_string(FPort);
    throw ESocketError(AnsiString(text));
}

void TServerSocket::Open()
{
    if (!TryOpen()) RaiseListenError("bind", EADDRINUSE);
}

bool TServerSocket::TryOpen()
{
    if (Active()) return true;
    Reap();
    auto fail = [this](const char* api, int fd) {
        int err = errno;
        if (fd >= 0) ::close(fd);
        RaiseListenError(api, err);
    };
    if (FPort < 0 || FPort > 65535) {
        errno = EINVAL;
        fail("bind", -1);
    }
    const int family = FFamily == sfIPv6 ? AF_INET6 : AF_INET;
    int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) fail("socket", -1);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage a{};
    socklen_t len;
    if (family == AF_INET6) {
        // IPv6 only: the IPv4 port of the same number may belong to someone else.
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        auto& a6 = reinterpret_cast<sockaddr_in6&>(a);
        a6.sin6_family = AF_INET6;
        a6.sin6_addr = in6addr_any;
        a6.sin6_port = htons(static_cast<uint16_t>(FPort));
        len = sizeof a6;
    } else {
        auto& a4 = reinterpret_cast<sockaddr_in&>(a);
        a4.sin_family = AF_INET;
        a4.sin_addr.s_addr = htonl(INADDR_ANY);
        a4.sin_port = htons(static_cast<uint16_t>(FPort));
        len = sizeof a4;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0) {
        if (errno == EADDRINUSE) {
            ::close(fd);
            return false;
        }
        fail("bind", fd);
    }
    if (::listen(fd, SOMAXCONN) != 0) fail("listen", fd);
    FListenHandle = fd;
    d->listen.setSocket(fd);
    d->listen.setEnabled(true);
    return true;
}

void TServerSocket::Close()
{
    for (TServerClientWinSocket* c : std::vector<TServerClientWinSocket*>(FConnections)) c->Close();
    if (FListenHandle >= 0) {
        d->listen.setEnabled(false);
        ::close(FListenHandle);
        FListenHandle = -1;
    }
    Reap();
}

int TServerSocket::LocalPort() const
{
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    if (FListenHandle < 0 || ::getsockname(FListenHandle, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6&>(a).sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in&>(a).sin_port);
}

template <class F>
void TServerSocket::RunHandler(TServerClientWinSocket* connection, F&& f)
{
    ++connection->FBusy;
    // An exception must not cross the event loop's dispatch.
    Application->Guard(std::forward<F>(f));
    --connection->FBusy;
}

void TServerSocket::Accept()
{
    Reap();
    while (FListenHandle >= 0) {
        int fd = ::accept4(FListenHandle, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) continue;
            break;
        }
        auto* c = new TServerClientWinSocket(this, fd);
        FConnections.push_back(c);
        if (OnClientConnect) RunHandler(c, [&] { OnClientConnect(this, c); });
    }
}

void TServerSocket::NotifyRead(TServerClientWinSocket* c)
{
    Reap();
    if (c->FSocket < 0) return;
    c->EnableNotifier(TServerClientWinSocket::nRead, false);
    if (!c->FConnected) {  // a handler's read met the end of the stream
        ReportDisconnect(c);
        return;
    }
    if (c->ReceiveLength() == 0) {
        char probe;
        ssize_t n = ::recv(c->FSocket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n < 0 && (WouldBlock(errno) || errno == EINTR)) {
            c->EnableNotifier(TServerClientWinSocket::nRead, true);
            return;
        }
        if (n <= 0) {  // the peer has closed (or reset) the connection and everything was read
            c->FConnected = false;
            ReportDisconnect(c);
            return;
        }
    }
    if (!OnClientRead) return;  // nobody reads this connection: no more read notifications
    RunHandler(c, [&] { OnClientRead(this, c); });
    if (c->FSocket < 0) return;
    c->EnableNotifier(TServerClientWinSocket::nRead, true);
    // Bytes that TLS decrypted but the handler left are not in the socket any more: no
    // notifier would tell of them, so the notification comes again from the queue.
    if (c->TlsPending() > 0 || (c->FTls && !c->FConnected)) c->NotifyReadLater();
}

void TServerSocket::NotifyWrite(TServerClientWinSocket* c)
{
    Reap();
    c->EnableNotifier(TServerClientWinSocket::nWrite, false);
    if (c->FSocket < 0 || !OnClientWrite) return;
    RunHandler(c, [&] { OnClientWrite(this, c); });
}

void TServerSocket::ReportDisconnect(TServerClientWinSocket* c)
{
    if (c->FDisconnectReported) return;
    c->FDisconnectReported = true;
    if (OnClientDisconnect) RunHandler(c, [&] { OnClientDisconnect(this, c); });
    c->Close();
}

void TServerSocket::Detach(TServerClientWinSocket* c)
{
    auto it = std::find(FConnections.begin(), FConnections.end(), c);
    if (it == FConnections.end()) return;
    FConnections.erase(it);
    FClosed.push_back(c);
}

void TServerSocket::Reap()
{
    auto idle = [](TServerClientWinSocket* c) { return c->FBusy == 0; };
    std::vector<TServerClientWinSocket*> gone;
    for (TServerClientWinSocket* c : FClosed)
        if (idle(c)) gone.push_back(c);
    FClosed.erase(std::remove_if(FClosed.begin(), FClosed.end(), idle), FClosed.end());
    for (TServerClientWinSocket* c : gone) delete c;
}
