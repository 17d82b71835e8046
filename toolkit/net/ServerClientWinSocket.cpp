// TServerClientWinSocket: a connection accepted by a TServerSocket, with its notifiers.
#include "toolkit/net/ServerClientWinSocket.h"
#include "toolkit/net/ServerClientWinSocketPrivate.h"
#include "toolkit/net/ServerSocket.h"

// ---- TServerClientWinSocket ------------------------------------------------------------------

TServerClientWinSocket::TServerClientWinSocket(TServerSocket* server, int handle)
    : FServer(server), d(std::make_unique<TServerClientWinSocketPrivate>())
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

// A handshake runs inside a handler and lets the loop run: the connection's own
// notifications wait until it is over, then "can write" comes once more.
void TServerClientWinSocket::Handshaking(bool starting)
{
    d->read.setEnabled(false);
    d->write.setEnabled(false);
    if (starting || FSocket < 0) return;
    d->read.setEnabled(true);
    d->write.setEnabled(true);
}
