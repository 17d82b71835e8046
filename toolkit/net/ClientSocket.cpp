// TClientSocket: the client socket component.
#include "toolkit/net/ClientSocket.h"

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
