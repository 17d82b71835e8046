// TServerClientWinSocket: a connection accepted by a TServerSocket, with its notifiers.
#include "toolkit/net/ServerClientWinSocket.h"
#include "toolkit/net/ServerSocket.h"

#include <QSocketNotifier>

class TServerClientWinSocketPrivate {
public:
    QSocketNotifier notifiers[2]{QSocketNotifier(QSocketNotifier::Read), QSocketNotifier(QSocketNotifier::Write)};
};

// ---- TServerClientWinSocket ------------------------------------------------------------------

TServerClientWinSocket::TServerClientWinSocket(TServerSocket* server, int handle)
    : FServer(server), d(std::make_unique<TServerClientWinSocketPrivate>())
{
    Attach(handle, AnsiString(), 0);
    FPeerName = RemoteAddress();
    FPeerPort = RemotePort();
    for (TNotifier which : {nRead, nWrite}) {
        QSocketNotifier& notifier = d->notifiers[which];
        notifier.setSocket(handle);
        QObject::connect(&notifier, &QSocketNotifier::activated, [this, which] {
            if (which == nRead) FServer->NotifyRead(this);
            else FServer->NotifyWrite(this);
        });
    }
    EnableNotifiers(true);  // "can write" once, as soon as the loop runs
}

TServerClientWinSocket::~TServerClientWinSocket() { EnableNotifiers(false); }

void TServerClientWinSocket::EnableNotifier(TNotifier which, bool on) { d->notifiers[which].setEnabled(on); }

void TServerClientWinSocket::EnableNotifiers(bool on)
{
    for (TNotifier which : {nRead, nWrite}) EnableNotifier(which, on);
}

void TServerClientWinSocket::NotifyReadLater()
{
    // The notifier is the call's context: destroyed with the connection, it takes the call along.
    QMetaObject::invokeMethod(
        &d->notifiers[nRead],
        [this] {
            if (FSocket >= 0) FServer->NotifyRead(this);
        },
        Qt::QueuedConnection);
}

void TServerClientWinSocket::Close()
{
    if (FSocket < 0) return;
    EnableNotifiers(false);
    TCustomWinSocket::Close();
    if (FServer) FServer->Detach(this);
}

void TServerClientWinSocket::SendWouldBlock()
{
    if (FSocket >= 0) EnableNotifier(nWrite, true);
}

// A handshake runs inside a handler and lets the loop run: the connection's own
// notifications wait until it is over, then "can write" comes once more.
void TServerClientWinSocket::Handshaking(bool starting)
{
    EnableNotifiers(false);
    if (starting || FSocket < 0) return;
    EnableNotifiers(true);
}
