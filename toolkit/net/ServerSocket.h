#pragma once
// TServerSocket: a non-blocking listener whose accepted connections report "can read" and
// "can write" from the event loop.
#include "toolkit/net/ServerClientWinSocket.h"
#include "toolkit/system/Classes.h"

#include <memory>
#include <vector>

class TServerSocketPrivate;

enum TServerType { stNonBlocking, stThreadBlocking };
// The address family a listener listens on.
enum TSocketFamily { sfIPv4, sfIPv6 };

class TServerSocket : public TComponent {
public:
    explicit TServerSocket(TComponent* AOwner);
    ~TServerSocket() override;

    int Port() const { return FPort; }
    void SetPort(int value);  // ESocketError when changed while active
    TServerType ServerType() const { return FServerType; }
    void SetServerType(TServerType value) { FServerType = value; }
    TSocketFamily Family() const { return FFamily; }
    void SetFamily(TSocketFamily value);  // ESocketError when changed while active

    bool Active() const { return FListenHandle >= 0; }
    void SetActive(bool value) { value ? Open() : Close(); }
    // Listens on Port on every local address of Family; raises ESocketError when it cannot.
    void Open();
    // As Open, but false (and not active) when another socket holds the port already.
    bool TryOpen();
    // Ends the listener and every accepted connection. Safe from inside their notifications.
    void Close();
    // The port actually listened on (useful with Port 0).
    int LocalPort() const;

    int ActiveConnections() const { return static_cast<int>(FConnections.size()); }
    TServerClientWinSocket* Connections(int index) const { return FConnections.at(static_cast<std::size_t>(index)); }

    // A connection was accepted; it has data to read; it can take data (once after it was
    // accepted, then again after a send would have blocked); the peer closed it.
    TSocketNotifyEvent OnClientConnect;
    TSocketNotifyEvent OnClientRead;
    TSocketNotifyEvent OnClientWrite;
    TSocketNotifyEvent OnClientDisconnect;

private:
    void Accept();
    void NotifyRead(TServerClientWinSocket* connection);
    void NotifyWrite(TServerClientWinSocket* connection);
    void Detach(TServerClientWinSocket* connection);
    void ReportDisconnect(TServerClientWinSocket* connection);
    // Deletes closed connections that no handler is using any more.
    void Reap();
    template <class F>
    void RunHandler(TServerClientWinSocket* connection, F&& f);
    [[noreturn]] void RaiseListenError(const char* api, int err) const;

    int FPort = 0;
    TServerType FServerType = stNonBlocking;
    TSocketFamily FFamily = sfIPv4;
    int FListenHandle = -1;
    std::vector<TServerClientWinSocket*> FConnections;
    std::vector<TServerClientWinSocket*> FClosed;
    std::unique_ptr<TServerSocketPrivate> d;

    friend class TServerClientWinSocket;
};
