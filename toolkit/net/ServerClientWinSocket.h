#pragma once
// A connection accepted by a TServerSocket.
#include "toolkit/net/CustomWinSocket.h"

#include <memory>

class TServerSocket;
class TServerClientWinSocketPrivate;

// A connection accepted by a TServerSocket. Its notifications come from the event loop and
// are disabled while their handler runs, so a handler is never re-entered for the same kind.
class TServerClientWinSocket : public TCustomWinSocket {
public:
    ~TServerClientWinSocket() override;
    // Safe from inside this connection's own notification handler.
    void Close() override;

protected:
    void SendWouldBlock() override;
    void Handshaking(bool starting) override;

private:
    TServerClientWinSocket(TServerSocket* server, int handle);
    // Its "can read" and "can write" notifications, each turned on or off alone or both at once.
    enum TNotifier { nRead, nWrite };
    void EnableNotifier(TNotifier which, bool on);
    void EnableNotifiers(bool on);
    // A "can read" notification once more, from the event queue; none if the connection is
    // destroyed first.
    void NotifyReadLater();

    TServerSocket* FServer;
    std::unique_ptr<TServerClientWinSocketPrivate> d;
    int FBusy = 0;  // handlers of this connection on the stack
    bool FDisconnectReported = false;

    friend class TServerSocket;
};
