// The listening socket and its accepted connections, driven by Qt socket notifiers.
//
// A closed connection is not deleted while one of its handlers is on the stack (FBusy), and a
// notifier is never deleted from inside its own activation: closed connections wait in FClosed
// until a later notification, Open, Close or the destructor reaps them.
#include "toolkit/controls/Application.h"
#include "toolkit/net/ScktComp.h"
#include "toolkit/net/WinSock.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>

class TServerSocketPrivate {
public:
    QSocketNotifier listen{QSocketNotifier::Read};
};

class TServerClientWinSocketPrivate {
public:
    QSocketNotifier read{QSocketNotifier::Read};
    QSocketNotifier write{QSocketNotifier::Write};
};

// ---- TServerClientWinSocket ------------------------------------------------------------------

TServerClientWinSocket::TServerClientWinSocket(TServerSocket* server, int handle)
    : FServer(server), d(new TServerClientWinSocketPrivate)
{
    Attach(handle, AnsiString(), 0);
    FPeerName = RemoteAddress();
    FPeerPort = RemotePort();
    d->read.setSocket(handle);
    d->write.setSocket(handle);
    QObject::connect(&d->read, &QSocketNotifier::activated, [this] { FServer->NotifyRead(this); });
    QObject::connect(&d->write, &QSocketNotifier::activated, [this] { FServer->NotifyWrite(this); });
    d->read.setEnabled(true);
    d->write.setEnabled(true);  // "can write" once, as soon as the loop runs
}

TServerClientWinSocket::~TServerClientWinSocket()
{
    d->read.setEnabled(false);
    d->write.setEnabled(false);
    delete d;
}

void TServerClientWinSocket::Close()
{
    if (FSocket < 0) return;
    d->read.setEnabled(false);
    d->write.setEnabled(false);
    TCustomWinSocket::Close();
    if (FServer) FServer->Detach(this);
}

void TServerClientWinSocket::SendWouldBlock()
{
    if (FSocket >= 0) d->write.setEnabled(true);
}

// ---- TServerSocket ---------------------------------------------------------------------------

TServerSocket::TServerSocket(TComponent* AOwner) : TComponent(AOwner), d(new TServerSocketPrivate)
{
    QObject::connect(&d->listen, &QSocketNotifier::activated, [this] { Accept(); });
}

TServerSocket::~TServerSocket()
{
    Destroying();
    Close();
    for (TServerClientWinSocket* c : FClosed) delete c;
    delete d;
}

void TServerSocket::SetPort(int value)
{
    if (value != FPort && Active())
        throw ESocketError(AnsiString("Cannot change the value while the socket is active"));
    FPort = value;
}

void TServerSocket::Open()
{
    if (!TryOpen()) {
        errno = EADDRINUSE;
        throw ESocketError(AnsiString("bind: " + std::string(std::strerror(EADDRINUSE)) + " (" + std::to_string(EADDRINUSE) +
                                      "), 0.0.0.0:" + std::to_string(FPort)));
    }
}

bool TServerSocket::TryOpen()
{
    if (Active()) return true;
    Reap();
    auto fail = [this](const char* api, int fd) {
        int err = errno;
        if (fd >= 0) ::close(fd);
        std::string text = std::string(api) + ": " + std::strerror(err) + " (" + std::to_string(err) + "), 0.0.0.0:" +
                           std::to_string(FPort);
        throw ESocketError(AnsiString(text));
    };
    if (FPort < 0 || FPort > 65535) {
        errno = EINVAL;
        fail("bind", -1);
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) fail("socket", -1);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(static_cast<uint16_t>(FPort));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
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
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (FListenHandle < 0 || ::getsockname(FListenHandle, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
    return ntohs(a.sin_port);
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
    c->d->read.setEnabled(false);
    if (!c->FConnected) {  // a handler's read met the end of the stream
        ReportDisconnect(c);
        return;
    }
    if (c->ReceiveLength() == 0) {
        char probe;
        ssize_t n = ::recv(c->FSocket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            c->d->read.setEnabled(true);
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
    if (c->FSocket >= 0) c->d->read.setEnabled(true);
}

void TServerSocket::NotifyWrite(TServerClientWinSocket* c)
{
    Reap();
    c->d->write.setEnabled(false);
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
