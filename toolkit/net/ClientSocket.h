#pragma once
// TClientSocket: a blocking client connection (open = name look-up + blocking connect).
#include "toolkit/net/ClientWinSocket.h"

class TClientSocket : public TComponent {
public:
    explicit TClientSocket(TComponent* AOwner);
    ~TClientSocket() override;

    TClientType ClientType() const { return FSocket->ClientType(); }
    void SetClientType(TClientType value) { FSocket->SetClientType(value); }
    // Host (a name or an address) is used when set, Address otherwise. Changing either,
    // or Port, while the socket is active raises ESocketError.
    const AnsiString& Host() const { return FHost; }
    void SetHost(const AnsiString& value);
    const AnsiString& Address() const { return FAddress; }
    void SetAddress(const AnsiString& value);
    int Port() const { return FPort; }
    void SetPort(int value);

    bool Active() const { return FSocket->SocketHandle() >= 0; }
    void SetActive(bool value) { value ? Open() : Close(); }
    // Does nothing when already active; raises ESocketError when no connection results.
    void Open();
    void Close();

    TClientWinSocket* Socket() const { return FSocket; }

private:
    void CheckInactive(bool changed) const;

    TClientWinSocket* FSocket;
    AnsiString FHost;
    AnsiString FAddress;
    int FPort = 0;
};
